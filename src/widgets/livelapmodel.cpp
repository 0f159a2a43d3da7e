// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "livelapmodel.h"

#include "lapmodel.h"
#include "runninglap.h"

#include <KLocalizedString>

#include <QFont>
#include <QIcon>
#include <QSortFilterProxyModel>
#include <QVarLengthArray>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

LiveLapModel::LiveLapModel(LapModel *laps, QObject *parent)
    : QAbstractProxyModel(parent)
    , m_laps(laps)
{
}

void LiveLapModel::setSourceModel(QAbstractItemModel *sourceModel)
{
    beginResetModel();
    for (const auto &connection : std::as_const(m_sourceConnections)) {
        disconnect(connection);
    }
    m_sourceConnections.clear();
    QAbstractProxyModel::setSourceModel(sourceModel);
    m_sorted = qobject_cast<QSortFilterProxyModel *>(sourceModel);
    if (sourceModel) {
        const auto connectSource = [this, sourceModel](auto signal, auto slot) {
            m_sourceConnections.append(connect(sourceModel, signal, this, slot));
        };
        connectSource(&QAbstractItemModel::dataChanged, [this](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
            Q_EMIT dataChanged(mapFromSource(topLeft), mapFromSource(bottomRight), roles);
        });
        connectSource(&QAbstractItemModel::headerDataChanged, [this](Qt::Orientation orientation, int first, int last) {
            const int shift = orientation == Qt::Vertical ? offset() : 0;
            Q_EMIT headerDataChanged(orientation, first + shift, last + shift);
        });
        connectSource(&QAbstractItemModel::rowsAboutToBeInserted, [this](const QModelIndex &parent, int first, int last) {
            if (!parent.isValid()) {
                beginInsertRows({}, first + offset(), last + offset());
            }
        });
        connectSource(&QAbstractItemModel::rowsInserted, [this](const QModelIndex &parent) {
            if (!parent.isValid()) {
                endInsertRows();
            }
        });
        connectSource(&QAbstractItemModel::rowsAboutToBeRemoved, [this](const QModelIndex &parent, int first, int last) {
            if (!parent.isValid()) {
                beginRemoveRows({}, first + offset(), last + offset());
            }
        });
        connectSource(&QAbstractItemModel::rowsRemoved, [this](const QModelIndex &parent) {
            if (!parent.isValid()) {
                endRemoveRows();
            }
        });
        connectSource(&QAbstractItemModel::rowsAboutToBeMoved, [this](const QModelIndex &, int first, int last, const QModelIndex &, int destination) {
            beginMoveRows({}, first + offset(), last + offset(), {}, destination + offset());
        });
        connectSource(&QAbstractItemModel::rowsMoved, [this] {
            endMoveRows();
        });
        connectSource(&QAbstractItemModel::columnsAboutToBeInserted, [this](const QModelIndex &parent, int first, int last) {
            if (!parent.isValid()) {
                beginInsertColumns({}, first, last);
            }
        });
        connectSource(&QAbstractItemModel::columnsInserted, [this](const QModelIndex &parent) {
            if (!parent.isValid()) {
                endInsertColumns();
            }
        });
        connectSource(&QAbstractItemModel::columnsAboutToBeRemoved, [this](const QModelIndex &parent, int first, int last) {
            if (!parent.isValid()) {
                beginRemoveColumns({}, first, last);
            }
        });
        connectSource(&QAbstractItemModel::columnsRemoved, [this](const QModelIndex &parent) {
            if (!parent.isValid()) {
                endRemoveColumns();
            }
        });
        connectSource(&QAbstractItemModel::columnsAboutToBeMoved, [this](const QModelIndex &, int first, int last, const QModelIndex &, int destination) {
            beginMoveColumns({}, first, last, {}, destination);
        });
        connectSource(&QAbstractItemModel::columnsMoved, [this] {
            endMoveColumns();
        });
        connectSource(&QAbstractItemModel::modelAboutToBeReset, [this] {
            beginResetModel();
        });
        connectSource(&QAbstractItemModel::modelReset, [this] {
            m_liveFirst = newestFirst();
            endResetModel();
            // A new lap format comes with a reset of the laps.
            updateTexts(true);
        });
        connectSource(&QAbstractItemModel::layoutAboutToBeChanged, [this](const QList<QPersistentModelIndex> &parents, LayoutChangeHint hint) {
            slotLayoutAboutToBeChanged(parents, hint);
        });
        connectSource(&QAbstractItemModel::layoutChanged, [this](const QList<QPersistentModelIndex> &parents, LayoutChangeHint hint) {
            slotLayoutChanged(parents, hint);
        });
    }
    m_liveFirst = newestFirst();
    endResetModel();
}

void LiveLapModel::setRunningLap(RunningLap *runningLap)
{
    if (m_runningLap) {
        m_runningLap->disconnect(this);
    }
    m_runningLap = runningLap;
    if (runningLap) {
        connect(runningLap, &RunningLap::changed, this, [this] {
            updateShown();
            updateTexts(true);
        });
    }
    updateShown();
    updateTexts(true);
}

