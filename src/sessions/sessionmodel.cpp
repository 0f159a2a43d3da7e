// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionmodel.h"

#include "sessionrowdiff.h"
#include "sessionsfile.h"

#include <KLocalizedString>

#include <QHash>
#include <QLockFile>
#include <QSet>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace
{
bool sameSecond(const Session &a, const Session &b)
{
    return a.date().isValid() && b.date().isValid() && a.date().toSecsSinceEpoch() == b.date().toSecsSinceEpoch();
}

// The session of @p sessions that the file holds without an id (an earlier version wrote it
// last) and that may be @p session: it has only its date to go by, which the file keeps to
// the second. Of several, the one with the same name. -1 when there is none.
qsizetype sameSecondWithoutId(const QList<Session> &sessions, const Session &session)
{
    qsizetype found = -1;
    for (qsizetype row = 0; row < sessions.size(); ++row) {
        const Session &candidate = sessions.at(row);
        if (!candidate.hasDerivedId() || !sameSecond(candidate, session)) {
            continue;
        }
        if (candidate.name() == session.name()) {
            return row;
        }
        if (found < 0) {
            found = row;
        }
    }
    return found;
}

// Where the stored copy of @p session is in @p sessions, -1 when it is gone. The
// @p occurrence-th one with its id counts, for files where an id was copied by hand.
qsizetype storedCopy(const QList<Session> &sessions, const Session &session, qsizetype occurrence = 0)
{
    for (qsizetype row = 0; row < sessions.size(); ++row) {
        if (sessions.at(row).id() == session.id() && occurrence-- == 0) {
            return row;
        }
    }
    return sameSecondWithoutId(sessions, session);
}

// An earlier version that writes the file drops the ids; the sessions this process knew
// before get theirs back from @p known by their date and name, so that the windows that
// hold them still find them, and the next write stores the ids again.
void keepKnownIds(QList<Session> &sessions, const QList<Session> &known)
{
    QSet<QString> taken;
    bool derived = false;
    for (const Session &session : std::as_const(sessions)) {
        taken.insert(session.id());
        derived = derived || session.hasDerivedId();
    }
    if (!derived) {
        return;
    }
    // By second, so that a whole file of sessions that lost their ids costs no more than
    // reading it.
    QHash<qint64, QList<qsizetype>> candidates;
    for (qsizetype k = 0; k < known.size(); ++k) {
        const Session &session = known.at(k);
        if (!taken.contains(session.id()) && session.date().isValid()) {
            candidates[session.date().toSecsSinceEpoch()].append(k);
        }
    }
    // The same name first, so that a session renamed nowhere never takes the id of another
    // one saved in the same second; then any of that second, as for a window's session.
    for (const bool byName : {true, false}) {
        for (Session &session : sessions) {
            if (!session.hasDerivedId() || !session.date().isValid()) {
                continue;
            }
            const auto second = candidates.find(session.date().toSecsSinceEpoch());
            if (second == candidates.end()) {
                continue;
            }
            const auto found = std::find_if(second->begin(), second->end(), [&known, &session, byName](qsizetype k) {
                return !byName || known.at(k).name() == session.name();
            });
            if (found != second->end()) {
                session.setId(known.at(*found).id());
                second->erase(found);
            }
        }
    }
}

// Where the session of row @p row of @p before is in @p after, a later state of the same
// file: the n-th session with its id stays the n-th one. -1 when it is gone.
qsizetype counterpart(const QList<Session> &before, int row, const QList<Session> &after)
{
    if (before.constData() == after.constData() && before.size() == after.size()) {
        return row;
    }
    const QString id = before.at(row).id();
    const qsizetype occurrence = std::count_if(before.begin(), before.begin() + row, [&id](const Session &session) {
        return session.id() == id;
    });
    return storedCopy(after, before.at(row), occurrence);
}
}

SessionModel::SessionModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_roles{SessionNumberRole, NameRole, DateRole, NoteRole}
    , m_file(new SessionsFile(SessionsFile::userFileName(), this))
{
    m_sessions = m_file->load();
    connect(m_file, &SessionsFile::changedOutside, this, &SessionModel::refresh);
}

