// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapstatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
qint64 clamped(qint64 milliseconds)
{
    return qBound(qint64(0), milliseconds, qint64(std::numeric_limits<int>::max()));
}
}

void LapStatistics::add(qint64 milliseconds)
{
    const qint64 lap = clamped(milliseconds);

    ++m_count;
    m_fastest = m_count == 1 ? lap : std::min(m_fastest, lap);
    m_slowest = m_count == 1 ? lap : std::max(m_slowest, lap);
    m_total += lap;
    m_last = lap;
    m_sumOfSquares += WideInt(lap) * lap;

    if (m_lowerHalf.empty() || lap <= m_lowerHalf.top()) {
        m_lowerHalf.push(lap);
    } else {
        m_upperHalf.push(lap);
    }
    balanceHalves();
}

void LapStatistics::balanceHalves()
{
    if (m_lowerHalf.size() > m_upperHalf.size() + 1) {
        m_upperHalf.push(m_lowerHalf.top());
        m_lowerHalf.pop();
    } else if (m_upperHalf.size() > m_lowerHalf.size()) {
        m_lowerHalf.push(m_upperHalf.top());
        m_upperHalf.pop();
    }
}

void LapStatistics::assign(const QList<int> &durations)
{
    clear();
    if (durations.isEmpty()) {
        return;
    }
    std::vector<qint64> laps;
    laps.reserve(durations.size());
    m_fastest = clamped(durations.constFirst());
    m_slowest = m_fastest;
    for (const int duration : durations) {
        const qint64 lap = clamped(duration);
        laps.push_back(lap);
        m_fastest = std::min(m_fastest, lap);
        m_slowest = std::max(m_slowest, lap);
        m_total += lap;
        m_sumOfSquares += WideInt(lap) * lap;
    }
    m_count = qsizetype(laps.size());
    m_last = laps.back();

    // The lower half takes the middle lap of an odd count, as add() leaves it.
    const auto middle = laps.begin() + (laps.size() + 1) / 2;
    std::nth_element(laps.begin(), middle - 1, laps.end());
    // Everything before the (middle - 1)th is no larger than it, everything after no smaller.
    m_lowerHalf = std::priority_queue<qint64>(std::less<qint64>(), std::vector<qint64>(laps.begin(), middle));
    m_upperHalf = std::priority_queue<qint64, std::vector<qint64>, std::greater<>>(std::greater<>(), std::vector<qint64>(middle, laps.end()));
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
    // n² times the variance, exactly: n·Σx² − (Σx)², never below zero.
    const WideInt scaled = WideInt(m_count) * m_sumOfSquares - WideInt(m_total) * m_total;
    return double(std::sqrt(static_cast<long double>(scaled)) / m_count);
}

qint64 LapStatistics::last() const
{
    return m_last;
}

double LapStatistics::differenceToMean(qint64 milliseconds) const
{
    return double(milliseconds) - mean();
}
