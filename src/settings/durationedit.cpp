// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "durationedit.h"

#include <KLocalizedString>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

DurationEdit::DurationEdit(QWidget *parent)
    : QTimeEdit(parent)
{
    // Counted from midnight, so the clock's own format (12 hours, AM and PM) has no place.
    setDisplayFormat(u"H:mm:ss"_s);
    setTimeRange(QTime(0, 0), QTime(23, 59, 59));
    setSpecialValueText(i18nc("@item:inlistbox no lap target", "None"));
    connect(this, &QTimeEdit::timeChanged, this, [this] {
        Q_EMIT millisecondsChanged(milliseconds());
    });
}

int DurationEdit::milliseconds() const
{
    return time().msecsSinceStartOfDay();
}

void DurationEdit::setMilliseconds(int milliseconds)
{
    setTime(QTime::fromMSecsSinceStartOfDay(std::clamp(milliseconds, 0, 24 * 60 * 60 * 1000 - 1000) / 1000 * 1000));
}

void DurationEdit::stepBy(int steps)
{
    // "None" has no sections to choose from, and the first one is the hours; a target is
    // minutes long far more often than hours.
    if (milliseconds() == 0 && steps > 0) {
        setTime(QTime(0, 0).addSecs(60 * steps));
        setCurrentSection(QDateTimeEdit::MinuteSection);
        return;
    }
    QTimeEdit::stepBy(steps);
}

#include "moc_durationedit.cpp"
