// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "session.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUuid>

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

namespace
{
QString derivedId(const QString &dateText, int sameDateBefore)
{
    // A fixed namespace: every process derives the same id from the same date text, so a
    // session read in two processes before either stored its id is one session for both.
    static const QUuid space(u"2c854d05-4789-4941-9fa2-88939bdc9fcf"_s);
    return QUuid::createUuidV5(space, dateText + u'#' + QString::number(sameDateBefore)).toString(QUuid::WithoutBraces);
}
}

Session::Session(int time, const QDateTime &date)
    : m_time(time)
    , m_date(date)
    , m_id(QUuid::createUuid().toString(QUuid::WithoutBraces))
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

QString Session::id() const
{
    return m_id;
}

void Session::setId(const QString &id)
{
    m_id = id;
    m_hasDerivedId = false;
}

bool Session::hasDerivedId() const
{
    return m_hasDerivedId;
}

ComparisonChoice Session::comparison() const
{
    return m_comparison;
}

void Session::setComparison(const ComparisonChoice &comparison)
{
    m_comparison = comparison;
}

QList<Lap> Session::laps() const
{
    return m_laps;
}

void Session::addLap(const Lap &lap)
{
    m_laps.append(lap);
}

Session Session::newRun(const QString &name)
{
    Session session(0, QDateTime::currentDateTime());
    session.setName(name);
    session.setComparison(ComparisonChoice(ComparisonChoice::BestRun));
    return session;
}

bool Session::isNewRun() const
{
    return isEmpty() && !m_name.isEmpty();
}

Session Session::afterReset() const
{
    if (!isNewRun()) {
        return Session(0, QDateTime::currentDateTime());
    }
    Session next = newRun(m_name);
    next.setComparison(m_comparison);
    return next;
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
    json[u"id"_s] = m_id;
    json[u"name"_s] = m_name;
    json[u"note"_s] = m_note;
    json[u"time"_s] = m_time;
    // With its offset: a local time alone names two moments in the hour the clocks go back.
    json[u"date"_s] = m_date.toOffsetFromUtc(m_date.offsetFromUtc()).toString(Qt::ISODate);

    QJsonArray laps;
    for (const Lap &lap : m_laps) {
        QJsonObject object;
        lap.toJson(object);
        laps.append(object);
    }
    json[u"laps"_s] = laps;
    m_comparison.toJson(json);
}

Session Session::fromJson(const QJsonObject &json, int sameDateBefore)
{
    Session session;
    const QString id = json.value(u"id"_s).toString();
    if (id.isEmpty()) {
        // The raw text, so that a date that cannot be read still gives the same id each time.
        const QJsonValue date = json.value(u"date"_s);
        session.m_id = derivedId(date.isString() ? date.toString() : QString(), sameDateBefore);
        session.m_hasDerivedId = true;
    } else {
        session.m_id = id;
    }
    session.setName(json.value(u"name"_s).toString());
    session.setNote(json.value(u"note"_s).toString());
    session.setTime(json.value(u"time"_s).toInt(0));
    // A missing or malformed date leaves an invalid date-time rather than "now": the
    // session must not pass for one saved at the moment it was read. A date without an offset,
    // as earlier versions wrote it, is a local time; one with an offset is shown in the
    // user's zone as well, unless that takes it past the years a date text can hold.
    const QDateTime date = QDateTime::fromString(json.value(u"date"_s).toString(), Qt::ISODate);
    const QDateTime local = date.toLocalTime();
    session.setDate(date.timeSpec() == Qt::LocalTime || local.date().toString(Qt::ISODate).isEmpty() ? date : local);

    const QJsonArray laps = json.value(u"laps"_s).toArray();
    for (const QJsonValue &lap : laps) {
        session.addLap(Lap::fromJson(lap.toObject()));
    }
    session.m_comparison = ComparisonChoice::fromJson(json);
    return session;
}

bool Session::operator==(const Session &other) const
{
    return m_id == other.m_id;
}

bool Session::operator!=(const Session &other) const
{
    return !(*this == other);
}
