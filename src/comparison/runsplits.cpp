// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "runsplits.h"

#include "lap.h"

RunSplits::RunSplits(const QList<qint64> &sinceStart)
    : m_sinceStart(sinceStart)
{
}

RunSplits RunSplits::fromLaps(const QList<Lap> &laps)
{
    RunSplits splits;
    splits.m_sinceStart.reserve(laps.size());
    for (const Lap &lap : laps) {
        splits.append(lap.time());
    }
    return splits;
}

RunSplits RunSplits::fromLapTimes(const QList<qint64> &lapTimes)
{
    RunSplits splits;
    splits.m_sinceStart.reserve(lapTimes.size());
    qint64 sum = 0;
    for (const qint64 lapTime : lapTimes) {
        sum += lapTime;
        splits.m_sinceStart.append(sum);
    }
    return splits;
}

qsizetype RunSplits::count() const
{
    return m_sinceStart.size();
}

bool RunSplits::isEmpty() const
{
    return m_sinceStart.isEmpty();
}

qint64 RunSplits::lapTime(qsizetype position) const
{
    return position == 0 ? m_sinceStart.at(0) : m_sinceStart.at(position) - m_sinceStart.at(position - 1);
}

qint64 RunSplits::sinceStart(qsizetype position) const
{
    return m_sinceStart.at(position);
}

qint64 RunSplits::total() const
{
    return m_sinceStart.isEmpty() ? 0 : m_sinceStart.constLast();
}

void RunSplits::reserve(qsizetype laps)
{
    m_sinceStart.reserve(laps);
}

void RunSplits::append(qint64 sinceStart)
{
    // A lap never ends before the one before it; a damaged file must not give negative laps.
    m_sinceStart.append(std::max(sinceStart, total()));
}
