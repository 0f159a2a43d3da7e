// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapcomparisonmodel.h"

#include "lap.h"
#include "lapanalysismodel.h"
#include "lapmodel.h"
#include "runcomparison.h"

#include <KColorScheme>
#include <KLocalizedString>

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

using namespace Qt::Literals::StringLiterals;

namespace
{
QColor goldColor()
{
    const KColorScheme scheme(QPalette::Active, KColorScheme::View);
    return scheme.foreground(KColorScheme::NeutralText).color();
}

// A star, so that it reads apart from the arrows of the fastest and slowest laps.
QIcon goldIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(goldColor());
        QPainterPath path;
        const QPointF centre(size / 2.0, size / 2.0 + size * 0.04);
        for (int point = 0; point < 10; ++point) {
            const qreal radius = (point % 2 == 0 ? 0.48 : 0.2) * size;
            const qreal angle = -M_PI / 2 + point * M_PI / 5;
            const QPointF corner = centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
            point == 0 ? path.moveTo(corner) : path.lineTo(corner);
        }
        path.closeSubpath();
        painter.drawPath(path);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
}

LapComparisonModel::LapComparisonModel(RunComparison *comparison, QObject *parent)
    : QIdentityProxyModel(parent)
    , m_comparison(comparison)
{
    connect(comparison, &RunComparison::comparisonChanged, this, &LapComparisonModel::slotComparisonChanged);
    m_columnsShown = comparison->isComparing();
}

void LapComparisonModel::setSourceModel(QAbstractItemModel *sourceModel)
{
    if (m_laps) {
        disconnect(m_laps, nullptr, this, nullptr);
        if (m_laps->sourceModel()) {
            disconnect(m_laps->sourceModel(), nullptr, this, nullptr);
        }
    }
    m_laps = qobject_cast<LapAnalysisModel *>(sourceModel);
    QIdentityProxyModel::setSourceModel(m_laps);
    if (!m_laps) {
        return;
    }
    // Connected after the base class, so the rows are in place when the run is fed.
    connect(m_laps, &QAbstractItemModel::rowsInserted, this, &LapComparisonModel::slotSourceRowsInserted);
    connect(m_laps, &QAbstractItemModel::rowsRemoved, this, &LapComparisonModel::passWholeRun);
    connect(m_laps, &QAbstractItemModel::rowsMoved, this, &LapComparisonModel::passWholeRun);
    connect(m_laps, &QAbstractItemModel::modelReset, this, &LapComparisonModel::passWholeRun);
    connect(m_laps, &QAbstractItemModel::layoutChanged, this, &LapComparisonModel::passWholeRun);
    // The analysis model announces its own columns and marks often; the times of the laps
    // change only in the lap model, and a note edit or a text formed anew changes none.
    if (auto *lapModel = qobject_cast<LapModel *>(m_laps->sourceModel())) {
        connect(lapModel,
                &QAbstractItemModel::dataChanged,
                this,
                [this, lapModel](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
                    if (!roles.isEmpty() && !roles.contains(LapModel::AbsoluteTimeRole)) {
                        return;
                    }
                    const int noteColumn = lapModel->columnForRole(LapModel::NoteRole);
                    if (topLeft.column() != noteColumn || bottomRight.column() != noteColumn) {
                        passWholeRun();
                    }
                });
    }
    passWholeRun();
}

int LapComparisonModel::lapDifferenceColumn() const
{
    return m_columnsShown ? sourceColumnCount() : -1;
}

int LapComparisonModel::runningDifferenceColumn() const
{
    return m_columnsShown ? sourceColumnCount() + 1 : -1;
}

int LapComparisonModel::sourceColumnCount() const
{
    return m_laps ? m_laps->columnCount() : 0;
}

void LapComparisonModel::passWholeRun()
{
    if (!m_comparison || !m_laps) {
        return;
    }
    RunSplits run;
    const int laps = m_laps->rowCount();
    run.reserve(laps);
    // Straight from the lap model: going through a whole lap record for each row would cost
    // more than everything else an edit of a long run does.
    const auto *lapModel = qobject_cast<const LapModel *>(m_laps->sourceModel());
    for (int row = 0; row < laps; ++row) {
        run.append(lapModel ? lapModel->sinceStart(row) : m_laps->index(row, 0).data(LapModel::LapRole).value<Lap>().time());
    }
    m_comparison->setRun(run);
    if (m_columnsShown && m_laps->rowCount() > 0) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

void LapComparisonModel::slotSourceRowsInserted(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid() || !m_comparison) {
        return;
    }
    // Laps come at the end; anything else is taken as a new run.
    if (first != m_comparison->run().count()) {
        passWholeRun();
        return;
    }
    for (int row = first; row <= last; ++row) {
        m_comparison->appendLap(m_laps->index(row, 0).data(LapModel::LapRole).value<Lap>().time());
    }
}

