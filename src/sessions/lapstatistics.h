// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QList>
#include <QtGlobal>

#include <functional>
#include <queue>
#include <vector>

/**
 * Running figures over lap durations in milliseconds: count, fastest, slowest, mean,
 * median and standard deviation.
 *
 * Laps mostly arrive at the end, so every figure is kept up to date as they come: adding a
 * lap costs constant time, apart from the median, which keeps the lower and the upper half
 * of the laps in two heaps and costs logarithmic time. A correction in the middle of a run
 * hands over all durations again (assign()), which takes linear time: the median's halves
 * are split by selection, not by sorting or by adding the laps one by one.
 *
 * Durations are clamped to 0 … INT_MAX, the range the stopwatch saturates at. The total and
 * the sum of squares are kept exactly in integers (128 bits for the squares), so the spread
 * is the same to the last bit whatever order the laps came in or were handed over, and a
 * plain sum of squares in double precision would lose every digit to cancellation for laps
 * near the limit.
 */
class LapStatistics
{
public:
    void add(qint64 milliseconds);
    /** The figures of @p durations alone, in linear time; the last of them is last(). */
    void assign(const QList<int> &durations);
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
    void balanceHalves();

    qsizetype m_count = 0;
    qint64 m_fastest = 0;
    qint64 m_slowest = 0;
    qint64 m_total = 0;
    qint64 m_last = 0;
    // Wide enough for exact sums of squares of up to 2^32 laps, far more than a run holds;
    // every compiler the program is built with has it.
    __extension__ typedef __int128 WideInt;

    WideInt m_sumOfSquares = 0;
    // The lower half (its largest on top) holds as many laps as the upper half or one more.
    std::priority_queue<qint64> m_lowerHalf;
    std::priority_queue<qint64, std::vector<qint64>, std::greater<>> m_upperHalf;
};
