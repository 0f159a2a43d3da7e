// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class AdjustTimeDialog;
class KActionCollection;
class LapModel;
class QAction;
class QItemSelectionModel;
class QWidget;
class RunHistory;

/**
 * The window's edit actions: Undo and Redo named after the step they take, Delete Lap and
 * Merge with Previous on the laps selected in the lap table, and Adjust Time….
 *
 * The selection may come from a view over proxies of the lap model (sorting, analysis); its
 * rows are mapped back to the lap model's own. The lap actions answer their keys only
 * where they are placed with lapTableActions() (the lap table), so Delete in any other
 * field stays that field's.
 */
class EditActions : public QObject
{
    Q_OBJECT

public:
    EditActions(RunHistory *history, LapModel *laps, QItemSelectionModel *selection, KActionCollection *collection, QWidget *window);

    /** Delete Lap and Merge with Previous, for the lap table's context menu and keys. */
    [[nodiscard]] QList<QAction *> lapTableActions() const;
    /** The lap model's rows of the selected laps, in ascending order. */
    [[nodiscard]] QList<int> selectedRows() const;

    /** The open Adjust Time dialog, or null. */
    [[nodiscard]] AdjustTimeDialog *adjustTimeDialog() const;

private:
    void slotUpdateUndoActions();
    void slotUpdateLapActions();
    void slotDeleteLaps();
    void slotMergeWithPrevious();
    void slotAdjustTime();
    void showRefusal(const QString &refusal);

    RunHistory *m_history;
    LapModel *m_laps;
    QPointer<QItemSelectionModel> m_selection;
    QWidget *m_window;
    QAction *m_undo;
    QAction *m_redo;
    QAction *m_deleteLap;
    QAction *m_mergeLap;
    QAction *m_adjustTime;
    QPointer<AdjustTimeDialog> m_adjustDialog;
};
