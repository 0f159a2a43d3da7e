// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lap.h"

#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Registered at start-up so that the type can also be found by its name.
void registerMetaType()
{
    qRegisterMetaType<Lap>();
}
}
Q_CONSTRUCTOR_FUNCTION(registerMetaType)

Lap::Lap(const QTime &time)
    : m_time(time)
{
}

QTime Lap::time() const
{
    return m_time;
}

QTime Lap::timeTo(const Lap &lap) const
{
    const int from = m_time.msecsSinceStartOfDay();
    const int to = lap.m_time.msecsSinceStartOfDay();
    return QTime(0, 0).addMSecs(to < from ? 0 : to - from);
}

QString Lap::relativeTime() const
{
    return m_relativeTime;
}

void Lap::setRelativeTime(const QString &text)
{
    m_relativeTime = text;
}

QString Lap::absoluteTime() const
{
    return m_absoluteTime;
}

void Lap::setAbsoluteTime(const QString &text)
{
    m_absoluteTime = text;
}

QString Lap::note() const
{
    return m_note;
}

void Lap::setNote(const QString &note)
{
    m_note = note;
}

void Lap::setTime(const QTime &time)
{
    m_time = time;
}

void Lap::toJson(QJsonObject &json) const
{
    json[u"time"_s] = m_time.msecsSinceStartOfDay();
    json[u"reltime"_s] = m_relativeTime;
    json[u"abstime"_s] = m_absoluteTime;
    json[u"note"_s] = m_note;
}

Lap Lap::fromJson(const QJsonObject &json)
{
    Lap lap = fromMilliseconds(json.value(u"time"_s).toInt(0));
    lap.setRelativeTime(json.value(u"reltime"_s).toString());
    lap.setAbsoluteTime(json.value(u"abstime"_s).toString());
    lap.setNote(json.value(u"note"_s).toString());
    return lap;
}

Lap Lap::fromMilliseconds(int ms)
{
    // QTime wraps at midnight, so a count of 25 hours lands at one o'clock.
    return Lap(ms < 0 ? QTime(0, 0) : QTime(0, 0).addMSecs(ms));
}
