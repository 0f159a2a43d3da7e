// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QJsonObject>
#include <QObject>

class LapModel;
class QTextStream;
class QWidget;

/**
 * Writes the laps of a lap model to a file the user picks, as CSV or as JSON, in the order
 * the laps were taken, whatever the table's sorting and hidden columns. LapImporter reads
 * both forms back.
 *
 * The file is replaced only when every byte of it was written; a failure is told to the
 * user in a message box over the window given.
 */
class LapExporter : public QObject
{
    Q_OBJECT

public:
    LapExporter(const LapModel *model, QWidget *window);

    // Opens the file dialog without blocking; the laps are written once a file is chosen.
    void askForFile();

    // Writes the laps to @p fileName, with ".csv" or ".json" added when it does not end so,
    // for @p mimeType "text/csv" or "application/json"; other types write nothing.
    void exportLapsAs(const QString &fileName, const QString &mimeType);

    // Two comment lines (when and what), then the rows of LapTableText::toCsv(): one line a
    // lap, numbered as the table numbers them.
    static void writeCsv(const LapModel &model, QTextStream &out);
    // The laps under "laps", each in its stored form.
    [[nodiscard]] static QJsonObject toJson(const LapModel &model);

private:
    const LapModel *m_model;
    QWidget *m_window;
};
