// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

class Lap;
struct WindowSnapshot;

/**
 * The lines of a journal's record file, which follows the journal's snapshot with one line
 * per user action, so that an action costs the same however many laps the window has.
 *
 * Each line is a JSON object after the CRC-32 of its bytes (eight hex digits and a space)
 * and ends with a line feed. A process killed while it appends leaves a last line without
 * its end; such a line is left out. Any other line that does not check out means the file
 * was damaged after it was written, and then nothing of it is trusted.
 *
 * The first line names the snapshot that the records continue: a new snapshot already holds
 * every record before it, and records of another snapshot are never applied. Each further
 * line carries the window's whole state after the action (stopwatch state and reading,
 * session, modified mark; all small) and the changes to the laps, in the order they were
 * made: laps inserted at a row, removed from a row, one lap replaced, all laps cleared, or
 * every lap's time since the start moved by an amount. A moved lap keeps the texts it was
 * shown with; the window forms them anew when it takes the laps back.
 */
class JournalRecords
{
public:
    /** @p object as one line of a record file. */
    [[nodiscard]] static QByteArray line(const QJsonObject &object);
    /** @p json, which must hold no line feed, as one line with its checksum. */
    [[nodiscard]] static QByteArray signedLine(QByteArrayView json);
    /** The first line of a record file that continues the snapshot of @p generation. */
    [[nodiscard]] static QByteArray header(const QString &generation);
    /** The record of one action: the window's @p state without its laps, and @p changes. */
    [[nodiscard]] static QJsonObject record(const WindowSnapshot &state, const QJsonArray &changes);

    [[nodiscard]] static QJsonObject inserted(int row, const QList<Lap> &laps);
    [[nodiscard]] static QJsonObject removed(int row, int count);
    [[nodiscard]] static QJsonObject replaced(int row, const Lap &lap);
    [[nodiscard]] static QJsonObject cleared();
    [[nodiscard]] static QJsonObject shifted(int milliseconds);

    /**
     * Applies the whole records in @p bytes to @p snapshot, which was written as
     * @p generation; each line costs the same, however many laps there are. Records of
     * another snapshot, or a file whose first line is not yet whole, change nothing.
     * @return false with @p reason when a line is damaged; @p snapshot is then half done.
     */
    [[nodiscard]] static bool apply(const QByteArray &bytes, const QString &generation, WindowSnapshot &snapshot, QString *reason);
};
