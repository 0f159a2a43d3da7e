// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

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
 * A session is identified by its date alone: the session store finds the stored copy of a
 * window's session by comparing dates, so equality ignores every other field.
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

    [[nodiscard]] QList<Lap> laps() const;
    void addLap(const Lap &lap);

    // Forgets the time and the laps; name, note, date and the outdated flag stay.
    void clear();
    // Only the time counts: a session with laps but no time is empty.
    [[nodiscard]] bool isEmpty() const;

    // Whether a window's session differs from its stored copy. Never saved.
    [[nodiscard]] bool isOutdated() const;
    void setIsOutdated(bool outdated);

    void toJson(QJsonObject &json) const;
    [[nodiscard]] static Session fromJson(const QJsonObject &json);

    bool operator==(const Session &other) const;
    bool operator!=(const Session &other) const;

private:
    QString m_name;
    QString m_note;
    int m_time;
    QDateTime m_date;
    QList<Lap> m_laps;
    bool m_isOutdated = false;
};

Q_DECLARE_METATYPE(Session)
