// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QIdentityProxyModel>
#include <QPointer>

class LapAnalysisModel;
class RunComparison;

/**
 * The lap table held against an earlier run: while a comparison is chosen, two columns
 * follow the analysis model's, each lap's difference to the compared lap at its position
 * and the difference since the start, and a lap faster than every earlier run's lap at its
 * position is marked gold in its number column.
 *
 * It feeds the comparison the run's laps as they come, one at a time, so a lap costs the
 * same however many runs are stored; any other change of the laps passes the whole run.
 */
class LapComparisonModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    enum Roles {
        // The signed difference in milliseconds of the lap's column, for sorting.
        DifferenceRole = Qt::UserRole + 48,
        // Whether the row's lap is a gold lap.
        GoldRole,
    };
    Q_ENUM(Roles)

    LapComparisonModel(RunComparison *comparison, QObject *parent = nullptr);

    /** The model must be a LapAnalysisModel; anything else is refused. */
    void setSourceModel(QAbstractItemModel *sourceModel) override;

    /** The two columns, or -1 while nothing is compared. */
    [[nodiscard]] int lapDifferenceColumn() const;
    [[nodiscard]] int runningDifferenceColumn() const;

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void passWholeRun();
    void slotSourceRowsInserted(const QModelIndex &parent, int first, int last);
    void slotComparisonChanged();
    [[nodiscard]] int sourceColumnCount() const;
    [[nodiscard]] QVariant differenceData(const QModelIndex &index, int role) const;
    [[nodiscard]] QVariant goldData(int row, int role) const;

    QPointer<RunComparison> m_comparison;
    LapAnalysisModel *m_laps = nullptr;
    bool m_columnsShown = false;
};
