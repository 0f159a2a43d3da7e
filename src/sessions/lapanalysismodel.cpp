// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapanalysismodel.h"

#include "lap.h"
#include "lapmodel.h"
#include "stopwatch.h"

#include <KColorScheme>
#include <KLocalizedString>

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace
{
// The shape tells the marks apart without their colour: a triangle pointing up for the
// fastest lap, down for the slowest.
QIcon markIcon(LapAnalysisModel::Mark mark, const QColor &color)
{
    QIcon icon;
    for (const int size : {16, 22, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        const qreal margin = size * 0.2;
        const qreal top = margin;
        const qreal bottom = size - margin;
        QPainterPath path;
        if (mark == LapAnalysisModel::FastestMark) {
            path.moveTo(size / 2.0, top);
            path.lineTo(size - margin, bottom);
            path.lineTo(margin, bottom);
        } else {
            path.moveTo(margin, top);
            path.lineTo(size - margin, top);
            path.lineTo(size / 2.0, bottom);
        }
        path.closeSubpath();
        painter.drawPath(path);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QColor markColor(LapAnalysisModel::Mark mark)
{
    const KColorScheme scheme(QPalette::Active, KColorScheme::View);
    return scheme.foreground(mark == LapAnalysisModel::FastestMark ? KColorScheme::PositiveText : KColorScheme::NegativeText).color();
}

QString markText(LapAnalysisModel::Mark mark)
{
    return mark == LapAnalysisModel::FastestMark ? i18nc("@info:tooltip", "Fastest lap") : i18nc("@info:tooltip", "Slowest lap");
}
}

LapAnalysisModel::LapAnalysisModel(QObject *parent)
    : QIdentityProxyModel(parent)
{
}

void LapAnalysisModel::setSourceModel(QAbstractItemModel *sourceModel)
{
    if (m_lapModel) {
        disconnect(m_lapModel, nullptr, this, nullptr);
    }
    m_lapModel = qobject_cast<LapModel *>(sourceModel);
    if (sourceModel && !m_lapModel) {
        qWarning() << "LapAnalysisModel works on a LapModel only.";
    }

    slotSourceReset();
    // Connected before the base class forwards the insertion, so that the figures and marks
    // are ready when anything above asks for the new rows; the changes to rows that were
    // there already are announced after the insertion itself.
    if (m_lapModel) {
        connect(m_lapModel, &QAbstractItemModel::rowsInserted, this, &LapAnalysisModel::slotSourceRowsInserted);
        connect(m_lapModel, &QAbstractItemModel::modelReset, this, &LapAnalysisModel::slotSourceReset);
        connect(m_lapModel, &QAbstractItemModel::rowsRemoved, this, &LapAnalysisModel::slotSourceRowsRemoved);
        slotSourceRowsInserted(QModelIndex(), 0, m_lapModel->rowCount() - 1);
        m_pendingAnnouncement = false;
        m_pendingFirstRow = m_pendingLastRow = -1;
    }
    // This resets the model for everything above.
    QIdentityProxyModel::setSourceModel(m_lapModel);
    if (m_lapModel) {
        connect(m_lapModel, &QAbstractItemModel::rowsInserted, this, &LapAnalysisModel::slotAnnounceChanges);
        connect(m_lapModel, &QAbstractItemModel::rowsRemoved, this, &LapAnalysisModel::slotAnnounceChanges);
        connect(m_lapModel, &QAbstractItemModel::dataChanged, this, &LapAnalysisModel::slotSourceDataChanged);
        connect(m_lapModel, &QAbstractItemModel::modelReset, this, &LapAnalysisModel::statisticsChanged);
    }
    Q_EMIT statisticsChanged();
}

void LapAnalysisModel::slotSourceReset()
{
    m_durations.clear();
    m_lastSinceStart = 0;
    m_statistics.clear();
    m_fastestRows.clear();
    m_slowestRows.clear();
    m_pendingFirstRow = m_pendingLastRow = -1;
    m_pendingAnnouncement = false;
    m_recomputePending = false;
    m_changedRows.clear();
}

void LapAnalysisModel::slotSourceRowsInserted(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid() || first > last) {
        return;
    }
    if (first != m_durations.size()) {
        m_recomputePending = true;
        recompute(first, last - first + 1);
        return;
    }
    for (int row = first; row <= last; ++row) {
        const int time = m_lapModel->sinceStart(row);
        // As in the lap table: a lap earlier than the one before (an opened session out of
        // order) took no time.
        addDuration(row, row == 0 ? time : std::max(0, time - m_lastSinceStart));
        m_lastSinceStart = time;
    }
    m_pendingAnnouncement = true;
}

void LapAnalysisModel::addDuration(int row, int duration)
{
    const bool wereShown = marksShown();
    if (m_statistics.isEmpty()) {
        m_fastestRows = {row};
        m_slowestRows = {row};
    } else {
        if (duration < m_statistics.fastest()) {
            addPendingRows(m_fastestRows);
            m_fastestRows = {row};
        } else if (duration == m_statistics.fastest()) {
            m_fastestRows.append(row);
        }
        if (duration > m_statistics.slowest()) {
            addPendingRows(m_slowestRows);
            m_slowestRows = {row};
        } else if (duration == m_statistics.slowest()) {
            m_slowestRows.append(row);
        }
    }
    m_durations.append(duration);
    m_statistics.add(duration);
    if (wereShown != marksShown()) {
        addPendingRows(m_fastestRows);
        addPendingRows(m_slowestRows);
    }
}

void LapAnalysisModel::slotSourceRowsRemoved(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid() || first > last) {
        return;
    }
    m_recomputePending = true;
    recompute(first, first - last - 1);
}

void LapAnalysisModel::slotSourceDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    Q_UNUSED(bottomRight)
    if (topLeft.parent().isValid()) {
        return;
    }
    // Durations follow the times since the start; a change that names its roles without
    // those (a note, a text formed anew) leaves every figure as it is.
    if (!roles.isEmpty() && !roles.contains(LapModel::AbsoluteTimeRole)) {
        return;
    }
    m_recomputePending = true;
    recompute(0, 0);
    slotAnnounceChanges();
}

