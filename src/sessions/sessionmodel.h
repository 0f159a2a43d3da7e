// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "session.h"

#include <QAbstractTableModel>
#include <QList>

class QJsonObject;

/**
 * The saved sessions of the user, one row each, and their file "sessions.json" in the
 * application's local data directory.
 *
 * The file is read once, at construction, and written anew after every change. A write
 * never leaves a half-written file behind, and a file that could not be read is kept
 * next to the new one instead of being overwritten.
 */
class SessionModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Column c shows the role Qt::UserRole + c; SessionRole has no column.
    enum Roles {
        SessionNumberRole = Qt::UserRole,
        NameRole,
        DateRole,
        NoteRole,
        SessionRole,
    };
    Q_ENUM(Roles)

    explicit SessionModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    void append(const Session &session);
    // Replaces the stored session equal to @p session and stamps both with the current date.
    // Returns false, changing nothing, when no stored session is equal to it.
    bool update(Session &session);
    [[nodiscard]] bool isEmpty() const;
    [[nodiscard]] bool isEditable(const QModelIndex &index) const;
    // The column that shows @p role, or -1.
    [[nodiscard]] int columnForRole(int role) const;

public Q_SLOTS:
    void slotWriteData();

private:
    void read(const QJsonObject &json);

    const QList<int> m_roles;
    QList<Session> m_sessions;
    // The file found at start-up could not be taken whole; it is moved aside before the
    // first write replaces it.
    bool m_keepFileAside = false;
};
