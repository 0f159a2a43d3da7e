// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "windowsnapshot.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Raised whenever a reader of an older version could misread a newer record.
constexpr int formatVersion = 1;

QString stateName(Stopwatch::State state)
{
    switch (state) {
    case Stopwatch::Running:
        return u"running"_s;
    case Stopwatch::Paused:
        return u"paused"_s;
    case Stopwatch::Inactive:
        break;
    }
    return u"inactive"_s;
}

std::optional<Stopwatch::State> stateFromName(const QString &name)
{
    if (name == "running"_L1) {
        return Stopwatch::Running;
    }
    if (name == "paused"_L1) {
        return Stopwatch::Paused;
    }
    if (name == "inactive"_L1) {
        return Stopwatch::Inactive;
    }
    return std::nullopt;
}

bool isWholeNumber(const QJsonValue &value)
{
    return value.isDouble() && value.toDouble() == double(value.toInteger());
}
}

void WindowSnapshot::toJson(QJsonObject &json) const
{
    json[u"format"_s] = formatVersion;
    json[u"boot"_s] = bootId;
    stateToJson(json);

    QJsonArray lapsJson;
    for (const Lap &lap : laps) {
        QJsonObject lapJson;
        lap.toJson(lapJson);
        lapsJson.append(lapJson);
    }
    json[u"laps"_s] = lapsJson;
}

void WindowSnapshot::stateToJson(QJsonObject &json) const
{
    json[u"state"_s] = stateName(state);
    json[u"elapsed"_s] = elapsed;
    json[u"monotonic"_s] = recordedAt;

    // The stored laps of the session are not the window's; those follow under "laps".
    Session bare = session;
    bare.clear();
    bare.setTime(session.time());
    QJsonObject sessionJson;
    bare.toJson(sessionJson);
    sessionJson.remove(u"laps"_s);
    json[u"session"_s] = sessionJson;
    json[u"outdated"_s] = session.isOutdated();
    json[u"modified"_s] = modified;
    if (!title.isEmpty()) {
        json[u"title"_s] = title;
    }
}

bool WindowSnapshot::readState(const QJsonObject &json)
{
    const auto readState = stateFromName(json.value(u"state"_s).toString());
    const QJsonValue readElapsed = json.value(u"elapsed"_s);
    const QJsonValue monotonic = json.value(u"monotonic"_s);
    if (!readState || !isWholeNumber(readElapsed) || readElapsed.toInteger() < 0 || readElapsed.toInteger() > Stopwatch::MaximumTime
        || !isWholeNumber(monotonic) || !json.value(u"session"_s).isObject() || !json.value(u"modified"_s).isBool() || !json.value(u"outdated"_s).isBool()
        || !(json.value(u"title"_s).isUndefined() || json.value(u"title"_s).isString())) {
        return false;
    }
    state = *readState;
    elapsed = int(readElapsed.toInteger());
    recordedAt = monotonic.toInteger();
    session = Session::fromJson(json.value(u"session"_s).toObject());
    session.setIsOutdated(json.value(u"outdated"_s).toBool());
    modified = json.value(u"modified"_s).toBool();
    title = json.value(u"title"_s).toString();
    return true;
}

std::optional<WindowSnapshot> WindowSnapshot::fromJson(const QJsonObject &json)
{
    // A record the program did not write whole is not guessed at: half a record could bring
    // back a window with times the user never had.
    if (json.value(u"format"_s).toInt() != formatVersion || !json.value(u"boot"_s).isString() || !json.value(u"laps"_s).isArray()) {
        return std::nullopt;
    }
    const QJsonArray lapsJson = json.value(u"laps"_s).toArray();
    if (!std::all_of(lapsJson.begin(), lapsJson.end(), [](const QJsonValue &lap) {
            return lap.isObject();
        })) {
        return std::nullopt;
    }

    WindowSnapshot snapshot;
    if (!snapshot.readState(json)) {
        return std::nullopt;
    }
    snapshot.bootId = json.value(u"boot"_s).toString();
    snapshot.laps.reserve(lapsJson.size());
    for (const QJsonValue &lap : lapsJson) {
        snapshot.laps.append(Lap::fromJson(lap.toObject()));
    }
    return snapshot;
}

WindowSnapshot WindowSnapshot::continuedAt(const QString &currentBoot, qint64 now) const
{
    WindowSnapshot continued = *this;
    continued.bootId = currentBoot;
    continued.recordedAt = now;
    if (state != Stopwatch::Running) {
        return continued;
    }
    // A clock that went backwards also means another boot, whatever the identity says.
    if (bootId.isEmpty() || bootId != currentBoot || now < recordedAt) {
        continued.state = Stopwatch::Paused;
        return continued;
    }
    continued.elapsed = int(std::min<qint64>(qint64(elapsed) + (now - recordedAt), Stopwatch::MaximumTime));
    return continued;
}

bool WindowSnapshot::holdsTimes(Stopwatch::State state, qint64 elapsed, qsizetype laps)
{
    return state == Stopwatch::Running || (state == Stopwatch::Paused && (elapsed > 0 || laps > 0));
}

bool WindowSnapshot::holdsTimes() const
{
    return holdsTimes(state, elapsed, laps.size());
}

QString WindowSnapshot::currentBootId()
{
    static const QString id = [] {
        QFile file(u"/proc/sys/kernel/random/boot_id"_s);
        if (!file.open(QIODevice::ReadOnly)) {
            return QString();
        }
        return QString::fromLatin1(file.readAll().trimmed());
    }();
    return id;
}

qint64 WindowSnapshot::monotonicNow()
{
    QElapsedTimer timer;
    timer.start();
    return timer.msecsSinceReference();
}