void LiveLapModel::setEnabled(bool enabled)
{
    m_enabled = enabled;
    updateShown();
}

bool LiveLapModel::isEnabled() const
{
    return m_enabled;
}

int LiveLapModel::liveRow() const
{
    if (!m_shown) {
        return -1;
    }
    return m_liveFirst || !sourceModel() ? 0 : sourceModel()->rowCount();
}

bool LiveLapModel::isLiveRow(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && index.row() == liveRow();
}

int LiveLapModel::offset() const
{
    return m_shown && m_liveFirst ? 1 : 0;
}

bool LiveLapModel::newestFirst() const
{
    if (!m_sorted || m_sorted->sortOrder() != Qt::DescendingOrder) {
        return false;
    }
    // Only these columns keep the laps in the order they were taken; by any other the
    // running lap has no place of its own and stays at the end.
    const int column = m_sorted->sortColumn();
    return column >= 0 && (column == m_laps->columnForRole(LapModel::LapNumberRole) || column == m_laps->columnForRole(LapModel::AbsoluteTimeRole));
}

void LiveLapModel::setTotalShown(bool shown)
{
    if (shown == m_totalShown) {
        return;
    }
    m_totalShown = shown;
    m_shownTotalStep = -1;
    if (m_shown) {
        updateTexts(false);
    }
}

void LiveLapModel::setTime(int milliseconds)
{
    m_time = milliseconds;
    if (m_shown) {
        updateTexts(false);
    }
}

void LiveLapModel::updateShown()
{
    const bool shown = m_enabled && m_runningLap && m_runningLap->isActive() && sourceModel();
    if (shown == m_shown) {
        return;
    }
    if (shown) {
        m_liveFirst = newestFirst();
        const int row = m_liveFirst ? 0 : sourceModel()->rowCount();
        beginInsertRows({}, row, row);
        m_shown = true;
        endInsertRows();
        updateTexts(true);
    } else {
        const int row = liveRow();
        beginRemoveRows({}, row, row);
        m_shown = false;
        endRemoveRows();
    }
}

void LiveLapModel::updateTexts(bool numberChanged)
{
    if (!m_runningLap) {
        return;
    }
    const int lapTime = m_runningLap->elapsed(m_time);
    const TimeFormat format = m_laps->timeFormat();
    const int step = TimeFormat::lastDigitStep(format.secondFractions());
    const qint64 lapStep = lapTime / step;
    const qint64 totalStep = m_totalShown ? m_time / step : -1;
    // The lap model tells of a new format only while it has laps to write anew.
    if (!numberChanged && lapStep == m_shownLapStep && totalStep == m_shownTotalStep && format == m_shownFormat) {
        return;
    }
    m_shownLapStep = lapStep;
    m_shownTotalStep = totalStep;
    m_shownFormat = format;

    // Translating costs more than the rest of a tick; the number changes only with a lap.
    const QString numberText =
        numberChanged ? i18nc("@item:intable the lap that is running now, not taken yet", "Lap %1", m_runningLap->number()) : m_numberText;
    const QString lapText = formatTime(lapTime);
    const QString totalText = m_totalShown ? formatTime(m_time) : QString();
    QVarLengthArray<int, 3> changedColumns;
    const auto changed = [&changedColumns](QString &text, const QString &newText, int column) {
        if (text != newText) {
            text = newText;
            changedColumns.append(column);
        }
    };
    changed(m_numberText, numberText, m_laps->columnForRole(LapModel::LapNumberRole));
    changed(m_lapText, lapText, m_laps->columnForRole(LapModel::RelativeTimeRole));
    changed(m_totalText, totalText, m_laps->columnForRole(LapModel::AbsoluteTimeRole));
    if (!m_shown) {
        return;
    }
    const int row = liveRow();
    if (numberChanged) {
        // The whole row, for its icon, font and accessible texts.
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
        return;
    }
    // Cell by cell: a view repaints just the cell of a single index, but its whole viewport
    // for a range, and a tick should cost the few digits that changed.
    for (int column : std::as_const(changedColumns)) {
        const QModelIndex cell = index(row, column);
        Q_EMIT dataChanged(cell, cell);
    }
}

QString LiveLapModel::formatTime(int milliseconds) const
{
    // As the lap columns write times.
    return m_laps->timeFormat().format(std::max(milliseconds, 0));
}

int LiveLapModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !sourceModel()) {
        return 0;
    }
    return sourceModel()->rowCount() + (m_shown ? 1 : 0);
}

int LiveLapModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !sourceModel()) {
        return 0;
    }
    return sourceModel()->columnCount();
}

bool LiveLapModel::hasChildren(const QModelIndex &parent) const
{
    return !parent.isValid() && rowCount() > 0;
}

QModelIndex LiveLapModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount()) {
        return {};
    }
    return createIndex(row, column);
}

