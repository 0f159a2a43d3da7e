// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "comparisonchoice.h"

#include "lap.h"
#include "stopwatch.h"

#include <QJsonArray>
#include <QJsonObject>

#include <array>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace
{
const QString key = u"compareWith"_s;

constexpr std::array<std::pair<ComparisonChoice::Kind, QStringView>, 5> kindNames{{
    {ComparisonChoice::None, u"none"},
    {ComparisonChoice::PreviousRun, u"previous"},
    {ComparisonChoice::BestRun, u"best"},
    {ComparisonChoice::BestLaps, u"bestLaps"},
    {ComparisonChoice::Chosen, u"session"},
}};
}

ComparisonChoice::ComparisonChoice(Kind kind)
    : m_kind(kind == Chosen ? None : kind)
{
}

ComparisonChoice::ComparisonChoice(const QString &title, const QList<qint64> &lapsSinceStart)
    : m_kind(Chosen)
    , m_title(title)
    , m_lapsSinceStart(lapsSinceStart)
{
}

ComparisonChoice ComparisonChoice::ofLaps(const QString &title, const QList<Lap> &laps)
{
    QList<qint64> sinceStart;
    sinceStart.reserve(laps.size());
    for (const Lap &lap : laps) {
        sinceStart.append(lap.time());
    }
    return ComparisonChoice(title, sinceStart);
}

ComparisonChoice::Kind ComparisonChoice::kind() const
{
    return m_kind;
}

QString ComparisonChoice::title() const
{
    return m_title;
}

QList<qint64> ComparisonChoice::lapsSinceStart() const
{
    return m_lapsSinceStart;
}

QString ComparisonChoice::kindName(Kind kind)
{
    for (const auto &[known, name] : kindNames) {
        if (known == kind) {
            return name.toString();
        }
    }
    return kindNames.front().second.toString();
}

ComparisonChoice::Kind ComparisonChoice::kindFromName(const QString &name, bool *known)
{
    for (const auto &[kind, kindName] : kindNames) {
        if (kindName == name) {
            if (known) {
                *known = true;
            }
            return kind;
        }
    }
    if (known) {
        *known = false;
    }
    return None;
}

void ComparisonChoice::toJson(QJsonObject &json) const
{
    if (m_kind == None) {
        json.remove(key);
        return;
    }
    QJsonObject choice{{u"kind"_s, kindName(m_kind)}};
    if (m_kind == Chosen) {
        choice[u"title"_s] = m_title;
        QJsonArray laps;
        for (const qint64 lap : m_lapsSinceStart) {
            laps.append(lap);
        }
        choice[u"laps"_s] = laps;
    }
    json[key] = choice;
}

ComparisonChoice ComparisonChoice::fromJson(const QJsonObject &json)
{
    const QJsonObject choice = json.value(key).toObject();
    bool known = false;
    const Kind kind = kindFromName(choice.value(u"kind"_s).toString(), &known);
    if (!known || kind == None) {
        return {};
    }
    if (kind != Chosen) {
        return ComparisonChoice(kind);
    }
    QList<qint64> laps;
    qint64 previous = 0;
    const QJsonArray array = choice.value(u"laps"_s).toArray();
    for (const QJsonValue &value : array) {
        // A damaged time must not give a lap that ends before the one before it, nor one
        // the stopwatch cannot hold, whose differences and sums would overflow.
        const qint64 lap = value.toInteger(-1);
        if (lap < previous || lap > Stopwatch::MaximumTime) {
            return {};
        }
        laps.append(lap);
        previous = lap;
    }
    return ComparisonChoice(choice.value(u"title"_s).toString(), laps);
}
