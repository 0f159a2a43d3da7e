// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QtGlobal>

#include <functional>
#include <queue>
#include <vector>

/**
 * Running figures over lap durations in milliseconds: count, fastest, slowest, mean,
 * median and standard deviation.
 *
 * Laps only ever arrive at the end, so every figure is kept up to date as they come:
 * adding a lap costs constant time, apart from the median, which keeps the lower and the
 * upper half of the laps in two heaps and costs logarithmic time. Nothing ever walks over
 * all the laps again.
 *
 * Durations are clamped to 0 … INT_MAX, the range the stopwatch saturates at. The total is
 * kept exactly in 64 bits; the spread is accumulated with Welford's method in extended
 * precision, because a plain sum of squares of such laps overflows 64 bits after two laps
 * and loses every digit to cancellation long before that in double precision.
 */
class LapStatistics
{
public:
    void add(qint64 milliseconds);
    void clear();

    [[nodiscard]] qsizetype count() const;
    [[nodiscard]] bool isEmpty() const;

    // Each of these is 0 while there are no laps.
    [[nodiscard]] qint64 fastest() const;
    [[nodiscard]] qint64 slowest() const;
    [[nodiscard]] qint64 total() const;
    [[nodiscard]] double mean() const;
    // With an even count, the mean of the two middle laps.
    [[nodiscard]] double median() const;
    // The spread of these laps themselves (divided by the count, not count - 1): one lap
    // has none, and a run is not a sample of some larger set of laps.
    [[nodiscard]] double standardDeviation() const;
    // The last lap added.
    [[nodiscard]] qint64 last() const;

    // Signed: positive when @p milliseconds is slower than the mean.
    [[nodiscard]] double differenceToMean(qint64 milliseconds) const;

private:
    qsizetype m_count = 0;
    qint64 m_fastest = 0;
    qint64 m_slowest = 0;
    qint64 m_total = 0;
    qint64 m_last = 0;
    long double m_runningMean = 0;
    long double m_squaredDeviations = 0;
    // The lower half (its largest on top) holds as many laps as the upper half or one more.
    std::priority_queue<qint64> m_lowerHalf;
    std::priority_queue<qint64, std::vector<qint64>, std::greater<>> m_upperHalf;
};
