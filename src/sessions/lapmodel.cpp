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

    const Lap &lap = m_laps.at(index.row());
    switch (role) {
    case LapNumberRole:
        return index.row() + 1;
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
    const bool edited = m_laps.at(index.row()).note() != note;
    m_laps[index.row()].setNote(note);
    Q_EMIT dataChanged(index, index);
    if (edited) {
        Q_EMIT noteEdited(index.row());
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

    // Laps of an opened session may come out of order; timeTo() then gives zero.
    const QTime relative = m_laps.isEmpty() ? lap.time() : m_laps.last().timeTo(lap);
    Lap formatted = lap;
    formatted.setRelativeTime(m_timeFormat.format(relative));
    formatted.setAbsoluteTime(m_timeFormat.format(lap.time()));
    m_laps.append(formatted);

    endInsertRows();
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
    endResetModel();
    for (const Lap &lap : laps) {
        append(lap);
    }
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

void LapModel::addLap(const QTime &lapTime)
{
    append(Lap(lapTime));
}

void LapModel::clear()
{
    beginResetModel();
    m_laps.clear();
    endResetModel();
}

#include "moc_lapmodel.cpp"
