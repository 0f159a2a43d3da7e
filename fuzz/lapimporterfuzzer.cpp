// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Feeds arbitrary bytes to both readers of Import Laps. Whatever a reader accepts must be
// a run that could have been recorded, and must read back unchanged from its own JSON form.

#include "fuzzcheck.h"
#include "lapimporter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

using namespace Qt::Literals::StringLiterals;

namespace
{
void checkResult(const LapImporter::Result &result)
{
    // A file is taken whole or refused with a reason, never both and never neither.
    FUZZ_CHECK(result.error.isEmpty() != result.laps.isEmpty());
    if (!result.error.isEmpty()) {
        return;
    }

    QJsonArray array;
    int previous = 0;
    for (const Lap &lap : result.laps) {
        const int ms = lap.time();
        FUZZ_CHECK(ms >= 0);
        FUZZ_CHECK(ms >= previous);
        previous = ms;
        QJsonObject object;
        lap.toJson(object);
        array.append(object);
    }

    const LapImporter::Result again = LapImporter::readJson(QJsonDocument(QJsonObject{{u"laps"_s, array}}).toJson(QJsonDocument::Compact));
    FUZZ_CHECK(again.error.isEmpty());
    FUZZ_CHECK(again.laps.size() == result.laps.size());
    for (qsizetype i = 0; i < result.laps.size(); ++i) {
        const Lap &a = result.laps.at(i);
        const Lap &b = again.laps.at(i);
        FUZZ_CHECK(a.time() == b.time() && a.note() == b.note() && a.relativeTime() == b.relativeTime() && a.absoluteTime() == b.absoluteTime());
    }
}
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (qint64(size) > LapImporter::MaximumFileSize) {
        return 0;
    }
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    checkResult(LapImporter::readJson(bytes));
    checkResult(LapImporter::readCsv(bytes));
    return 0;
}