void LapComparisonModel::slotComparisonChanged()
{
    const bool shown = m_comparison && m_comparison->isComparing();
    const int first = sourceColumnCount();
    if (shown && !m_columnsShown) {
        beginInsertColumns(QModelIndex(), first, first + 1);
        m_columnsShown = true;
        endInsertColumns();
    } else if (!shown && m_columnsShown) {
        beginRemoveColumns(QModelIndex(), first, first + 1);
        m_columnsShown = false;
        endRemoveColumns();
    }
    if (rowCount() > 0) {
        // The gold marks follow the stored runs even while the columns stay.
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int LapComparisonModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid()) {
        return 0;
    }
    return sourceColumnCount() + (m_columnsShown ? 2 : 0);
}

QModelIndex LapComparisonModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
        return {};
    }
    if (column >= sourceColumnCount()) {
        return createIndex(row, column);
    }
    return QIdentityProxyModel::index(row, column);
}

QModelIndex LapComparisonModel::parent(const QModelIndex &child) const
{
    Q_UNUSED(child)
    return {};
}

QModelIndex LapComparisonModel::sibling(int row, int column, const QModelIndex &index) const
{
    Q_UNUSED(index)
    return this->index(row, column);
}

QModelIndex LapComparisonModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.column() >= sourceColumnCount()) {
        return {};
    }
    return QIdentityProxyModel::mapToSource(proxyIndex);
}

QVariant LapComparisonModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this) {
        return {};
    }
    if (index.column() >= sourceColumnCount()) {
        return differenceData(index, role);
    }
    if (role == GoldRole) {
        return m_columnsShown && m_comparison && m_comparison->isGoldLap(index.row());
    }
    const auto *lapModel = m_laps ? qobject_cast<LapModel *>(m_laps->sourceModel()) : nullptr;
    if (m_columnsShown && lapModel && index.column() == lapModel->columnForRole(LapModel::LapNumberRole)) {
        if (const QVariant gold = goldData(index.row(), role); gold.isValid()) {
            return gold;
        }
    }
    return QIdentityProxyModel::data(index, role);
}

QVariant LapComparisonModel::goldData(int row, int role) const
{
    if (!m_comparison || !m_comparison->isGoldLap(row)) {
        return {};
    }
    switch (role) {
    case Qt::DecorationRole:
        return goldIcon();
    case Qt::ForegroundRole:
        return QBrush(goldColor());
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return i18nc("@info:tooltip", "Gold lap: faster than the lap at this position in every earlier run");
    default:
        return {};
    }
}

QVariant LapComparisonModel::differenceData(const QModelIndex &index, int role) const
{
    if (!m_comparison || !m_laps) {
        return {};
    }
    const bool running = index.column() == runningDifferenceColumn();
    const std::optional<qint64> difference = running ? m_comparison->runningDifference(index.row()) : m_comparison->lapDifference(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return difference ? m_laps->formatDifference(double(*difference)) : QString();
    case DifferenceRole:
    case LapAnalysisModel::SortRole:
        // Laps past the compared run's sort after every difference.
        return difference ? QVariant(*difference) : QVariant(std::numeric_limits<qint64>::max());
    case Qt::ForegroundRole: {
        if (!difference || *difference == 0 || m_laps->formatDifference(double(*difference)) == m_laps->formatDuration(0)) {
            return {};
        }
        const KColorScheme scheme(QPalette::Active, KColorScheme::View);
        return QBrush(scheme.foreground(*difference < 0 ? KColorScheme::PositiveText : KColorScheme::NegativeText).color());
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant LapComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && m_columnsShown && section >= sourceColumnCount()) {
        const bool running = section == runningDifferenceColumn();
        if (role == Qt::DisplayRole) {
            return running ? i18nc("@title:column difference of the global time to the compared run", "Δ Global")
                           : i18nc("@title:column difference of the lap time to the compared run's lap", "Δ Lap");
        }
        if (role == Qt::ToolTipRole) {
            return running ? i18nc("@info:tooltip", "Difference of the global time to the compared run's at the same lap; ahead is negative")
                           : i18nc("@info:tooltip", "Difference of the lap time to the compared run's lap at the same position; faster is negative");
        }
        return {};
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
}

Qt::ItemFlags LapComparisonModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    if (index.column() >= sourceColumnCount()) {
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    }
    return QIdentityProxyModel::flags(index);
}

#include "moc_lapcomparisonmodel.cpp"
