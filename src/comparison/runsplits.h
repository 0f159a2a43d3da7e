// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QList>
#include <QtTypes>

class Lap;

/**
 * The laps of one run as milliseconds: each lap's time since the start, from which its own
 * time is the step from the lap before. Both come in constant time.
 */
class RunSplits
{
public:
    RunSplits() = default;
    /** From times since the start, oldest first. */
    explicit RunSplits(const QList<qint64> &sinceStart);

    [[nodiscard]] static RunSplits fromLaps(const QList<Lap> &laps);
    /** From the laps' own times, oldest first. */
    [[nodiscard]] static RunSplits fromLapTimes(const QList<qint64> &lapTimes);

    [[nodiscard]] qsizetype count() const;
    [[nodiscard]] bool isEmpty() const;
    /** Lap @p position's own time, counted from 0. */
    [[nodiscard]] qint64 lapTime(qsizetype position) const;
    [[nodiscard]] qint64 sinceStart(qsizetype position) const;
    /** The time since the start at the last lap, 0 without laps. */
    [[nodiscard]] qint64 total() const;

    void append(qint64 sinceStart);
    void reserve(qsizetype laps);

    bool operator==(const RunSplits &other) const = default;

private:
    QList<qint64> m_sinceStart;
};
