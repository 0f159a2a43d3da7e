// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapmodel.h"

#include <KLocalizedString>

LapModel::LapModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_roles{LapNumberRole, RelativeTimeRole, AbsoluteTimeRole, NoteRole}
{
}

int LapModel::rowCount(const QModelIndex &parent) const
{
    // A table: items have no children.
    return parent.isValid() ? 0 : int(m_laps.size());
}

int LapModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_roles.size());
}

QVariant LapModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_laps.size()) {
        return {};
    }

    if (role == Qt::DisplayRole) {
        return data(index, Qt::UserRole + index.column());
    }
    if (role == Qt::EditRole) {
        return index.column() == columnForRole(NoteRole) ? data(index, NoteRole) : QVariant();
    }

    if (role == LapNumberRole) {
        return index.row() + 1;
    }
    const Lap &lap = formedLap(index.row());
    switch (role) {
    case RelativeTimeRole:
        return lap.relativeTime();
    case AbsoluteTimeRole:
        return lap.absoluteTime();
    case NoteRole:
        return lap.note();
    case LapRole:
        return QVariant::fromValue(lap);
    default:
        return {};
    }
}

QVariant LapModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_roles.size()) {
        return {};
    }

    switch (m_roles.at(section)) {
    case LapNumberRole:
        return i18nc("lap number", "Lap #");
    case RelativeTimeRole:
        return i18nc("@title:column", "Lap Time");
    case AbsoluteTimeRole:
        return i18nc("@title:column", "Global Time");
    case NoteRole:
        return i18nc("@title:column", "Note");
    default:
        return {};
    }
}

bool LapModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= m_laps.size() || role != Qt::EditRole || index.column() != columnForRole(NoteRole)) {
        return false;
    }

    const QString note = value.toString();
    const QString previous = m_laps.at(index.row()).note();
    m_laps[index.row()].setNote(note);
    // The roles tell the lap analysis that no time changed.
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole, NoteRole, LapRole});
    if (previous != note) {
        Q_EMIT noteEdited(index.row(), previous);
    }
    return true;
}

Qt::ItemFlags LapModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::ItemIsEnabled;
    }
    if (index.column() == columnForRole(NoteRole)) {
        return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
    }
    return QAbstractTableModel::flags(index);
}

void LapModel::append(const Lap &lap)
{
    const int row = int(m_laps.size());
    beginInsertRows(QModelIndex(), row, row);
    m_laps.append(formatted(lap, m_laps.isEmpty() ? nullptr : &m_laps.last()));
    m_formedAfter.append(m_shifts);
    endInsertRows();
}

void LapModel::appendLaps(const QList<Lap> &laps)
{
    if (laps.isEmpty()) {
        return;
    }
    const int first = int(m_laps.size());
    beginInsertRows(QModelIndex(), first, first + int(laps.size()) - 1);
    m_laps.reserve(first + laps.size());
    m_formedAfter.reserve(first + laps.size());
    for (const Lap &lap : laps) {
        m_laps.append(formatted(lap, m_laps.isEmpty() ? nullptr : &m_laps.last()));
        m_formedAfter.append(m_shifts);
    }
    endInsertRows();
}

Lap LapModel::formatted(const Lap &lap, const Lap *previous) const
{
    // Laps of an opened session may come out of order; timeTo() then gives zero.
    const int relative = previous ? previous->timeTo(lap) : lap.time();
    Lap result = lap;
    result.setRelativeTime(m_timeFormat.format(relative));
    result.setAbsoluteTime(m_timeFormat.format(lap.time()));
    return result;
}

void LapModel::reformatRow(int row)
{
    if (row < 0 || row >= m_laps.size()) {
        return;
    }
    m_laps[row] = formatted(m_laps.at(row), row == 0 ? nullptr : &m_laps.at(row - 1));
    m_formedAfter[row] = m_shifts;
    // Its time since the start stays; only the time since the previous lap reads anew.
    const QModelIndex changed = index(row, columnForRole(RelativeTimeRole));
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole, RelativeTimeRole, LapRole});
}

Lap LapModel::lap(int row) const
{
    return row >= 0 && row < m_laps.size() ? formedLap(row) : Lap();
}

const Lap &LapModel::formedLap(int row) const
{
    if (m_formedAfter.at(row) != m_shifts) {
        Lap &lap = m_laps[row];
        lap.setAbsoluteTime(m_timeFormat.format(lap.time()));
        m_formedAfter[row] = m_shifts;
    }
    return m_laps.at(row);
}

int LapModel::sinceStart(int row) const
{
    return row >= 0 && row < m_laps.size() ? m_laps.at(row).time() : 0;
}

void LapModel::insertLap(int row, const Lap &lap)
{
    if (row < 0 || row > m_laps.size()) {
        return;
    }
    beginInsertRows(QModelIndex(), row, row);
    m_laps.insert(row, formatted(lap, row == 0 ? nullptr : &m_laps.at(row - 1)));
    m_formedAfter.insert(row, m_shifts);
    endInsertRows();
    reformatRow(row + 1);
}

Lap LapModel::removeLap(int row)
{
    if (row < 0 || row >= m_laps.size()) {
        return Lap();
    }
    beginRemoveRows(QModelIndex(), row, row);
    const Lap removed = formedLap(row);
    m_laps.remove(row);
    m_formedAfter.remove(row);
    endRemoveRows();
    reformatRow(row);
    return removed;
}

void LapModel::setNote(int row, const QString &note)
{
    if (row < 0 || row >= m_laps.size() || m_laps.at(row).note() == note) {
        return;
    }
    m_laps[row].setNote(note);
    const QModelIndex changed = index(row, columnForRole(NoteRole));
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole, NoteRole, LapRole});
}

void LapModel::shiftTimes(int milliseconds)
{
    if (milliseconds == 0 || m_laps.isEmpty()) {
        return;
    }
    // The texts of the time since the start are formed as the rows are asked for.
    ++m_shifts;
    for (Lap &lap : m_laps) {
        lap.setTime(lap.time() + milliseconds);
    }
    // Only the first lap changes its own length.
    m_laps[0] = formatted(m_laps.at(0), nullptr);
    m_formedAfter[0] = m_shifts;
    Q_EMIT timesShifted(milliseconds);
    Q_EMIT dataChanged(index(0, columnForRole(RelativeTimeRole)),
                       index(rowCount() - 1, columnForRole(AbsoluteTimeRole)),
                       {Qt::DisplayRole, RelativeTimeRole, AbsoluteTimeRole, LapRole});
}

void LapModel::setTimeFormat(const TimeFormat &format)
{
    // Every settings change reaches here; rewriting a long table for the same format is a
    // visible stall.
    if (format == m_timeFormat) {
        return;
    }
    m_timeFormat = format;
    if (m_laps.isEmpty()) {
        return;
    }

    const QList<Lap> laps = m_laps;
    beginResetModel();
    m_laps.clear();
    m_formedAfter.clear();
    endResetModel();
    appendLaps(laps);
}

TimeFormat LapModel::timeFormat() const
{
    return m_timeFormat;
}

bool LapModel::isEmpty() const
{
    return m_laps.isEmpty();
}

int LapModel::columnForRole(int role) const
{
    return int(m_roles.indexOf(role));
}

void LapModel::addLap(int sinceStart)
{
    append(Lap(sinceStart));
}

void LapModel::clear()
{
    beginResetModel();
    m_laps.clear();
    m_formedAfter.clear();
    endResetModel();
}

#include "moc_lapmodel.cpp"
