// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "session.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Registered at start-up so that the type can also be found by its name.
void registerMetaType()
{
    qRegisterMetaType<Session>();
}
}
Q_CONSTRUCTOR_FUNCTION(registerMetaType)

Session::Session(int time, const QDateTime &date)
    : m_time(time)
    , m_date(date)
{
}

QString Session::name() const
{
    return m_name;
}

void Session::setName(const QString &name)
{
    m_name = name;
}

QString Session::note() const
{
    return m_note;
}

void Session::setNote(const QString &note)
{
    m_note = note;
}

int Session::time() const
{
    return m_time;
}

void Session::setTime(int time)
{
    m_time = time;
}

QDateTime Session::date() const
{
    return m_date;
}

void Session::setDate(const QDateTime &date)
{
    m_date = date;
}

QList<Lap> Session::laps() const
{
    return m_laps;
}

void Session::addLap(const Lap &lap)
{
    m_laps.append(lap);
}

void Session::clear()
{
    m_time = 0;
    m_laps.clear();
}

bool Session::isEmpty() const
{
    return m_time == 0;
}

bool Session::isOutdated() const
{
    return m_isOutdated;
}

void Session::setIsOutdated(bool outdated)
{
    m_isOutdated = outdated;
}

void Session::toJson(QJsonObject &json) const
{
    json[u"name"_s] = m_name;
    json[u"note"_s] = m_note;
    json[u"time"_s] = m_time;
    json[u"date"_s] = m_date.toString(Qt::ISODate);

    QJsonArray laps;
    for (const Lap &lap : m_laps) {
        QJsonObject object;
        lap.toJson(object);
        laps.append(object);
    }
    json[u"laps"_s] = laps;
}

Session Session::fromJson(const QJsonObject &json)
{
    Session session;
    session.setName(json.value(u"name"_s).toString());
    session.setNote(json.value(u"note"_s).toString());
    session.setTime(json.value(u"time"_s).toInt(0));
    // A missing or malformed date leaves an invalid date-time rather than "now": the
    // session must not pass for one saved at the moment it was read.
    session.setDate(QDateTime::fromString(json.value(u"date"_s).toString(), Qt::ISODate));

    const QJsonArray laps = json.value(u"laps"_s).toArray();
    for (const QJsonValue &lap : laps) {
        session.addLap(Lap::fromJson(lap.toObject()));
    }
    return session;
}

bool Session::operator==(const Session &other) const
{
    return m_date == other.m_date;
}

bool Session::operator!=(const Session &other) const
{
    return !(*this == other);
}
