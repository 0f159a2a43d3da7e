// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "activityruns.h"

#include "session.h"
#include "sessionmodel.h"

#include <QAbstractItemModel>

#include <algorithm>

namespace
{
ActivityRuns::Run runOf(const Session &session)
{
    return ActivityRuns::Run{session.id(), session.name(), session.date(), session.time(), RunSplits::fromLaps(session.laps())};
}

Session sessionAt(const QAbstractItemModel *model, int row)
{
    return model->data(model->index(row, 0), SessionModel::SessionRole).value<Session>();
}
}

ActivityRuns::ActivityRuns(QAbstractItemModel *sessions, QObject *parent)
    : QObject(parent)
    , m_sessions(sessions)
{
    // Saves are rare next to laps: reading every run again on each is cheap enough.
    connect(sessions, &QAbstractItemModel::rowsInserted, this, &ActivityRuns::reread);
    connect(sessions, &QAbstractItemModel::rowsRemoved, this, &ActivityRuns::reread);
    connect(sessions, &QAbstractItemModel::rowsMoved, this, &ActivityRuns::reread);
    connect(sessions, &QAbstractItemModel::dataChanged, this, &ActivityRuns::reread);
    connect(sessions, &QAbstractItemModel::modelReset, this, &ActivityRuns::reread);
    connect(sessions, &QAbstractItemModel::layoutChanged, this, &ActivityRuns::reread);
}

void ActivityRuns::setActivity(const QString &name, const QString &ownId)
{
    if (name == m_name && ownId == m_ownId) {
        return;
    }
    m_name = name;
    m_ownId = ownId;
    reread();
}

QString ActivityRuns::name() const
{
    return m_name;
}

const QList<ActivityRuns::Run> &ActivityRuns::runs() const
{
    return m_runs;
}

std::optional<ActivityRuns::Run> ActivityRuns::previousRun() const
{
    if (m_runs.isEmpty()) {
        return std::nullopt;
    }
    return m_runs.constFirst();
}

std::optional<ActivityRuns::Run> ActivityRuns::bestRun() const
{
    const Run *best = nullptr;
    // Newest first, so only a strictly better run takes the place of one before it.
    for (const Run &run : m_runs) {
        if (!best || run.splits.count() > best->splits.count() || (run.splits.count() == best->splits.count() && run.time < best->time)) {
            best = &run;
        }
    }
    return best ? std::optional<Run>(*best) : std::nullopt;
}

const RunSplits &ActivityRuns::bestLaps() const
{
    return m_bestLaps;
}

std::optional<qint64> ActivityRuns::bestLapAt(qsizetype position) const
{
    if (position < 0 || position >= m_bestLapTimes.size()) {
        return std::nullopt;
    }
    return m_bestLapTimes.at(position);
}

void ActivityRuns::reread()
{
    QList<Run> runs;
    if (m_sessions && !m_name.isEmpty()) {
        for (int row = 0; row < m_sessions->rowCount(); ++row) {
            const Session session = sessionAt(m_sessions, row);
            if (session.name() == m_name && session.id() != m_ownId) {
                runs.append(runOf(session));
            }
        }
    }
    // Of equal dates the one stored later in the file counts as newer.
    std::reverse(runs.begin(), runs.end());
    std::stable_sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) {
        return a.date > b.date;
    });

    QList<qint64> bestLapTimes;
    for (const Run &run : std::as_const(runs)) {
        for (qsizetype position = 0; position < run.splits.count(); ++position) {
            const qint64 lapTime = run.splits.lapTime(position);
            if (position == bestLapTimes.size()) {
                bestLapTimes.append(lapTime);
            } else {
                bestLapTimes[position] = std::min(bestLapTimes.at(position), lapTime);
            }
        }
    }
    m_runs = runs;
    m_bestLapTimes = bestLapTimes;
    m_bestLaps = RunSplits::fromLapTimes(bestLapTimes);
    Q_EMIT changed();
}

#include "moc_activityruns.cpp"
