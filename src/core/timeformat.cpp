// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "timeformat.h"

using namespace Qt::Literals::StringLiterals;

TimeFormat::TimeFormat(bool showHours, bool showMinutes, SecondFraction fractions)
    : m_showHours(showHours)
    , m_showMinutes(showMinutes)
    , m_fractions(fractions)
{
    setupFormat();
}

QString TimeFormat::format(const QTime &time) const
{
    const QString hours = formatHours(time);
    const QString minutes = formatMinutes(time);
    const QString seconds = formatSeconds(time);
    const QString fractions = formatSecondFractions(time);
    if (hours.isNull() && minutes.isNull() && seconds.isNull() && fractions.isNull()) {
        return {};
    }
    return hours + minutes + seconds + fractions;
}

QString TimeFormat::formatHours(const QTime &time) const
{
    return m_showHours ? time.toString(m_hourFormat) : QString();
}

QString TimeFormat::formatMinutes(const QTime &time) const
{
    return m_showMinutes ? time.toString(m_minFormat) : QString();
}

QString TimeFormat::formatSeconds(const QTime &time) const
{
    return time.toString(m_secFormat);
}

QString TimeFormat::formatSecondFractions(const QTime &time) const
{
    if (m_fractions == NoFractions) {
        return {};
    }
    // Fractions are cut off, never rounded: a display must not show the next hundredth
    // before it has been reached.
    QString digits = time.toString(u"zzz"_s);
    switch (m_fractions) {
    case UpToHundredths:
        digits.chop(1);
        break;
    case UpToTenths:
        if (digits.size() > 1) {
            digits.chop(2);
        }
        break;
    case UpToMilliseconds:
    case NoFractions:
        break;
    }
    return digits;
}

void TimeFormat::showHours()
{
    if (!m_showHours) {
        m_showHours = true;
        setupFormat();
    }
}

void TimeFormat::showMinutes()
{
    if (!m_showMinutes) {
        m_showMinutes = true;
        setupFormat();
    }
}

void TimeFormat::setDividers(bool dividers)
{
    m_showDividers = dividers;
    setupFormat();
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

bool TimeFormat::operator==(const TimeFormat &other) const
{
    return m_showHours == other.m_showHours && m_showMinutes == other.m_showMinutes && m_showDividers == other.m_showDividers
        && m_fractions == other.m_fractions;
}

bool TimeFormat::operator!=(const TimeFormat &other) const
{
    return !(*this == other);
}

void TimeFormat::setupFormat()
{
    if (m_showHours) {
        m_hourFormat = m_showDividers ? u"hh:"_s : u"hh"_s;
    }
    if (m_showMinutes) {
        m_minFormat = m_showDividers ? u"mm:"_s : u"mm"_s;
    }
    m_secFormat = (m_showDividers && m_fractions != NoFractions) ? u"ss."_s : u"ss"_s;
}

#include "moc_timeformat.cpp"
