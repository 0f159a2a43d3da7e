// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapstatistics.h"

#include <cmath>
#include <limits>

void LapStatistics::add(qint64 milliseconds)
{
    const qint64 lap = qBound(qint64(0), milliseconds, qint64(std::numeric_limits<int>::max()));

    ++m_count;
    m_fastest = m_count == 1 ? lap : std::min(m_fastest, lap);
    m_slowest = m_count == 1 ? lap : std::max(m_slowest, lap);
    m_total += lap;
    m_last = lap;

    const long double delta = lap - m_runningMean;
    m_runningMean += delta / m_count;
    m_squaredDeviations += delta * (lap - m_runningMean);

    if (m_lowerHalf.empty() || lap <= m_lowerHalf.top()) {
        m_lowerHalf.push(lap);
    } else {
        m_upperHalf.push(lap);
    }
    if (m_lowerHalf.size() > m_upperHalf.size() + 1) {
        m_upperHalf.push(m_lowerHalf.top());
        m_lowerHalf.pop();
    } else if (m_upperHalf.size() > m_lowerHalf.size()) {
        m_lowerHalf.push(m_upperHalf.top());
        m_upperHalf.pop();
    }
}

void LapStatistics::clear()
{
    *this = LapStatistics();
}

qsizetype LapStatistics::count() const
{
    return m_count;
}

bool LapStatistics::isEmpty() const
{
    return m_count == 0;
}

qint64 LapStatistics::fastest() const
{
    return m_fastest;
}

qint64 LapStatistics::slowest() const
{
    return m_slowest;
}

qint64 LapStatistics::total() const
{
    return m_total;
}

double LapStatistics::mean() const
{
    return m_count == 0 ? 0.0 : double(m_total) / double(m_count);
}

double LapStatistics::median() const
{
    if (m_count == 0) {
        return 0.0;
    }
    if (m_lowerHalf.size() > m_upperHalf.size()) {
        return double(m_lowerHalf.top());
    }
    return (double(m_lowerHalf.top()) + double(m_upperHalf.top())) / 2.0;
}

double LapStatistics::standardDeviation() const
{
    if (m_count < 2) {
        return 0.0;
    }
    // Rounding can leave a hair below zero when all laps are equal.
    return double(std::sqrt(std::max(m_squaredDeviations, 0.0L) / m_count));
}

qint64 LapStatistics::last() const
{
    return m_last;
}

double LapStatistics::differenceToMean(qint64 milliseconds) const
{
    return double(milliseconds) - mean();
}
