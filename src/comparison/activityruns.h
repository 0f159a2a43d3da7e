// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "runsplits.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QAbstractItemModel;

/**
 * The stored runs of one activity: the sessions that carry its name exactly, newest first,
 * without the window's own stored copy, and what they give a comparison: the previous
 * run, the best run and the fastest lap at every position.
 *
 * All of it is worked out when the stored sessions change (another window saves, a
 * session is removed), never per lap, so that a lap costs the same with a thousand runs.
 */
class ActivityRuns : public QObject
{
    Q_OBJECT

public:
    struct Run {
        QString id;
        QString name;
        QDateTime date;
        /** The session's time, which counts on past its last lap. */
        qint64 time = 0;
        RunSplits splits;
    };

    /** @p sessions holds a Session under SessionModel::SessionRole in each row. */
    explicit ActivityRuns(QAbstractItemModel *sessions, QObject *parent = nullptr);

    /**
     * The runs named @p name, without the one of @p ownId (the window's session once it is
     * stored). An empty name is no activity: a window that was never named has no runs.
     */
    void setActivity(const QString &name, const QString &ownId);
    [[nodiscard]] QString name() const;

    [[nodiscard]] const QList<Run> &runs() const;
    [[nodiscard]] std::optional<Run> previousRun() const;
    /** The fastest run among those with the most laps; of equal times the newest. */
    [[nodiscard]] std::optional<Run> bestRun() const;
    /** The fastest lap of any run at every position, laid end to end. */
    [[nodiscard]] const RunSplits &bestLaps() const;
    [[nodiscard]] std::optional<qint64> bestLapAt(qsizetype position) const;

Q_SIGNALS:
    void changed();

private:
    void reread();

    QPointer<QAbstractItemModel> m_sessions;
    QString m_name;
    QString m_ownId;
    QList<Run> m_runs;
    QList<qint64> m_bestLapTimes;
    RunSplits m_bestLaps;
};
