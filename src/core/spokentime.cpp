// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "spokentime.h"

#include <KLocalizedString>

#include <QLocale>
#include <QStringList>

QString SpokenTime::fromMilliseconds(qint64 milliseconds, TimeFormat::SecondFraction precision)
{
    const qint64 time = std::max(qint64(0), milliseconds);
    const qint64 hours = time / 3'600'000;
    const qint64 minutes = time / 60'000 % 60;
    const qint64 seconds = time / 1000 % 60;
    const qint64 fraction = time % 1000;

    QStringList parts;
    if (hours > 0) {
        parts << i18ncp("@info:accessible part of a spoken time", "%1 hour", "%1 hours", hours);
    }
    if (hours > 0 || minutes > 0) {
        parts << i18ncp("@info:accessible part of a spoken time", "%1 minute", "%1 minutes", minutes);
    }

    int digits = 0;
    switch (precision) {
    case TimeFormat::UpToTenths:
        digits = 1;
        break;
    case TimeFormat::UpToHundredths:
        digits = 2;
        break;
    case TimeFormat::UpToMilliseconds:
        digits = 3;
        break;
    case TimeFormat::NoFractions:
        break;
    }
    if (digits == 0) {
        parts << i18ncp("@info:accessible part of a spoken time", "%1 second", "%1 seconds", seconds);
    } else {
        const QLocale locale;
        const QString fractionDigits = QString::number(fraction).rightJustified(3, u'0').left(digits);
        parts << i18nc("@info:accessible part of a spoken time, %1 is a number with decimals",
                       "%1 seconds",
                       locale.toString(seconds) + locale.decimalPoint() + fractionDigits);
    }
    return parts.join(u' ');
}
