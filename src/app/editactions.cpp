// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "editactions.h"

#include "adjusttimedialog.h"
#include "lapmodel.h"
#include "runhistory.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KMessageBox>
#include <KStandardAction>

#include <QAbstractProxyModel>
#include <QAction>
#include <QItemSelectionModel>
#include <QUndoStack>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

EditActions::EditActions(RunHistory *history, LapModel *laps, QItemSelectionModel *selection, KActionCollection *collection, QWidget *window)
    : QObject(window)
    , m_history(history)
    , m_laps(laps)
    , m_selection(selection)
    , m_window(window)
{
    m_undo = KStandardAction::undo(history, &RunHistory::undo, collection);
    m_redo = KStandardAction::redo(history, &RunHistory::redo, collection);

    m_deleteLap = collection->addAction(u"delete_lap"_s, this, &EditActions::slotDeleteLaps);
    m_deleteLap->setText(i18nc("@action", "&Delete Lap"));
    m_deleteLap->setIcon(QIcon::fromTheme(u"edit-delete"_s));
    m_deleteLap->setToolTip(i18nc("@info:tooltip", "Delete the selected laps; each lap's time goes to the lap after it"));
    KActionCollection::setDefaultShortcut(m_deleteLap, QKeySequence(Qt::Key_Delete));

    m_mergeLap = collection->addAction(u"merge_lap_previous"_s, this, &EditActions::slotMergeWithPrevious);
    m_mergeLap->setText(i18nc("@action", "&Merge with Previous"));
    m_mergeLap->setIcon(QIcon::fromTheme(u"merge"_s));
    m_mergeLap->setToolTip(i18nc("@info:tooltip", "Merge each selected lap with the lap before it"));

    for (QAction *action : {m_deleteLap, m_mergeLap}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }

    m_adjustTime = collection->addAction(u"adjust_time"_s, this, &EditActions::slotAdjustTime);
    m_adjustTime->setText(i18nc("@action", "&Adjust Time…"));
    m_adjustTime->setIcon(QIcon::fromTheme(u"chronometer"_s));

    QUndoStack *stack = history->stack();
    connect(stack, &QUndoStack::indexChanged, this, &EditActions::slotUpdateUndoActions);
    connect(stack, &QUndoStack::cleanChanged, this, &EditActions::slotUpdateUndoActions);
    slotUpdateUndoActions();

    if (selection) {
        connect(selection, &QItemSelectionModel::selectionChanged, this, &EditActions::slotUpdateLapActions);
        connect(selection, &QItemSelectionModel::modelChanged, this, &EditActions::slotUpdateLapActions);
    }
    // Rows leave the selection without a selection change when the laps are taken away.
    connect(laps, &QAbstractItemModel::rowsRemoved, this, &EditActions::slotUpdateLapActions);
    connect(laps, &QAbstractItemModel::modelReset, this, &EditActions::slotUpdateLapActions);
    slotUpdateLapActions();
}

QList<QAction *> EditActions::lapTableActions() const
{
    return {m_deleteLap, m_mergeLap};
}

AdjustTimeDialog *EditActions::adjustTimeDialog() const
{
    return m_adjustDialog;
}

QList<int> EditActions::selectedRows() const
{
    QList<int> rows;
    if (!m_selection) {
        return rows;
    }
    const auto selected = m_selection->selectedRows();
    for (QModelIndex index : selected) {
        while (index.isValid() && index.model() != m_laps) {
            const auto proxy = qobject_cast<const QAbstractProxyModel *>(index.model());
            index = proxy ? proxy->mapToSource(index) : QModelIndex();
        }
        if (index.isValid()) {
            rows.append(index.row());
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void EditActions::slotUpdateUndoActions()
{
    const QUndoStack *stack = m_history->stack();
    m_undo->setEnabled(stack->canUndo());
    m_redo->setEnabled(stack->canRedo());
    m_undo->setText(stack->canUndo() ? i18nc("@action %1 is what is undone, such as Lap 7", "&Undo %1", stack->undoText()) : i18nc("@action", "&Undo"));
    m_redo->setText(stack->canRedo() ? i18nc("@action %1 is what is redone, such as Lap 7", "Re&do %1", stack->redoText()) : i18nc("@action", "Re&do"));
}

void EditActions::slotUpdateLapActions()
{
    const QList<int> rows = selectedRows();
    m_deleteLap->setEnabled(!rows.isEmpty());
    m_mergeLap->setEnabled(!rows.isEmpty() && rows.constFirst() > 0);
}

void EditActions::slotDeleteLaps()
{
    QString refusal;
    if (!m_history->deleteLaps(selectedRows(), &refusal)) {
        showRefusal(refusal);
    }
}

void EditActions::slotMergeWithPrevious()
{
    QString refusal;
    if (!m_history->mergeWithPrevious(selectedRows(), &refusal)) {
        showRefusal(refusal);
    }
}

void EditActions::slotAdjustTime()
{
    if (m_adjustDialog) {
        m_adjustDialog->raise();
        m_adjustDialog->activateWindow();
        return;
    }
    m_adjustDialog = new AdjustTimeDialog(
        [this](int milliseconds, QString *refusal) {
            return m_history->adjustTime(milliseconds, refusal);
        },
        m_window);
    m_adjustDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_adjustDialog->open();
}

void EditActions::showRefusal(const QString &refusal)
{
    KMessageBox::error(m_window, refusal, i18nc("@title:window", "Cannot Change the Laps"));
}

#include "moc_editactions.cpp"
