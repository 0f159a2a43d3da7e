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
// The texts are formed digit by digit: the display forms them for every frame it shows,
// and QTime::toString() parses its pattern each time, several times the cost of the rest
// of a tick. Digits are always the C locale's, as toString() gives them.
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

QString TimeFormat::format(const QTime &time) const
{
    if (!time.isValid()) {
        return {};
    }
    return formatHours(time) + formatMinutes(time) + formatSeconds(time) + formatSecondFractions(time);
}

QString TimeFormat::formatHours(const QTime &time) const
{
    return m_showHours && time.isValid() ? twoDigits(time.hour(), m_showDividers, u':') : QString();
}

QString TimeFormat::formatMinutes(const QTime &time) const
{
    return m_showMinutes && time.isValid() ? twoDigits(time.minute(), m_showDividers, u':') : QString();
}

QString TimeFormat::formatSeconds(const QTime &time) const
{
    if (!time.isValid()) {
        return {};
    }
    return twoDigits(time.second(), m_showDividers && m_fractions != NoFractions, u'.');
}

QString TimeFormat::formatSecondFractions(const QTime &time) const
{
    // Fractions are cut off, never rounded: a display must not show the next hundredth
    // before it has been reached.
    if (!time.isValid()) {
        return {};
    }
    const int milliseconds = time.msec();
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
    out[0] = QChar(u'0' + milliseconds / 100);
    if (digits > 1) {
        out[1] = QChar(u'0' + milliseconds / 10 % 10);
    }
    if (digits > 2) {
        out[2] = QChar(u'0' + milliseconds % 10);
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
