// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "lap.h"

#include <QKeySequence>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <optional>

class LapAnalysisModel;
class LapItemDelegate;
class LapModel;
class LapSummary;
class LiveLapModel;
class QAbstractProxyModel;
class QAction;
class QItemSelectionModel;
class QSortFilterProxyModel;
class QTableView;
class RunningLap;

/**
 * The lap side of a stopwatch window: the lap table with its note editor, the analysis of
 * the laps that marks, sorts and sums them up, and the summary strip below the table.
 *
 * The window owns the lap model and the actions and gives the pane what it needs: the Lap
 * action, whose Return and Enter a note editor borrows while it is open, and the commands
 * that copy and import laps, which end here. The pane knows neither the window nor the
 * settings; the window passes the settings on and opens imported laps where it likes.
 */
class LapPane : public QWidget
{
    Q_OBJECT

public:
    LapPane(LapModel *model, QWidget *parent);
    ~LapPane() override;

    // The action whose keys a note editor takes while it is open.
    void setLapAction(QAction *lapAction);
    /** With false, Return and Enter are left to a lap note editor instead of taking laps. */
    void setLapShortcutsEnabled(bool enabled);

    // The table and its summary, or nothing at all while laps are not recorded.
    void setLapsShown(bool shown);
    [[nodiscard]] bool areLapsShown() const;
    void setSummaryExpanded(bool expanded);
    void setFastestSlowestMarked(bool marked);
    void setMeanDifferenceShown(bool shown);
    void setColumnsShown(bool absoluteTimes, bool notes);

    [[nodiscard]] LapItemDelegate *noteDelegate() const;
    /** The table's selection, of its sorted rows. */
    [[nodiscard]] QItemSelectionModel *selectionModel() const;
    /** Commands on the selected laps, offered in the table's context menu. */
    void addTableActions(const QList<QAction *> &actions);
    /** The laps with their analysis, which the table shows. */
    [[nodiscard]] LapAnalysisModel *analysisModel() const;
    /** Shows @p model in the table instead: a proxy over analysisModel() that adds to it. */
    void setTableModel(QAbstractProxyModel *model);
    /** Places more figures in the summary strip. */
    void addSummaryFigures(QWidget *figures);
    /**
     * Shows @p runningLap as a row of its own at the newest end of the table, following the
     * ticks given to setTime(). It is no lap: nothing that reads the laps sees it.
     */
    void setRunningLap(RunningLap *runningLap);
    /** Whether the running lap's row is wanted; it shows only while the laps do. */
    void setRunningLapShown(bool shown);
    [[nodiscard]] bool isRunningLapShown() const;
    // A chart of the same laps, for the window to place.
    [[nodiscard]] QWidget *createChart(QWidget *parent) const;

    // What the table and the summary want, to show @p laps laps and @p noteCharacters of a
    // note beside the times of every shown column.
    [[nodiscard]] QSize sizeForLaps(int laps, int noteCharacters) const;
    // The table's own smallest width, which the window's smallest size already holds.
    [[nodiscard]] int tableMinimumWidth() const;

    // Selects the newest lap, so that a lap just taken is in view; not while a note is typed.
    void selectLastLap();
    // Puts the laps on the clipboard for spreadsheets, as tab-separated text and as CSV,
    // with the note of an open editor.
    void copyLaps();
    // Asks for a lap export without blocking, then reads it as importLaps() does.
    void askForLapsToImport();
    // Reads the laps of a lap export and hands them on with lapsImported(), or tells the
    // user why they cannot be read.
    void importLaps(const QString &fileName);

public Q_SLOTS:
    /** The stopwatch's elapsed milliseconds at this tick, for the running lap's row. */
    void setTime(int milliseconds);

Q_SIGNALS:
    void summaryExpandedChanged(bool expanded);
    // The laps of a file read by importLaps(), with the file's name as a title for them.
    void lapsImported(const QList<Lap> &laps, const QString &title);

private:
    void stretchLapColumn();
    void updateRunningLapShown();

    LapModel *m_model;
    LapAnalysisModel *m_analysis;
    // What the table sorts: the analysis, or a proxy over it.
    QAbstractProxyModel *m_table;
    QSortFilterProxyModel *m_sorted;
    // The sorted laps with the running lap's row; what the table shows.
    LiveLapModel *m_live;
    bool m_runningLapShown = true;
    QTableView *m_view;
    LapItemDelegate *m_delegate;
    LapSummary *m_summary;
    QPointer<QAction> m_lapAction;
    // The Lap action's keys while a note editor has them.
    std::optional<QList<QKeySequence>> m_lentLapShortcuts;
};
