// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "timeformat.h"

using namespace Qt::Literals::StringLiterals;

TimeFormat::TimeFormat(bool showHours, bool showMinutes, SecondFraction fractions)
    : m_showHours(showHours)
    , m_showMinutes(showMinutes)
    , m_fractions(fractions)
{
}

namespace
{
constexpr qint64 MsPerSecond = 1000;
constexpr qint64 MsPerMinute = 60 * MsPerSecond;
constexpr qint64 MsPerHour = 60 * MsPerMinute;

// The texts are formed digit by digit: the display forms them for every frame it shows,
// and a pattern-based conversion parses its pattern each time, several times the cost of
// the rest of a tick. Digits are always the C locale's.
QString twoDigits(int value, bool divider, char16_t dividerChar)
{
    QString text(divider ? 3 : 2, Qt::Uninitialized);
    QChar *out = text.data();
    out[0] = QChar(u'0' + value / 10);
    out[1] = QChar(u'0' + value % 10);
    if (divider) {
        out[2] = QChar(dividerChar);
    }
    return text;
}
}

QString TimeFormat::format(qint64 milliseconds) const
{
    if (milliseconds < 0) {
        return {};
    }
    return formatHours(milliseconds) + formatMinutes(milliseconds) + formatSeconds(milliseconds) + formatSecondFractions(milliseconds);
}

QString TimeFormat::formatHours(qint64 milliseconds) const
{
    if (!m_showHours || milliseconds < 0) {
        return {};
    }
    const qint64 hours = milliseconds / MsPerHour;
    if (hours < 100) {
        return twoDigits(int(hours), m_showDividers, u':');
    }
    QString text = QString::number(hours);
    if (m_showDividers) {
        text += u':';
    }
    return text;
}

QString TimeFormat::formatMinutes(qint64 milliseconds) const
{
    return m_showMinutes && milliseconds >= 0 ? twoDigits(int(milliseconds / MsPerMinute % 60), m_showDividers, u':') : QString();
}

QString TimeFormat::formatSeconds(qint64 milliseconds) const
{
    if (milliseconds < 0) {
        return {};
    }
    return twoDigits(int(milliseconds / MsPerSecond % 60), m_showDividers && m_fractions != NoFractions, u'.');
}

QString TimeFormat::formatSecondFractions(qint64 milliseconds) const
{
    // Fractions are cut off, never rounded: a display must not show the next hundredth
    // before it has been reached.
    if (milliseconds < 0) {
        return {};
    }
    const int fraction = int(milliseconds % MsPerSecond);
    int digits = 0;
    switch (m_fractions) {
    case UpToTenths:
        digits = 1;
        break;
    case UpToHundredths:
        digits = 2;
        break;
    case UpToMilliseconds:
        digits = 3;
        break;
    case NoFractions:
        return {};
    }
    QString text(digits, Qt::Uninitialized);
    QChar *out = text.data();
    out[0] = QChar(u'0' + fraction / 100);
    if (digits > 1) {
        out[1] = QChar(u'0' + fraction / 10 % 10);
    }
    if (digits > 2) {
        out[2] = QChar(u'0' + fraction % 10);
    }
    return text;
}

void TimeFormat::showHours()
{
    m_showHours = true;
}

void TimeFormat::showMinutes()
{
    m_showMinutes = true;
}

void TimeFormat::setDividers(bool dividers)
{
    m_showDividers = dividers;
}

bool TimeFormat::hasHours() const
{
    return m_showHours;
}

bool TimeFormat::hasMinutes() const
{
    return m_showMinutes;
}

bool TimeFormat::hasFractions() const
{
    return m_fractions != NoFractions;
}

TimeFormat::SecondFraction TimeFormat::secondFractions() const
{
    return m_fractions;
}

int TimeFormat::lastDigitStep(SecondFraction fractions)
{
    switch (fractions) {
    case UpToTenths:
        return 100;
    case UpToHundredths:
        return 10;
    case UpToMilliseconds:
        return 1;
    case NoFractions:
        break;
    }
    return 1000;
}

bool TimeFormat::operator==(const TimeFormat &other) const
{
    return m_showHours == other.m_showHours && m_showMinutes == other.m_showMinutes && m_showDividers == other.m_showDividers
        && m_fractions == other.m_fractions;
}

bool TimeFormat::operator!=(const TimeFormat &other) const
{
    return !(*this == other);
}

#include "moc_timeformat.cpp"
