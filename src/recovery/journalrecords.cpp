// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "journalrecords.h"

#include "lap.h"
#include "stopwatch.h"
#include "windowsnapshot.h"

#include <KLocalizedString>

#include <QJsonDocument>

#include <array>
#include <cmath>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr qsizetype checksumDigits = 8;

quint32 crc32(QByteArrayView bytes)
{
    static const auto table = [] {
        std::array<quint32, 256> entries{};
        for (quint32 n = 0; n < entries.size(); ++n) {
            quint32 value = n;
            for (int bit = 0; bit < 8; ++bit) {
                value = (value & 1) ? 0xedb88320u ^ (value >> 1) : value >> 1;
            }
            entries[n] = value;
        }
        return entries;
    }();
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc = table[(crc ^ quint8(byte)) & 0xff] ^ (crc >> 8);
    }
    return crc ^ 0xffffffffu;
}

QByteArray checksumOf(QByteArrayView bytes)
{
    return QByteArray::number(crc32(bytes), 16).rightJustified(checksumDigits, '0');
}

// The object of one whole line, or nullopt when the line is not as it was written.
std::optional<QJsonObject> objectOf(QByteArrayView line)
{
    if (line.size() <= checksumDigits + 1 || line.at(checksumDigits) != ' ') {
        return std::nullopt;
    }
    const QByteArrayView json = line.sliced(checksumDigits + 1);
    if (line.first(checksumDigits).toByteArray() != checksumOf(json)) {
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromRawData(json.data(), json.size()), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

// A row number as a record can hold it: a whole number within 0..limit.
std::optional<int> rowOf(const QJsonValue &value, qsizetype limit)
{
    if (!value.isDouble() || value.toDouble() != double(value.toInteger()) || value.toInteger() < 0 || value.toInteger() > limit) {
        return std::nullopt;
    }
    return int(value.toInteger());
}

bool applyChange(const QJsonObject &change, QList<Lap> &laps)
{
    const qsizetype size = laps.size();
    if (change.contains(u"insert"_s)) {
        const auto row = rowOf(change.value(u"insert"_s), size);
        const QJsonValue inserted = change.value(u"laps"_s);
        if (!row || !inserted.isArray() || inserted.toArray().isEmpty()) {
            return false;
        }
        const QJsonArray lapsJson = inserted.toArray();
        QList<Lap> added;
        added.reserve(lapsJson.size());
        for (const QJsonValue &lap : lapsJson) {
            if (!lap.isObject()) {
                return false;
            }
            added.append(Lap::fromJson(lap.toObject()));
        }
        // Laps are taken at the end, where inserting costs nothing for those before.
        if (*row == size) {
            laps.append(added);
        } else {
            for (qsizetype n = 0; n < added.size(); ++n) {
                laps.insert(*row + n, added.at(n));
            }
        }
        return true;
    }
    if (change.contains(u"remove"_s)) {
        const auto row = rowOf(change.value(u"remove"_s), size);
        const auto count = rowOf(change.value(u"count"_s), size);
        if (!row || !count || *count == 0 || *row + *count > size) {
            return false;
        }
        laps.remove(*row, *count);
        return true;
    }
    if (change.contains(u"replace"_s)) {
        const auto row = rowOf(change.value(u"replace"_s), size - 1);
        if (!row || !change.value(u"lap"_s).isObject()) {
            return false;
        }
        laps[*row] = Lap::fromJson(change.value(u"lap"_s).toObject());
        return true;
    }
    if (change.contains(u"shift"_s)) {
        const QJsonValue amount = change.value(u"shift"_s);
        if (!amount.isDouble() || amount.toDouble() != double(amount.toInteger()) || std::abs(amount.toInteger()) > Stopwatch::MaximumTime) {
            return false;
        }
        const int milliseconds = int(amount.toInteger());
        // Checked whole first: a record that would move a lap out of the stopwatch's range
        // changes nothing.
        for (const Lap &lap : std::as_const(laps)) {
            const qint64 moved = qint64(lap.time()) + milliseconds;
            if (moved < 0 || moved > Stopwatch::MaximumTime) {
                return false;
            }
        }
        for (Lap &lap : laps) {
            lap.setTime(lap.time() + milliseconds);
        }
        return true;
    }
    if (change.value(u"clear"_s) == QJsonValue(true)) {
        laps.clear();
        return true;
    }
    return false;
}

bool applyRecord(const QJsonObject &record, WindowSnapshot &snapshot)
{
    const QJsonValue changes = record.value(u"changes"_s);
    if (!changes.isArray()) {
        return false;
    }
    WindowSnapshot state;
    if (!state.readState(record)) {
        return false;
    }
    const QJsonArray changeList = changes.toArray();
    for (const QJsonValue &change : changeList) {
        if (!change.isObject() || !applyChange(change.toObject(), snapshot.laps)) {
            return false;
        }
    }
    state.bootId = snapshot.bootId;
    state.laps = std::move(snapshot.laps);
    snapshot = std::move(state);
    return true;
}
}

QByteArray JournalRecords::line(const QJsonObject &object)
{
    // Compact JSON escapes every line feed inside strings, so the line's end is its only one.
    return signedLine(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QByteArray JournalRecords::signedLine(QByteArrayView json)
{
    return checksumOf(json) + ' ' + json.toByteArray() + '\n';
}

QByteArray JournalRecords::header(const QString &generation)
{
    return line(QJsonObject{{u"snapshot"_s, generation}});
}

QJsonObject JournalRecords::record(const WindowSnapshot &state, const QJsonArray &changes)
{
    QJsonObject json;
    state.stateToJson(json);
    json[u"changes"_s] = changes;
    return json;
}

QJsonObject JournalRecords::inserted(int row, const QList<Lap> &laps)
{
    QJsonArray lapsJson;
    for (const Lap &lap : laps) {
        QJsonObject lapJson;
        lap.toJson(lapJson);
        lapsJson.append(lapJson);
    }
    return QJsonObject{{u"insert"_s, row}, {u"laps"_s, lapsJson}};
}

QJsonObject JournalRecords::removed(int row, int count)
{
    return QJsonObject{{u"remove"_s, row}, {u"count"_s, count}};
}

QJsonObject JournalRecords::replaced(int row, const Lap &lap)
{
    QJsonObject lapJson;
    lap.toJson(lapJson);
    return QJsonObject{{u"replace"_s, row}, {u"lap"_s, lapJson}};
}

QJsonObject JournalRecords::cleared()
{
    return QJsonObject{{u"clear"_s, true}};
}

QJsonObject JournalRecords::shifted(int milliseconds)
{
    return QJsonObject{{u"shift"_s, milliseconds}};
}

bool JournalRecords::apply(const QByteArray &bytes, const QString &generation, WindowSnapshot &snapshot, QString *reason)
{
    int lineNumber = 0;
    qsizetype start = 0;
    // Only lines with their end count; what follows the last one was cut off by a kill.
    for (qsizetype end = bytes.indexOf('\n'); end >= 0; start = end + 1, end = bytes.indexOf('\n', start)) {
        ++lineNumber;
        const std::optional<QJsonObject> object = objectOf(QByteArrayView(bytes).sliced(start, end - start));
        bool whole = object.has_value();
        if (whole && lineNumber == 1) {
            whole = object->value(u"snapshot"_s).isString();
            if (whole && object->value(u"snapshot"_s).toString() != generation) {
                // Left from before the snapshot was last written, which holds them all.
                return true;
            }
        } else if (whole) {
            whole = applyRecord(*object, snapshot);
        }
        if (!whole) {
            *reason = i18n("Line %1 of the records is damaged.", lineNumber);
            return false;
        }
    }
    return true;
}
