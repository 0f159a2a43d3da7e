// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "lap.h"

#include <QList>
#include <QString>

/**
 * Reads laps back from a lap export: the JSON form, and the CSV form when its times are
 * complete (hours and milliseconds), since shorter times cannot be told apart after a
 * wrap at the hour. A note the CSV export kept from being run as a formula comes back
 * without the apostrophe the export added.
 *
 * A file is taken whole or not at all: anything that is not such an export, laps out of
 * order, times outside a day, or a file far larger than any real export gives a message
 * for the user and no laps.
 */
class LapImporter
{
public:
    struct Result {
        QList<Lap> laps;
        // Empty when the laps were read.
        QString error;
    };

    // Real exports stay far below this: 100,000 laps take about 10 MB of JSON.
    static constexpr qint64 MaximumFileSize = 32 * 1024 * 1024;

    [[nodiscard]] static Result readFile(const QString &fileName);
    [[nodiscard]] static Result readJson(const QByteArray &data);
    [[nodiscard]] static Result readCsv(const QByteArray &data);
};
