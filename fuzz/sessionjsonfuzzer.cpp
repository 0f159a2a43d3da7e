// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Feeds arbitrary JSON objects to Session::fromJson and Lap::fromJson and checks that what
// they make survives a round trip through toJson unchanged.

#include "fuzzcheck.h"
#include "lap.h"
#include "session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

using namespace Qt::Literals::StringLiterals;

namespace
{
bool sameLap(const Lap &a, const Lap &b)
{
    return a.time() == b.time() && a.relativeTime() == b.relativeTime() && a.absoluteTime() == b.absoluteTime() && a.note() == b.note();
}

void checkLap(const Lap &lap)
{
    FUZZ_CHECK(lap.time() >= 0);

    QJsonObject json;
    lap.toJson(json);
    const Lap again = Lap::fromJson(json);
    FUZZ_CHECK(sameLap(lap, again));

    QJsonObject jsonAgain;
    again.toJson(jsonAgain);
    FUZZ_CHECK(json == jsonAgain);

    // The time since an earlier lap is never negative and never past the stopwatch's range.
    const int span = Lap().timeTo(lap);
    FUZZ_CHECK(span >= 0 && span == lap.time());
    FUZZ_CHECK(lap.timeTo(Lap()) == 0);
}

void checkSession(const QJsonObject &object)
{
    const Session session = Session::fromJson(object);
    FUZZ_CHECK(!session.isOutdated());
    const QList<Lap> laps = session.laps();
    FUZZ_CHECK(laps.size() == object.value(u"laps"_s).toArray().size());
    for (const Lap &lap : laps) {
        checkLap(lap);
    }

    QJsonObject json;
    session.toJson(json);
    const Session again = Session::fromJson(json);
    FUZZ_CHECK(again.name() == session.name());
    FUZZ_CHECK(again.note() == session.note());
    FUZZ_CHECK(again.time() == session.time());
    FUZZ_CHECK(again.date().isValid() == session.date().isValid());
    if (session.date().isValid()) {
        // The file keeps whole seconds only; before 1970 whole seconds are not the truncated
        // count of seconds since the epoch, so the milliseconds are taken off the clock time.
        const QDateTime wholeSeconds = session.date().addMSecs(-session.date().time().msec());
        FUZZ_CHECK(again.date() == wholeSeconds);
        FUZZ_CHECK(again.date().offsetFromUtc() == session.date().offsetFromUtc());
    }
    const QList<Lap> lapsAgain = again.laps();
    FUZZ_CHECK(lapsAgain.size() == laps.size());
    for (qsizetype i = 0; i < laps.size(); ++i) {
        FUZZ_CHECK(sameLap(laps.at(i), lapsAgain.at(i)));
    }

    // After one trip the text is settled: reading and writing again changes nothing.
    QJsonObject jsonAgain;
    again.toJson(jsonAgain);
    FUZZ_CHECK(json == jsonAgain);
}

void checkObject(const QJsonObject &object)
{
    checkSession(object);
    checkLap(Lap::fromJson(object));
}
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (document.isObject()) {
        checkObject(document.object());
    } else if (document.isArray()) {
        const QJsonArray array = document.array();
        for (const QJsonValue &value : array) {
            checkObject(value.toObject());
        }
    }
    return 0;
}