void LapAnalysisModel::recompute(int movedFrom, int moved)
{
    // Where a row of before the change is now: rows from movedFrom on moved by @p moved,
    // and those of a removal are gone.
    const auto rowNow = [movedFrom, moved](int row) {
        if (row < movedFrom) {
            return row;
        }
        return moved < 0 && row < movedFrom - moved ? -1 : row + moved;
    };
    // Rows still to be announced from an earlier change, in their new places.
    QList<int> changedRows;
    for (const int row : std::as_const(m_changedRows)) {
        changedRows.append(rowNow(row));
    }
    const bool shownBefore = marksShown();
    const qint64 fastestBefore = m_statistics.fastest();
    const qint64 slowestBefore = m_statistics.slowest();
    const QList<int> durationsBefore = m_durations;

    m_durations.clear();
    m_fastestRows.clear();
    m_slowestRows.clear();
    const int rows = m_lapModel ? m_lapModel->rowCount() : 0;
    m_durations.reserve(rows);
    int previous = 0;
    for (int row = 0; row < rows; ++row) {
        const int time = m_lapModel->sinceStart(row);
        m_durations.append(row == 0 ? time : std::max(0, time - previous));
        previous = time;
    }
    m_lastSinceStart = previous;
    // Linear work throughout, so that an edit in the middle of a long run stays quick.
    m_statistics.assign(m_durations);
    if (!m_durations.isEmpty()) {
        for (int row = 0; row < rows; ++row) {
            const int duration = m_durations.at(row);
            if (duration == m_statistics.fastest()) {
                m_fastestRows.append(row);
            }
            if (duration == m_statistics.slowest()) {
                m_slowestRows.append(row);
            }
        }
    }
    // The rows that read differently now: another duration (they sort anew) or another mark.
    // Ties can mark half the table, so only a real change counts. Rows put in are announced
    // by the insertion itself.
    const bool shownNow = marksShown();
    const auto markOf = [](bool shown, qint64 fastest, qint64 slowest, int duration) {
        if (!shown) {
            return NoMark;
        }
        return duration == fastest ? FastestMark : duration == slowest ? SlowestMark : NoMark;
    };
    for (int row = 0; row < durationsBefore.size(); ++row) {
        const int now = rowNow(row);
        if (now < 0 || now >= rows) {
            continue;
        }
        const int before = durationsBefore.at(row);
        const int duration = m_durations.at(now);
        if (before != duration
            || markOf(shownBefore, fastestBefore, slowestBefore, before) != markOf(shownNow, m_statistics.fastest(), m_statistics.slowest(), duration)) {
            changedRows.append(now);
        }
    }
    m_changedRows.clear();
    for (const int row : std::as_const(changedRows)) {
        if (row >= 0 && row < rows) {
            m_changedRows.append(row);
        }
    }
    m_pendingFirstRow = m_pendingLastRow = -1;
    m_pendingAnnouncement = true;
}

