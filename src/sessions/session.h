// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "comparisonchoice.h"
#include "lap.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

class QJsonObject;

/**
 * A saved stopwatch run: name, note, elapsed milliseconds, the date-time of its last save
 * and its laps.
 *
 * A session is identified by its id alone, which it keeps through renames and saves: the
 * session store finds the stored copy of a window's session by it, so equality ignores
 * every other field. The date cannot serve: the file keeps it to the second, while a
 * window's copy has it to the millisecond.
 */
class Session
{
public:
    explicit Session(int time = 0, const QDateTime &date = QDateTime::currentDateTime());

    [[nodiscard]] QString name() const;
    void setName(const QString &name);
    [[nodiscard]] QString note() const;
    void setNote(const QString &note);
    [[nodiscard]] int time() const;
    void setTime(int time);
    [[nodiscard]] QDateTime date() const;
    void setDate(const QDateTime &date);

    [[nodiscard]] QString id() const;
    void setId(const QString &id);
    // Whether the id was derived from the date because the session was read without one,
    // as sessions written by earlier versions are. Such an id is not stored yet.
    [[nodiscard]] bool hasDerivedId() const;

    /** What the run is compared with; kept with the session, ignored by older versions. */
    [[nodiscard]] ComparisonChoice comparison() const;
    void setComparison(const ComparisonChoice &comparison);

    [[nodiscard]] QList<Lap> laps() const;
    void addLap(const Lap &lap);

    /**
     * A session without times that stands for the next run of the activity @p name,
     * compared with its best run; a window shows it as a new run, not as stored times.
     */
    [[nodiscard]] static Session newRun(const QString &name);
    /** Whether this is such a new run: a name, but no times stored under it yet. */
    [[nodiscard]] bool isNewRun() const;
    /**
     * What a window shows once its run is reset: a new run that is reset is to be run again
     * and stays a new run of its activity, with its comparison; anything else leaves an
     * untitled session.
     */
    [[nodiscard]] Session afterReset() const;

    // Forgets the time and the laps; name, note, date, comparison and the outdated flag stay.
    void clear();
    // Only the time counts: a session with laps but no time is empty.
    [[nodiscard]] bool isEmpty() const;

    // Whether a window's session differs from its stored copy. Never saved.
    [[nodiscard]] bool isOutdated() const;
    void setIsOutdated(bool outdated);

    void toJson(QJsonObject &json) const;
    // A session without an id gets one derived from its date text, the same in every process
    // that reads the same file. @p sameDateBefore counts the sessions without an id and with
    // the same date text before this one in its file, so that such sessions differ.
    [[nodiscard]] static Session fromJson(const QJsonObject &json, int sameDateBefore = 0);

    bool operator==(const Session &other) const;
    bool operator!=(const Session &other) const;

private:
    QString m_name;
    QString m_note;
    int m_time;
    QDateTime m_date;
    QString m_id;
    QList<Lap> m_laps;
    ComparisonChoice m_comparison;
    bool m_isOutdated = false;
    bool m_hasDerivedId = false;
};

Q_DECLARE_METATYPE(Session)
