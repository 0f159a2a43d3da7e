// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "session.h"

#include <QAbstractTableModel>
#include <QList>

#include <functional>
#include <optional>

class SessionsFile;

/**
 * The saved sessions of the user, one row each, and their file "sessions.json" in the
 * application's local data directory.
 *
 * Several Tickwarden processes may share the file, so the rows are only a view of it: every
 * change takes a lock beside the file, reads what is stored there now, applies just that
 * change and writes the result, all before the lock is released. What other processes saved
 * meanwhile comes in with the next change, or earlier when the file system reports it.
 *
 * A write never leaves a half-written file behind, and a file that could not be read is kept
 * next to the new one instead of being overwritten. A change that cannot be written is not
 * made: the caller hears of it through the result, errorString() and writeFailed().
 *
 * SessionsFile carries out that protocol on the disk; SessionRowDiff tells which rows a
 * new content of the file inserts, removes or changes, which the model then announces.
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
    ~SessionModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // Rows another process removed meanwhile count as removed.
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    // Adds @p session as the last row. False when it could not be written.
    bool append(const Session &session);
    // Writes the times of a window's @p session over its stored copy (the stored session
    // with its id): time, laps and comparison, stamped with the current date. The name and
    // note stay as stored, since the session dialog and other processes change them, and
    // @p session takes them and the date. A session whose stored copy is gone (removed in
    // another window or process meanwhile) is added again as the last row, whole, instead
    // of being dropped; @p storedAnew then tells so. False when it could not be written.
    bool save(Session &session, bool *storedAnew = nullptr);
    // The stored copy of @p session as the rows show it now, if there is one.
    [[nodiscard]] std::optional<Session> storedCopyOf(const Session &session) const;
    [[nodiscard]] bool isEmpty() const;
    [[nodiscard]] bool isEditable(const QModelIndex &index) const;
    // The column that shows @p role, or -1.
    [[nodiscard]] int columnForRole(int role) const;

    // Why the last change was not written; empty when it was, or when it was refused.
    [[nodiscard]] QString errorString() const;
    [[nodiscard]] static QString fileName();

public Q_SLOTS:
    // Writes the sessions file anew from what it holds now; false when it could not.
    bool slotWriteData();
    // Takes in what other processes stored since the file was last read or written.
    void refresh();

Q_SIGNALS:
    // A change could not be written to @p fileName; the rows still show what the file holds.
    void writeFailed(const QString &fileName, const QString &reason);

private:
    // What a change did to the sessions it was given.
    enum class Outcome {
        Changed,
        // Nothing to write: the sessions are as the change wants them already.
        AlreadyDone,
        Refused,
    };
    using Change = std::function<Outcome(QList<Session> &)>;

    bool commit(const Change &change);
    // Reports the failure of the sessions file to the caller.
    bool fail();
    // Turns the rows into @p stored, sessions another process saved, keeping the ids of
    // those that an earlier version stored without theirs.
    void takeIn(QList<Session> stored);
    // Turns the rows into @p sessions with the row signals of what differs, so that views
    // keep their selection and editors on sessions that stay.
    void adopt(const QList<Session> &sessions);

    const QList<int> m_roles;
    QList<Session> m_sessions;
    QString m_errorString;
    SessionsFile *m_file = nullptr;
};
