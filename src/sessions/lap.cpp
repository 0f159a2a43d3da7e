// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lap.h"

#include "stopwatch.h"

#include <QJsonObject>

#include <algorithm>

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

Lap::Lap(int time)
    : m_time(time)
{
}

int Lap::time() const
{
    return m_time;
}

int Lap::timeTo(const Lap &lap) const
{
    return lap.m_time < m_time ? 0 : lap.m_time - m_time;
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

void Lap::setTime(int time)
{
    m_time = time;
}

void Lap::toJson(QJsonObject &json) const
{
    json[u"time"_s] = m_time;
    json[u"reltime"_s] = m_relativeTime;
    json[u"abstime"_s] = m_absoluteTime;
    json[u"note"_s] = m_note;
}

Lap Lap::fromJson(const QJsonObject &json)
{
    Lap lap = fromMilliseconds(json.value(u"time"_s).toInteger(0));
    lap.setRelativeTime(json.value(u"reltime"_s).toString());
    lap.setAbsoluteTime(json.value(u"abstime"_s).toString());
    lap.setNote(json.value(u"note"_s).toString());
    return lap;
}

Lap Lap::fromMilliseconds(qint64 ms)
{
    return Lap(int(std::clamp<qint64>(ms, 0, Stopwatch::MaximumTime)));
}
