// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "lap.h"
#include "timeformat.h"

#include <QAbstractTableModel>
#include <QList>

/**
 * The laps of one stopwatch as a table: lap number, time since the previous lap, time
 * since the start and the user's note, which is the only editable cell.
 *
 * Every lap handed out carries its two time texts in the current format; they are formed
 * when the lap comes in and formed anew for all laps when the format changes. When all
 * times move at once (an adjustment of a long run), only the times are moved: each lap's
 * time since the start is formed anew when it is first asked for, which the table does
 * for the few rows it shows, so moving 100,000 laps costs no 100,000 texts.
 */
class LapModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Column c shows the role Qt::UserRole + c; LapRole has no column.
    enum Roles {
        LapNumberRole = Qt::UserRole,
        RelativeTimeRole,
        AbsoluteTimeRole,
        NoteRole,
        LapRole,
    };
    Q_ENUM(Roles)

    explicit LapModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Adds @p lap as the last row with freshly formatted time texts; its note is kept.
    void append(const Lap &lap);
    /**
     * Adds @p laps after the last row as one insertion, formatted as append() does: the
     * analysis, the comparison and the views take them in at once instead of lap by lap,
     * which for a long run is the difference between linear and quadratic work.
     */
    void appendLaps(const QList<Lap> &laps);
    void setTimeFormat(const TimeFormat &format);
    [[nodiscard]] TimeFormat timeFormat() const;
    [[nodiscard]] bool isEmpty() const;
    // The column that shows @p role, or -1.
    [[nodiscard]] int columnForRole(int role) const;

    // The lap of @p row with its note; a default lap outside the rows.
    [[nodiscard]] Lap lap(int row) const;
    // The time since the start of the lap of @p row in milliseconds, 0 outside the rows.
    [[nodiscard]] int sinceStart(int row) const;

    /**
     * Puts @p lap in at @p row (0 … rowCount()), texts formatted afresh; the lap after it
     * gets its time since the previous lap anew. Nothing checks that the times stay in
     * order: the caller puts a lap back where it was.
     */
    void insertLap(int row, const Lap &lap);
    /** Takes the lap of @p row out; the lap after it now counts from the one before. */
    Lap removeLap(int row);
    /** Sets the note of @p row as an undo or a merge does: no noteEdited(). */
    void setNote(int row, const QString &note);
    /**
     * Moves the time since the start of every lap by @p milliseconds; none may end below
     * zero or past Stopwatch::MaximumTime. Announces timesShifted(), then the changed rows.
     */
    void shiftTimes(int milliseconds);

public Q_SLOTS:
    void addLap(int sinceStart);
    void clear();

Q_SIGNALS:
    // The note of @p row now reads differently; an editor closed without a change is no edit.
    void noteEdited(int row, const QString &previousNote);
    // Every lap's time since the start moved by @p milliseconds; dataChanged() over all rows
    // follows at once.
    void timesShifted(int milliseconds);

private:
    [[nodiscard]] Lap formatted(const Lap &lap, const Lap *previous) const;
    void reformatRow(int row);
    // The lap of @p row, a valid row, with its time since the start formed if it moved.
    const Lap &formedLap(int row) const;

    const QList<int> m_roles;
    // Mutable for the texts that are formed when first asked for.
    mutable QList<Lap> m_laps;
    // Per row, the number of shifts its absolute-time text was formed after.
    mutable QList<quint32> m_formedAfter;
    quint32 m_shifts = 0;
    TimeFormat m_timeFormat;
};