SessionModel::~SessionModel() = default;

int SessionModel::rowCount(const QModelIndex &parent) const
{
    // A table: items have no children.
    return parent.isValid() ? 0 : int(m_sessions.size());
}

int SessionModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_roles.size());
}

QVariant SessionModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_sessions.size()) {
        return {};
    }

    if (role == Qt::DisplayRole) {
        return data(index, Qt::UserRole + index.column());
    }
    if (role == Qt::EditRole) {
        if (index.column() == columnForRole(NameRole)) {
            return data(index, NameRole);
        }
        if (index.column() == columnForRole(NoteRole)) {
            return data(index, NoteRole);
        }
        return {};
    }

    const Session &session = m_sessions.at(index.row());
    switch (role) {
    case SessionNumberRole:
        return QString::number(index.row() + 1);
    case NameRole:
        return session.name();
    case DateRole:
        return session.date();
    case NoteRole:
        return session.note();
    case SessionRole:
        return QVariant::fromValue(session);
    default:
        return {};
    }
}

QVariant SessionModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_roles.size()) {
        return {};
    }

    switch (m_roles.at(section)) {
    case SessionNumberRole:
        return i18nc("session number", "Session #");
    case NameRole:
        return i18n("Name");
    case DateRole:
        return i18n("Date");
    case NoteRole:
        return i18n("Note");
    default:
        return {};
    }
}

Qt::ItemFlags SessionModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::ItemIsEnabled;
    }
    if (isEditable(index)) {
        return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
    }
    return QAbstractTableModel::flags(index);
}

bool SessionModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= m_sessions.size()) {
        return false;
    }

    const bool isName = index.column() == columnForRole(NameRole);
    if (!isName && index.column() != columnForRole(NoteRole)) {
        return false;
    }
    const QString text = value.toString();
    // A session without a name could no longer be told apart in the list.
    if (isName && text.isEmpty()) {
        return false;
    }

    return commit([before = m_sessions, row = index.row(), isName, text](QList<Session> &sessions) {
        const qsizetype target = counterpart(before, row, sessions);
        if (target < 0) {
            return Outcome::Refused;
        }
        Session &session = sessions[target];
        if ((isName ? session.name() : session.note()) == text) {
            return Outcome::AlreadyDone;
        }
        if (isName) {
            session.setName(text);
        } else {
            session.setNote(text);
        }
        return Outcome::Changed;
    });
}

bool SessionModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > m_sessions.size()) {
        return false;
    }

    return commit([before = m_sessions, row, count](QList<Session> &sessions) {
        QList<qsizetype> targets;
        for (int r = row; r < row + count; ++r) {
            if (const qsizetype target = counterpart(before, r, sessions); target >= 0) {
                targets.append(target);
            }
        }
        if (targets.isEmpty()) {
            return Outcome::AlreadyDone;
        }
        std::sort(targets.begin(), targets.end(), std::greater<>());
        for (const qsizetype target : std::as_const(targets)) {
            sessions.removeAt(target);
        }
        return Outcome::Changed;
    });
}

bool SessionModel::append(const Session &session)
{
    return commit([session](QList<Session> &sessions) {
        sessions.append(session);
        return Outcome::Changed;
    });
}

bool SessionModel::save(Session &session, bool *storedAnew)
{
    const QDateTime stamp = QDateTime::currentDateTime();
    bool added = false;
    Session written;
    const bool ok = commit([&session, &added, &written, stamp](QList<Session> &sessions) {
        written = session;
        written.setDate(stamp);
        const qsizetype row = storedCopy(sessions, session);
        added = row < 0;
        if (added) {
            sessions.append(written);
        } else {
            written.setName(sessions.at(row).name());
            written.setNote(sessions.at(row).note());
            sessions[row] = written;
        }
        return Outcome::Changed;
    });
    if (ok) {
        session.setName(written.name());
        session.setNote(written.note());
        session.setDate(stamp);
        // Written with the session: an id derived on reading is the stored one now.
        session.setId(session.id());
    }
    if (storedAnew) {
        *storedAnew = ok && added;
    }
    return ok;
}

