// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "runninglap.h"

#include "lapmodel.h"
#include "stopwatch.h"

#include <algorithm>

RunningLap::RunningLap(Stopwatch *stopwatch, LapModel *laps, QObject *parent)
    : QObject(parent)
    , m_stopwatch(stopwatch)
    , m_laps(laps)
{
    connect(m_laps, &QAbstractItemModel::rowsInserted, this, &RunningLap::update);
    connect(m_laps, &QAbstractItemModel::rowsRemoved, this, &RunningLap::update);
    connect(m_laps, &QAbstractItemModel::rowsMoved, this, &RunningLap::update);
    connect(m_laps, &QAbstractItemModel::modelReset, this, &RunningLap::update);
    connect(m_laps, &QAbstractItemModel::layoutChanged, this, &RunningLap::update);
    // A time adjustment moves every lap in place.
    connect(m_laps, &QAbstractItemModel::dataChanged, this, &RunningLap::update);
    connect(m_stopwatch, &Stopwatch::running, this, &RunningLap::update);
    connect(m_stopwatch, &Stopwatch::paused, this, &RunningLap::update);
    connect(m_stopwatch, &Stopwatch::inactive, this, &RunningLap::update);
    update();
}

bool RunningLap::isActive() const
{
    return m_active;
}

int RunningLap::number() const
{
    return m_number;
}

int RunningLap::start() const
{
    return m_start;
}

int RunningLap::elapsed(int total) const
{
    return std::max(0, total - m_start);
}

int RunningLap::elapsed() const
{
    return elapsed(m_stopwatch->currentTime());
}

void RunningLap::update()
{
    const int count = m_laps->rowCount();
    const bool active = !m_stopwatch->isInactive();
    const int number = count + 1;
    const int start = count > 0 ? m_laps->sinceStart(count - 1) : 0;
    if (active == m_active && number == m_number && start == m_start) {
        return;
    }
    m_active = active;
    m_number = number;
    m_start = start;
    Q_EMIT changed();
}

#include "moc_runninglap.cpp"