void LapAnalysisModel::announceChangedRows()
{
    QList<int> rows = std::exchange(m_changedRows, {});
    // They come in order unless an earlier change is still to be announced; sorting tens of
    // thousands of tied rows again would cost more than the rest of the edit.
    if (!std::is_sorted(rows.cbegin(), rows.cend())) {
        std::sort(rows.begin(), rows.end());
    }
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int column = lapTimeColumn();
    if (column < 0 || rows.isEmpty()) {
        return;
    }
    // Each run of rows on its own, so that the views and the sort proxy above look at these
    // rows only and not at the whole table; a great many of them (ties) go as one range.
    QList<std::pair<int, int>> ranges;
    for (const int row : std::as_const(rows)) {
        if (!ranges.isEmpty() && ranges.last().second + 1 == row) {
            ranges.last().second = row;
        } else {
            ranges.append({row, row});
        }
    }
    constexpr qsizetype MostRanges = 32;
    if (ranges.size() > MostRanges) {
        ranges = {{rows.constFirst(), rows.constLast()}};
    }
    const QList<int> roles{MarkRole, DurationRole, SortRole, Qt::DecorationRole, Qt::ForegroundRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole};
    for (const auto &[first, last] : std::as_const(ranges)) {
        Q_EMIT dataChanged(index(first, column), index(last, column), roles);
    }
}

void LapAnalysisModel::addPendingRows(const QList<int> &rows)
{
    // One range covers them all: views repaint a range at once instead of row by row.
    for (const int row : rows) {
        if (row >= m_durations.size()) {
            continue; // new, announced by the insertion
        }
        m_pendingFirstRow = m_pendingFirstRow < 0 ? row : std::min(m_pendingFirstRow, row);
        m_pendingLastRow = std::max(m_pendingLastRow, row);
    }
}

void LapAnalysisModel::slotAnnounceChanges()
{
    if (!m_pendingAnnouncement) {
        return;
    }
    m_pendingAnnouncement = false;
    if (m_recomputePending) {
        m_recomputePending = false;
        m_pendingFirstRow = m_pendingLastRow = -1;
        announceChangedRows();
    }
    if (m_pendingFirstRow >= 0) {
        const int first = m_pendingFirstRow;
        const int last = m_pendingLastRow;
        m_pendingFirstRow = m_pendingLastRow = -1;
        announceMarks(first, last);
    }
    // Every lap moves the mean, so every difference changes.
    const int column = meanDifferenceColumn();
    if (column >= 0 && m_durations.size() > 1) {
        Q_EMIT dataChanged(index(0, column), index(int(m_durations.size()) - 1, column), {Qt::DisplayRole, MeanDifferenceRole, SortRole});
    }
    Q_EMIT statisticsChanged();
}

void LapAnalysisModel::announceMarks(int firstRow, int lastRow)
{
    const int column = lapTimeColumn();
    if (column < 0 || firstRow > lastRow) {
        return;
    }
    // Only what the marking shows; the lap texts themselves and their sort order stay.
    Q_EMIT dataChanged(index(firstRow, column),
                       index(lastRow, column),
                       {MarkRole, Qt::DecorationRole, Qt::ForegroundRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

bool LapAnalysisModel::marksShown() const
{
    return m_markingEnabled && m_statistics.count() >= 2 && m_statistics.fastest() != m_statistics.slowest();
}

int LapAnalysisModel::lapTimeColumn() const
{
    return m_lapModel ? m_lapModel->columnForRole(LapModel::RelativeTimeRole) : -1;
}

int LapAnalysisModel::sourceColumnCount() const
{
    return m_lapModel ? m_lapModel->columnCount() : 0;
}

void LapAnalysisModel::setMarkingEnabled(bool enabled)
{
    if (m_markingEnabled == enabled) {
        return;
    }
    const bool wereShown = marksShown();
    m_markingEnabled = enabled;
    if (wereShown != marksShown()) {
        announceMarks(0, int(m_durations.size()) - 1);
    }
}

bool LapAnalysisModel::isMarkingEnabled() const
{
    return m_markingEnabled;
}

void LapAnalysisModel::setMeanDifferenceShown(bool shown)
{
    if (m_meanDifferenceShown == shown || !m_lapModel) {
        return;
    }
    const int column = sourceColumnCount();
    if (shown) {
        beginInsertColumns(QModelIndex(), column, column);
        m_meanDifferenceShown = true;
        endInsertColumns();
    } else {
        beginRemoveColumns(QModelIndex(), column, column);
        m_meanDifferenceShown = false;
        endRemoveColumns();
    }
}

bool LapAnalysisModel::isMeanDifferenceShown() const
{
    return m_meanDifferenceShown;
}

int LapAnalysisModel::meanDifferenceColumn() const
{
    return m_meanDifferenceShown ? sourceColumnCount() : -1;
}

const LapStatistics &LapAnalysisModel::statistics() const
{
    return m_statistics;
}

qint64 LapAnalysisModel::duration(int row) const
{
    return row >= 0 && row < m_durations.size() ? m_durations.at(row) : 0;
}

LapAnalysisModel::Mark LapAnalysisModel::mark(int row) const
{
    if (row < 0 || row >= m_durations.size() || !marksShown()) {
        return NoMark;
    }
    const qint64 lap = m_durations.at(row);
    if (lap == m_statistics.fastest()) {
        return FastestMark;
    }
    return lap == m_statistics.slowest() ? SlowestMark : NoMark;
}

QString LapAnalysisModel::formatDuration(double milliseconds) const
{
    // Lap durations lie within the stopwatch's range, and so do their figures.
    const qint64 rounded = std::clamp<qint64>(std::llround(milliseconds), 0, Stopwatch::MaximumTime);
    const TimeFormat format = m_lapModel ? m_lapModel->timeFormat() : TimeFormat();
    return format.format(rounded);
}

QString LapAnalysisModel::formatDifference(double milliseconds) const
{
    const QString magnitude = formatDuration(std::abs(milliseconds));
    // A difference that the format shows as zero gets no sign.
    if (magnitude == formatDuration(0)) {
        return magnitude;
    }
    return (milliseconds < 0 ? u"-"_s : u"+"_s) + magnitude;
}

int LapAnalysisModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : QIdentityProxyModel::rowCount();
}

int LapAnalysisModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid()) {
        return 0;
    }
    return sourceColumnCount() + (m_meanDifferenceShown ? 1 : 0);
}

