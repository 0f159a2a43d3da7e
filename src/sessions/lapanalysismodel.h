// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "lapstatistics.h"

#include <QIdentityProxyModel>
#include <QList>

class LapModel;

/**
 * The lap table as the window shows it: the lap model's columns, with the fastest and the
 * slowest lap marked in the lap-time column and an optional column holding each lap's
 * difference to the mean.
 *
 * It follows the lap model row by row and keeps the lap durations and their statistics,
 * so a new lap costs constant work here (logarithmic for the median): only the rows whose
 * marking changes and, while it is shown, the difference column are announced again.
 * A reset of the lap model (Reset, a new lap format) starts the figures over. Any other
 * change (a lap taken out or put back in the middle, times moved) computes every figure
 * anew in linear work (the median by selection, not by sorting), a millisecond or two for
 * 100,000 laps, and so exactly what a fresh computation gives.
 *
 * Everything the lap model offers passes through unchanged, so callers that read laps,
 * times and notes by the lap model's roles and columns keep working on this model.
 */
class LapAnalysisModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    enum Roles {
        // A Mark; every column of a row answers it.
        MarkRole = Qt::UserRole + 32,
        // The lap's time since the previous lap in milliseconds.
        DurationRole,
        // The lap's signed difference to the mean in milliseconds, as a double.
        MeanDifferenceRole,
        // A value that sorts each column in its natural order (numbers for times).
        SortRole,
    };
    Q_ENUM(Roles)

    enum Mark {
        NoMark = 0,
        FastestMark = 1,
        SlowestMark = 2,
    };
    Q_ENUM(Mark)

    explicit LapAnalysisModel(QObject *parent = nullptr);

    // The model must be a LapModel; anything else is refused.
    void setSourceModel(QAbstractItemModel *sourceModel) override;

    // Marks appear only with at least two laps of different durations; ties mark every tied lap.
    void setMarkingEnabled(bool enabled);
    [[nodiscard]] bool isMarkingEnabled() const;

    void setMeanDifferenceShown(bool shown);
    [[nodiscard]] bool isMeanDifferenceShown() const;
    // The column of the difference to the mean, or -1 while it is not shown.
    [[nodiscard]] int meanDifferenceColumn() const;

    [[nodiscard]] const LapStatistics &statistics() const;
    [[nodiscard]] qint64 duration(int row) const;
    [[nodiscard]] Mark mark(int row) const;

    // Durations and signed differences in the lap model's time format.
    [[nodiscard]] QString formatDuration(double milliseconds) const;
    [[nodiscard]] QString formatDifference(double milliseconds) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    // After each new lap, after a reset of the laps and when the format changed.
    void statisticsChanged();

private:
    void slotSourceRowsInserted(const QModelIndex &parent, int first, int last);
    void slotAnnounceChanges();
    void slotSourceReset();
    void slotSourceRowsRemoved(const QModelIndex &parent, int first, int last);
    void slotSourceDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles);
    // Computes every figure anew from the lap model after rows from @p movedFrom on moved by
    // @p moved (put in, or taken out when negative), and notes the rows to announce.
    void recompute(int movedFrom, int moved);
    void announceChangedRows();
    void addDuration(int row, int duration);

    [[nodiscard]] bool marksShown() const;
    [[nodiscard]] int lapTimeColumn() const;
    [[nodiscard]] int sourceColumnCount() const;
    void addPendingRows(const QList<int> &rows);
    void announceMarks(int firstRow, int lastRow);

    LapModel *m_lapModel = nullptr;
    QList<int> m_durations;
    int m_lastSinceStart = 0;
    LapStatistics m_statistics;
    // The rows tied at the fastest and at the slowest duration. Each row enters them once and
    // leaves them once, so keeping them costs constant time per lap on average.
    QList<int> m_fastestRows;
    QList<int> m_slowestRows;
    // Rows whose marking changed with the laps that have just come in, announced once the
    // new rows themselves are announced.
    int m_pendingFirstRow = -1;
    int m_pendingLastRow = -1;
    bool m_pendingAnnouncement = false;
    // Set by a change other than new laps at the end; everything is computed anew then.
    bool m_recomputePending = false;
    // Rows whose mark or duration that change touched, to be announced.
    QList<int> m_changedRows;
    bool m_markingEnabled = true;
    bool m_meanDifferenceShown = false;
};