QModelIndex LiveLapModel::parent(const QModelIndex &child) const
{
    Q_UNUSED(child)
    return {};
}

QModelIndex LiveLapModel::sibling(int row, int column, const QModelIndex &index) const
{
    Q_UNUSED(index)
    return this->index(row, column);
}

QModelIndex LiveLapModel::buddy(const QModelIndex &index) const
{
    if (isLiveRow(index)) {
        return index;
    }
    return QAbstractProxyModel::buddy(index);
}

QModelIndex LiveLapModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid() || !sourceModel() || isLiveRow(proxyIndex)) {
        return {};
    }
    return sourceModel()->index(proxyIndex.row() - offset(), proxyIndex.column());
}

QModelIndex LiveLapModel::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.model() != sourceModel()) {
        return {};
    }
    return createIndex(sourceIndex.row() + offset(), sourceIndex.column());
}

QVariant LiveLapModel::data(const QModelIndex &index, int role) const
{
    if (isLiveRow(index)) {
        return liveData(index.column(), role);
    }
    return QAbstractProxyModel::data(index, role);
}

QVariant LiveLapModel::liveData(int column, int role) const
{
    const int numberColumn = m_laps->columnForRole(LapModel::LapNumberRole);
    const int lapColumn = m_laps->columnForRole(LapModel::RelativeTimeRole);
    const int totalColumn = m_laps->columnForRole(LapModel::AbsoluteTimeRole);
    const auto text = [&]() -> QString {
        if (column == numberColumn) {
            return m_numberText;
        }
        if (column == lapColumn) {
            return m_lapText;
        }
        if (column == totalColumn) {
            return m_totalShown ? m_totalText : formatTime(m_time);
        }
        return {};
    };
    switch (role) {
    case Qt::DisplayRole:
        return text();
    case Qt::FontRole: {
        QFont font;
        font.setItalic(true);
        return font;
    }
    case Qt::DecorationRole:
        if (column == numberColumn) {
            return QIcon::fromTheme(u"chronometer-start"_s);
        }
        return {};
    case Qt::AccessibleTextRole:
        // Read when the reader comes to the cell; the row announces nothing by itself.
        if (column == numberColumn) {
            return i18nc("@info:accessible the lap that is running now", "Running lap %1, not taken yet", m_runningLap ? m_runningLap->number() : 0);
        }
        return text();
    case Qt::ToolTipRole:
        if (column == numberColumn) {
            return i18nc("@info:tooltip", "The lap running now; it becomes a lap when you take the next lap");
        }
        return {};
    case Qt::TextAlignmentRole:
        // Aligned as the laps are.
        if (sourceModel() && sourceModel()->rowCount() > 0) {
            return sourceModel()->index(0, column).data(role);
        }
        return {};
    default:
        return {};
    }
}

QVariant LiveLapModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!sourceModel()) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return sourceModel()->headerData(section, orientation, role);
    }
    if (m_shown && section == liveRow()) {
        return {};
    }
    return sourceModel()->headerData(section - offset(), orientation, role);
}

Qt::ItemFlags LiveLapModel::flags(const QModelIndex &index) const
{
    if (isLiveRow(index)) {
        // Selectable, so that the keyboard and screen readers reach it; never editable.
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }
    return QAbstractProxyModel::flags(index);
}

void LiveLapModel::slotLayoutAboutToBeChanged(const QList<QPersistentModelIndex> &parents, QAbstractItemModel::LayoutChangeHint hint)
{
    Q_UNUSED(parents)
    Q_EMIT layoutAboutToBeChanged({}, hint);
    m_layoutIndexes = persistentIndexList();
    m_layoutSourceIndexes.clear();
    m_layoutLiveColumns.clear();
    for (const QModelIndex &index : std::as_const(m_layoutIndexes)) {
        const bool live = isLiveRow(index);
        m_layoutSourceIndexes.append(live ? QPersistentModelIndex() : QPersistentModelIndex(mapToSource(index)));
        m_layoutLiveColumns.append(live ? index.column() : -1);
    }
}

void LiveLapModel::slotLayoutChanged(const QList<QPersistentModelIndex> &parents, QAbstractItemModel::LayoutChangeHint hint)
{
    Q_UNUSED(parents)
    // A new sort order may move the running row to the other end.
    m_liveFirst = newestFirst();
    QModelIndexList moved;
    moved.reserve(m_layoutIndexes.size());
    for (qsizetype i = 0; i < m_layoutIndexes.size(); ++i) {
        const int liveColumn = m_layoutLiveColumns.at(i);
        moved.append(liveColumn >= 0 ? index(liveRow(), liveColumn) : mapFromSource(m_layoutSourceIndexes.at(i)));
    }
    changePersistentIndexList(m_layoutIndexes, moved);
    m_layoutIndexes.clear();
    m_layoutSourceIndexes.clear();
    m_layoutLiveColumns.clear();
    Q_EMIT layoutChanged({}, hint);
}

#include "moc_livelapmodel.cpp"
