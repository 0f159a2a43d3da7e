// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Writes arbitrary bytes as the sessions file, opens the store on it and makes one change,
// which runs the write path with its handling of unreadable files.

#include "fuzzcheck.h"
#include "session.h"
#include "sessionmodel.h"
#include "sessionsfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdint>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Unlike contents(), an unreadable file breaks the run: it would pass for an empty input.
QByteArray readWhole(const QString &path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The store's warnings about the files it keeps aside are expected on every other input.
void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

// Whether the store may take the text whole, so that writing over it loses nothing.
bool isWholeEnvelope(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return false;
    }
    const QJsonValue sessions = document.object().value(u"sessions"_s);
    if (!sessions.isArray()) {
        return false;
    }
    const QJsonArray array = sessions.toArray();
    return std::all_of(array.begin(), array.end(), [](const QJsonValue &value) {
        return value.isObject();
    });
}
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    FUZZ_CHECK(useTestDataDir());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    FUZZ_CHECK(makeEmptyDataDir());
    FUZZ_CHECK(writeFile(sessionsPath(), bytes));

    SessionModel model;
    const int loaded = model.rowCount();
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    FUZZ_CHECK(loaded == document.object().value(u"sessions"_s).toArray().size());
    for (int row = 0; row < loaded; ++row) {
        const Session session = model.data(model.index(row, 0), SessionModel::SessionRole).value<Session>();
        for (const Lap &lap : session.laps()) {
            FUZZ_CHECK(lap.time() >= 0);
        }
        FUZZ_CHECK(model.data(model.index(row, 0)).toString() == QString::number(row + 1));
    }
    // Loading never writes.
    FUZZ_CHECK(readWhole(sessionsPath()) == bytes);

    Session added(1234, QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9), QTimeZone::UTC));
    added.setName(u"added"_s);
    added.addLap(Lap(1000));
    model.append(added);

    // The new file is complete and holds every row.
    QJsonParseError error;
    const QJsonDocument written = QJsonDocument::fromJson(readWhole(sessionsPath()), &error);
    FUZZ_CHECK(error.error == QJsonParseError::NoError);
    FUZZ_CHECK(isWholeEnvelope(readWhole(sessionsPath())));
    const QJsonArray sessions = written.object().value(u"sessions"_s).toArray();
    FUZZ_CHECK(sessions.size() == loaded + 1);
    const Session last = Session::fromJson(sessions.last().toObject());
    FUZZ_CHECK(last.name() == u"added"_s && last.time() == 1234 && last.date() == added.date() && last.laps().size() == 1);

    // Content the store could not take whole is kept byte for byte; usable content is not.
    const QStringList kept = QDir(dataDir()).entryList({u"sessions.json.broken-*"_s}, QDir::Files | QDir::Hidden);
    if (isWholeEnvelope(bytes)) {
        FUZZ_CHECK(kept.isEmpty());
    } else {
        FUZZ_CHECK(kept.size() == 1);
        FUZZ_CHECK(readWhole(dataDir() + u'/' + kept.first()) == bytes);
    }
    return 0;
}
