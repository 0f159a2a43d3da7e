// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Feeds arbitrary recovery journals to their reader: a snapshot, a NUL byte, then the
// record file. With the first byte odd, each whole record line gets its checksum, so the
// fuzzer reaches the records themselves instead of stopping at the checksum.
//
// Whatever the reader accepts must be a state a window can take, must read the same from
// its own snapshot form, and must still be readable when the records are cut at a line's
// end, as a kill leaves them.

#include "fuzzcheck.h"
#include "journalrecords.h"
#include "windowsnapshot.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

using namespace Qt::Literals::StringLiterals;

namespace
{
QByteArray signLines(const QByteArray &records)
{
    QByteArray signedRecords;
    qsizetype start = 0;
    for (qsizetype end = records.indexOf('\n'); end >= 0; start = end + 1, end = records.indexOf('\n', start)) {
        signedRecords += JournalRecords::signedLine(QByteArrayView(records).sliced(start, end - start));
    }
    return signedRecords + records.sliced(start);
}

void checkWindowState(const WindowSnapshot &snapshot)
{
    FUZZ_CHECK(snapshot.state == Stopwatch::Inactive || snapshot.state == Stopwatch::Running || snapshot.state == Stopwatch::Paused);
    FUZZ_CHECK(snapshot.elapsed >= 0);
    for (const Lap &lap : snapshot.laps) {
        FUZZ_CHECK(lap.time() >= 0);
    }

    QJsonObject json;
    snapshot.toJson(json);
    const std::optional<WindowSnapshot> again = WindowSnapshot::fromJson(json);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->state == snapshot.state && again->elapsed == snapshot.elapsed && again->recordedAt == snapshot.recordedAt);
    FUZZ_CHECK(again->modified == snapshot.modified && again->session.name() == snapshot.session.name());
    FUZZ_CHECK(again->laps.size() == snapshot.laps.size());
    for (qsizetype i = 0; i < snapshot.laps.size(); ++i) {
        FUZZ_CHECK(again->laps.at(i).time() == snapshot.laps.at(i).time() && again->laps.at(i).note() == snapshot.laps.at(i).note());
    }
}
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const bool signRecords = data[0] & 1;
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    const qsizetype separator = input.indexOf('\0');
    const QByteArray snapshotBytes = separator < 0 ? input : input.first(separator);
    QByteArray records = separator < 0 ? QByteArray() : input.sliced(separator + 1);
    if (signRecords) {
        records = signLines(records);
    }

    const QJsonObject json = QJsonDocument::fromJson(snapshotBytes).object();
    const std::optional<WindowSnapshot> snapshot = WindowSnapshot::fromJson(json);
    if (!snapshot) {
        return 0;
    }
    checkWindowState(*snapshot);

    const QString generation = json.value(u"records"_s).toString(u"g"_s);
    WindowSnapshot recovered = *snapshot;
    QString reason;
    if (!JournalRecords::apply(records, generation, recovered, &reason)) {
        FUZZ_CHECK(!reason.isEmpty());
        return 0;
    }
    checkWindowState(recovered);

    // A kill after any earlier line leaves records that read without damage.
    const qsizetype lastLineStart = records.lastIndexOf('\n', records.size() - 2) + 1;
    WindowSnapshot cut = *snapshot;
    FUZZ_CHECK(JournalRecords::apply(records.first(lastLineStart), generation, cut, &reason));
    checkWindowState(cut);
    return 0;
}