std::optional<Session> SessionModel::storedCopyOf(const Session &session) const
{
    const qsizetype row = storedCopy(m_sessions, session);
    return row < 0 ? std::nullopt : std::optional<Session>(m_sessions.at(row));
}

bool SessionModel::isEmpty() const
{
    return m_sessions.isEmpty();
}

bool SessionModel::isEditable(const QModelIndex &index) const
{
    const int column = index.column();
    return column == columnForRole(NameRole) || column == columnForRole(NoteRole);
}

int SessionModel::columnForRole(int role) const
{
    return int(m_roles.indexOf(role));
}

QString SessionModel::errorString() const
{
    return m_errorString;
}

QString SessionModel::fileName()
{
    return SessionsFile::userFileName();
}

bool SessionModel::slotWriteData()
{
    return commit([](QList<Session> &) {
        return Outcome::Changed;
    });
}

void SessionModel::refresh()
{
    QList<Session> stored;
    if (m_file->takeReplaced(&stored)) {
        takeIn(std::move(stored));
    }
}

bool SessionModel::commit(const Change &change)
{
    m_errorString.clear();
    const std::unique_ptr<QLockFile> lock = m_file->lock();
    if (!lock) {
        return fail();
    }

    // The change goes onto what the file holds now, so that what other processes saved
    // since the last look stays. A file that vanished was lost outside the program (it
    // never removes the file); then the rows are the last copy of the sessions there is.
    QList<Session> stored;
    switch (m_file->takeStored(&stored)) {
    case SessionsFile::Look::Failed:
        return fail();
    case SessionsFile::Look::Changed:
        takeIn(std::move(stored));
        break;
    case SessionsFile::Look::Unchanged:
        break;
    }

    QList<Session> sessions = m_sessions;
    switch (change(sessions)) {
    case Outcome::Refused:
        return false;
    case Outcome::AlreadyDone:
        return true;
    case Outcome::Changed:
        break;
    }

    if (!m_file->write(sessions)) {
        return fail();
    }
    // The file has every id now; none is a guess from the date any more.
    for (Session &session : sessions) {
        if (session.hasDerivedId()) {
            session.setId(session.id());
        }
    }
    adopt(sessions);
    return true;
}

bool SessionModel::fail()
{
    m_errorString = m_file->errorString();
    Q_EMIT writeFailed(m_file->fileName(), m_errorString);
    return false;
}

void SessionModel::takeIn(QList<Session> stored)
{
    keepKnownIds(stored, m_sessions);
    adopt(stored);
}

void SessionModel::adopt(const QList<Session> &sessions)
{
    const SessionRowDiff diff(m_sessions, sessions);
    if (diff.isReset()) {
        beginResetModel();
        m_sessions = sessions;
        endResetModel();
        return;
    }

    for (const SessionRowDiff::Range &rows : diff.removals()) {
        beginRemoveRows(QModelIndex(), int(rows.first), int(rows.last));
        m_sessions.remove(rows.first, rows.last - rows.first + 1);
        endRemoveRows();
    }
    for (const SessionRowDiff::Range &rows : diff.insertions()) {
        beginInsertRows(QModelIndex(), int(rows.first), int(rows.last));
        m_sessions.insert(rows.first, rows.last - rows.first + 1, Session());
        std::copy(sessions.begin() + rows.first, sessions.begin() + rows.last + 1, m_sessions.begin() + rows.first);
        endInsertRows();
    }
    for (const SessionRowDiff::Range &rows : diff.changes()) {
        std::copy(sessions.begin() + rows.first, sessions.begin() + rows.last + 1, m_sessions.begin() + rows.first);
        Q_EMIT dataChanged(index(int(rows.first), 0), index(int(rows.last), columnCount() - 1));
    }
}

#include "moc_sessionmodel.cpp"
