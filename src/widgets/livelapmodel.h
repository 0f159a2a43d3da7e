// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "timeformat.h"

#include <QAbstractProxyModel>
#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>

class LapModel;
class QSortFilterProxyModel;
class RunningLap;

/**
 * The lap table with one more row for the lap that is running: "Lap N", its time so far
 * and the time since the start, in italics and with an icon.
 *
 * It sits on top of the table's sorted model, so nothing below it ever sees the row: the
 * laps, their analysis and statistics, the chart, Copy Laps, exports, sessions and the
 * recovery journal all read the lap model or a model under this one. Every other row maps
 * straight through; the running row maps to no source index at all, so anything that walks
 * a selection down to the lap model (Delete, Merge) passes over it.
 *
 * The row stands where the sort puts the newest lap: first while the table is sorted newest
 * first (descending by lap number or by time since the start), last otherwise.
 *
 * It moves with the stopwatch's ticks (setTime()), which are paced to the screen and stop
 * while the window is hidden; it has no timer of its own. A tick announces the row only
 * when one of its texts reads differently, so ticks finer than the lap columns' precision
 * cost a division and a comparison.
 */
class LiveLapModel : public QAbstractProxyModel
{
    Q_OBJECT

public:
    explicit LiveLapModel(LapModel *laps, QObject *parent = nullptr);

    /** The source is the table's sorted model; its sort order places the running row. */
    void setSourceModel(QAbstractItemModel *sourceModel) override;

    /** The lap the row shows; without one there is no row. */
    void setRunningLap(RunningLap *runningLap);
    /** Whether the row is wanted; it still shows only while the stopwatch is not reset. */
    void setEnabled(bool enabled);
    [[nodiscard]] bool isEnabled() const;
    /** Whether the table shows the time since the start; a hidden column is not kept up
     *  at every tick, only formed when asked for. */
    void setTotalShown(bool shown);

    /** The row of the running lap, or -1 while there is none. */
    [[nodiscard]] int liveRow() const;
    [[nodiscard]] bool isLiveRow(const QModelIndex &index) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    QModelIndex buddy(const QModelIndex &index) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

public Q_SLOTS:
    /** The stopwatch's elapsed milliseconds at this tick. */
    void setTime(int milliseconds);

private:
    // Rows of the source come after the running row while it stands first.
    [[nodiscard]] int offset() const;
    [[nodiscard]] bool newestFirst() const;
    [[nodiscard]] QVariant liveData(int column, int role) const;
    [[nodiscard]] QString formatTime(int milliseconds) const;
    // Shows or hides the row as the running lap and the setting say.
    void updateShown();
    // Forms the texts anew and announces those that changed.
    void updateTexts(bool numberChanged);

    void slotLayoutAboutToBeChanged(const QList<QPersistentModelIndex> &parents, QAbstractItemModel::LayoutChangeHint hint);
    void slotLayoutChanged(const QList<QPersistentModelIndex> &parents, QAbstractItemModel::LayoutChangeHint hint);

    LapModel *m_laps;
    QPointer<RunningLap> m_runningLap;
    QPointer<QSortFilterProxyModel> m_sorted;
    QList<QMetaObject::Connection> m_sourceConnections;
    bool m_enabled = true;
    bool m_shown = false;
    bool m_totalShown = true;
    bool m_liveFirst = false;
    int m_time = 0;
    // The ticks' times cut to the precision of the lap columns, so a tick that changes no
    // digit is recognised without forming a text.
    qint64 m_shownLapStep = -1;
    qint64 m_shownTotalStep = -1;
    TimeFormat m_shownFormat;
    QString m_numberText;
    QString m_lapText;
    QString m_totalText;

    // Across a layout change of the source: the persistent indexes of this model and where
    // they were in the source; the running row's entries keep their column instead.
    QModelIndexList m_layoutIndexes;
    QList<QPersistentModelIndex> m_layoutSourceIndexes;
    QList<int> m_layoutLiveColumns;
};
