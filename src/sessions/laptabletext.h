// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

class LapModel;

/**
 * The laps as delimited text for spreadsheets: the lap table's columns in the order the
 * laps were taken, numbered as the table numbers them. The CSV export and Copy Laps both
 * write their rows here.
 *
 * Fields are quoted the way RFC 4180 wants it for CSV, and the same way with tabs, so a
 * note holding a separator, a quote or a line break stays one cell when pasted. A text that
 * a spreadsheet would run as a formula gets a leading apostrophe, so that it shows as text.
 */
class LapTableText
{
public:
    enum class Header {
        // A first row with the table's column titles.
        ColumnTitles,
        None,
    };

    // @p text as one field between @p separator characters.
    [[nodiscard]] static QString field(const QString &text, QChar separator = u',');
    // The text that field() wrote as @p cell, once a reader has taken its quotes away: the
    // apostrophe field() added goes, any other stays.
    [[nodiscard]] static QString cellText(const QString &cell);

    // Tab-separated rows ending in "\n": lap number, lap time, time since the start and note.
    [[nodiscard]] static QString toTabSeparated(const LapModel &model);
    // The same rows comma-separated, ending in "\r\n".
    [[nodiscard]] static QString toCsv(const LapModel &model, Header header = Header::ColumnTitles);

private:
    [[nodiscard]] static QString toDelimited(const LapModel &model, QChar separator, QLatin1StringView lineEnd, Header header);
};