bool LapAnalysisModel::hasChildren(const QModelIndex &parent) const
{
    return !parent.isValid() && rowCount() > 0;
}

QModelIndex LapAnalysisModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
        return {};
    }
    if (column == meanDifferenceColumn()) {
        return createIndex(row, column);
    }
    return QIdentityProxyModel::index(row, column);
}

QModelIndex LapAnalysisModel::parent(const QModelIndex &child) const
{
    Q_UNUSED(child)
    return {};
}

QModelIndex LapAnalysisModel::sibling(int row, int column, const QModelIndex &index) const
{
    Q_UNUSED(index)
    return this->index(row, column);
}

QModelIndex LapAnalysisModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.column() >= sourceColumnCount()) {
        return {};
    }
    return QIdentityProxyModel::mapToSource(proxyIndex);
}

QVariant LapAnalysisModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= m_durations.size()) {
        return QIdentityProxyModel::data(index, role);
    }
    const int row = index.row();

    switch (role) {
    case MarkRole:
        return mark(row);
    case DurationRole:
        return m_durations.at(row);
    case MeanDifferenceRole:
        return m_statistics.differenceToMean(m_durations.at(row));
    default:
        break;
    }

    if (index.column() == meanDifferenceColumn()) {
        switch (role) {
        case Qt::DisplayRole:
            return formatDifference(m_statistics.differenceToMean(m_durations.at(row)));
        case SortRole:
            return m_statistics.differenceToMean(m_durations.at(row));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
        }
    }

    if (role == SortRole) {
        if (index.column() == lapTimeColumn()) {
            return m_durations.at(row);
        }
        if (index.column() == m_lapModel->columnForRole(LapModel::AbsoluteTimeRole)) {
            return m_lapModel->data(mapToSource(index), LapModel::LapRole).value<Lap>().time();
        }
        return QIdentityProxyModel::data(index, Qt::DisplayRole);
    }

    if (index.column() == lapTimeColumn()) {
        const Mark lapMark = mark(row);
        if (lapMark != NoMark) {
            switch (role) {
            case Qt::DecorationRole:
                return markIcon(lapMark, markColor(lapMark));
            case Qt::ForegroundRole:
                return QBrush(markColor(lapMark));
            case Qt::ToolTipRole:
            case Qt::AccessibleDescriptionRole:
                return markText(lapMark);
            default:
                break;
            }
        }
    }
    return QIdentityProxyModel::data(index, role);
}

QVariant LapAnalysisModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == meanDifferenceColumn() && section >= 0) {
        if (role == Qt::DisplayRole) {
            return i18nc("@title:column difference of each lap time to the mean lap time", "Δ Mean");
        }
        if (role == Qt::ToolTipRole) {
            return i18nc("@info:tooltip", "Difference of the lap time to the mean of all laps");
        }
        return {};
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
}

Qt::ItemFlags LapAnalysisModel::flags(const QModelIndex &index) const
{
    // The root is no item; views only ask it whether drops are taken, and none are.
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    if (index.column() == meanDifferenceColumn()) {
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    }
    return QIdentityProxyModel::flags(index);
}

#include "moc_lapanalysismodel.cpp"
