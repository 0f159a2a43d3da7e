// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionmodel.h"

#include "leftoverlock.h"

#include <KLocalizedString>

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Another process holds the lock only while it reads and writes the file once.
constexpr int lockTimeout = 5000;
// File system events come in bursts (temporary file, rename, lock file); one look is enough.
constexpr int refreshDelay = 50;

QString sessionsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + u"/sessions.json"_s;
}

QList<Session> sessionsOf(const QJsonObject &json)
{
    QList<Session> result;
    const QJsonArray sessions = json.value(u"sessions"_s).toArray();
    result.reserve(sessions.size());
    // Sessions written without an id by earlier versions get theirs from the date text;
    // those of one date are told apart by their order.
    QHash<QString, int> sameDate;
    for (const QJsonValue &value : sessions) {
        const QJsonObject session = value.toObject();
        int before = 0;
        if (session.value(u"id"_s).toString().isEmpty()) {
            const QJsonValue date = session.value(u"date"_s);
            before = sameDate[date.isString() ? date.toString() : QString()]++;
        }
        result.append(Session::fromJson(session, before));
    }
    return result;
}

// What is found at the path of the sessions file.
struct SessionsFile {
    bool exists = false;
    // Whether the content could be taken whole as the file's envelope; content that cannot
    // must not be overwritten, or whatever the reader skipped would be gone for good.
    bool usable = false;
    // The text is the one the rows were taken from already; it was not parsed again.
    bool known = false;
    QByteArray hash;
    QJsonObject envelope;
};

bool isEnvelope(const QJsonDocument &document)
{
    if (!document.isObject()) {
        return false;
    }
    const QJsonValue sessions = document.object().value(u"sessions"_s);
    if (!sessions.isArray()) {
        return false;
    }
    const QJsonArray array = sessions.toArray();
    return std::all_of(array.begin(), array.end(), [](const QJsonValue &session) {
        return session.isObject();
    });
}

QByteArray hashOf(const QByteArray &text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Sha256);
}

SessionsFile inspect(const QString &fileName, const QByteArray &knownHash)
{
    SessionsFile result;
    QFile file(fileName);
    if (!QFileInfo::exists(fileName) && !QFileInfo(fileName).isSymLink()) {
        return result;
    }
    result.exists = true;

    if (!file.open(QIODevice::ReadOnly)) {
        qDebug().nospace() << "cannot open " << file.fileName() << ": " << file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return result;
    }
    result.hash = hashOf(bytes);
    if (!knownHash.isEmpty() && result.hash == knownHash) {
        result.usable = true;
        result.known = true;
        return result;
    }

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    result.envelope = document.object();
    result.usable = error.error == QJsonParseError::NoError && isEnvelope(document);
    return result;
}

// Tells a replaced or rewritten file from the one last seen without reading it. Every
// save replaces the file by another one, so the inode changes even when the size and the
// coarse time stamps of some file systems do not.
QByteArray fileStamp(const QString &fileName)
{
    struct stat info{};
    if (::stat(QFile::encodeName(fileName).constData(), &info) != 0) {
        return {};
    }
    return QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino)) + ':' + QByteArray::number(qint64(info.st_size)) + ':'
        + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(info.st_mtim.tv_nsec)) + ':'
        + QByteArray::number(qint64(info.st_ctim.tv_sec)) + '.' + QByteArray::number(qint64(info.st_ctim.tv_nsec));
}

// Moves an unusable sessions file out of the way under a name that tells what it is and
// since when, so that the user can still recover it.
bool keepAside(const QString &fileName, QString *reason)
{
    const QString stem = fileName + u".broken-"_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-hhmmss"_s);
    QString keptName = stem;
    for (int n = 2; QFileInfo::exists(keptName) || QFileInfo(keptName).isSymLink(); ++n) {
        keptName = stem + u'-' + QString::number(n);
    }

    QFile file(fileName);
    if (!file.rename(keptName)) {
        qWarning().nospace() << "cannot keep the unreadable sessions file " << fileName << " as " << keptName << ": " << file.errorString()
                             << "; the sessions are not saved";
        *reason = i18nc("@info", "The unreadable sessions file could not be kept aside: %1", file.errorString());
        return false;
    }
    qWarning().nospace() << "the sessions file " << fileName << " could not be read; it is kept as " << keptName << " and a new sessions file is written";
    return true;
}

bool takeLock(QLockFile &lock)
{
    // Asked again and again rather than waited on once, so that a leftover of a killed
    // process is taken over as soon as it is old enough, within the same wait.
    QElapsedTimer waited;
    waited.start();
    while (!lock.tryLock(100)) {
        if (waited.elapsed() >= lockTimeout) {
            return false;
        }
        LeftoverLock::removeIfEmpty(lock);
    }
    return true;
}

// @p systemError is errno right after the failed attempt.
QString lockFailure(const QLockFile &lock, const QString &fileName, int systemError)
{
    if (lock.error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString application;
        if (!lock.getLockInfo(&pid, &host, &application)) {
            return i18nc("@info", "The lock file %1 is held by another program.", lock.fileName());
        }
        return i18nc("@info", "Another program (%1, process %2) keeps the sessions file locked.", application, pid);
    }
    if (systemError != 0) {
        return qt_error_string(systemError);
    }
    // Without a reason from the system, the sessions file meets the same obstacle and names it.
    QSaveFile probe(fileName);
    if (!probe.open(QIODevice::WriteOnly)) {
        return probe.errorString();
    }
    probe.cancelWriting();
    return i18nc("@info", "The lock file %1 cannot be created.", lock.fileName());
}

QByteArray textOf(const QList<Session> &sessions)
{
    QJsonArray array;
    for (const Session &session : sessions) {
        QJsonObject object;
        session.toJson(object);
        array.append(object);
    }
    return QJsonDocument(QJsonObject{{u"sessions"_s, array}}).toJson(QJsonDocument::Indented);
}

bool writeText(const QString &fileName, const QByteArray &text, QString *reason)
{
    // The new text goes to a temporary file that only replaces the old one once it is
    // complete, so a full disk or a crash leaves the previous sessions in place.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug().nospace() << "cannot open " << file.fileName() << ": " << file.errorString();
        qWarning().nospace() << "cannot save the sessions to " << fileName << ": " << file.errorString();
        *reason = file.errorString();
        return false;
    }
    // A write that stops short (a full disk, a file size limit) reports no error by itself;
    // writing the rest meets the cause, and the shortened text must never be committed.
    qint64 written = 0;
    while (written < text.size()) {
        const qint64 chunk = file.write(text.constData() + written, text.size() - written);
        if (chunk <= 0) {
            break;
        }
        written += chunk;
    }
    // Taken before the commit, which forgets why a write failed.
    if (written == text.size()) {
        file.flush();
    }
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
    } else if (written < text.size()) {
        *reason = i18nc("@info", "Only part of the sessions could be written.");
        file.cancelWriting();
    }
    if (!file.commit()) {
        if (reason->isEmpty()) {
            *reason = file.errorString();
        }
        qWarning().nospace() << "cannot save the sessions to " << fileName << ": " << *reason << "; the file keeps its previous content";
        return false;
    }
    return true;
}

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

bool sameContent(const Session &a, const Session &b)
{
    if (a.id() != b.id() || a.hasDerivedId() != b.hasDerivedId() || a.name() != b.name() || a.note() != b.note() || a.time() != b.time() || a.date() != b.date()
        || a.isOutdated() != b.isOutdated()) {
        return false;
    }
    const QList<Lap> lapsA = a.laps();
    const QList<Lap> lapsB = b.laps();
    return std::equal(lapsA.begin(), lapsA.end(), lapsB.begin(), lapsB.end(), [](const Lap &x, const Lap &y) {
        return x.time() == y.time() && x.relativeTime() == y.relativeTime() && x.absoluteTime() == y.absoluteTime() && x.note() == y.note();
    });
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
    , m_watcher(new QFileSystemWatcher(this))
    , m_refreshTimer(new QTimer(this))
{
    const QString fileName = sessionsFilePath();
    m_fileStamp = fileStamp(fileName);
    const SessionsFile file = inspect(fileName, {});
    if (file.exists) {
        read(file.envelope);
    }
    // Only a usable text may be skipped as known later; an unusable one is kept aside by
    // the first change.
    if (file.usable) {
        m_textHash = file.hash;
    }

    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(refreshDelay);
    connect(m_refreshTimer, &QTimer::timeout, this, &SessionModel::refresh);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_refreshTimer, qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_refreshTimer, qOverload<>(&QTimer::start));
    watch();
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

bool SessionModel::update(Session &session)
{
    const QDateTime stamp = QDateTime::currentDateTime();
    const bool written = commit([&session, stamp](QList<Session> &sessions) {
        const qsizetype row = storedCopy(sessions, session);
        if (row < 0) {
            return Outcome::Refused;
        }
        sessions[row] = session;
        sessions[row].setDate(stamp);
        return Outcome::Changed;
    });
    if (written) {
        session.setDate(stamp);
        // Written with the session: an id derived on reading is the stored one now.
        session.setId(session.id());
    }
    return written;
}

bool SessionModel::save(Session &session, bool *storedAnew)
{
    const QDateTime stamp = QDateTime::currentDateTime();
    bool added = false;
    const bool written = commit([&session, &added, stamp](QList<Session> &sessions) {
        Session stored = session;
        stored.setDate(stamp);
        const qsizetype row = storedCopy(sessions, session);
        added = row < 0;
        if (added) {
            sessions.append(stored);
        } else {
            sessions[row] = stored;
        }
        return Outcome::Changed;
    });
    if (written) {
        session.setDate(stamp);
        session.setId(session.id());
    }
    if (storedAnew) {
        *storedAnew = written && added;
    }
    return written;
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
    return sessionsFilePath();
}

bool SessionModel::slotWriteData()
{
    return commit([](QList<Session> &) {
        return Outcome::Changed;
    });
}

void SessionModel::refresh()
{
    watch();
    const QString fileName = sessionsFilePath();
    const QByteArray stamp = fileStamp(fileName);
    if (stamp == m_fileStamp) {
        return;
    }
    m_fileStamp = stamp;
    // No lock needed: writers replace the file whole, it is never seen half-written. A
    // missing or unusable file leaves the rows as they are; the next change deals with it.
    const SessionsFile file = inspect(fileName, m_textHash);
    if (file.usable && !file.known) {
        QList<Session> sessions = sessionsOf(file.envelope);
        keepKnownIds(sessions, m_sessions);
        adopt(sessions);
        m_textHash = file.hash;
    }
}

bool SessionModel::commit(const Change &change)
{
    const QString fileName = sessionsFilePath();
    m_errorString.clear();

    // A fresh account may lack the whole data path, not only its last folder.
    QDir().mkpath(QFileInfo(fileName).absolutePath());

    QLockFile lock(fileName + u".lock"_s);
    errno = 0;
    if (!takeLock(lock)) {
        const QString reason = lockFailure(lock, fileName, errno);
        qWarning().nospace() << "cannot save the sessions to " << fileName << ": " << reason << " (no lock)";
        return fail(fileName, reason);
    }

    // The change goes onto what the file holds now, so that what other processes saved
    // since the last look stays. A file that vanished was lost outside the program (it
    // never removes the file); then the rows are the last copy of the sessions there is.
    const SessionsFile file = inspect(fileName, m_textHash);
    m_fileStamp = fileStamp(fileName);
    if (file.usable && !file.known) {
        QList<Session> stored = sessionsOf(file.envelope);
        keepKnownIds(stored, m_sessions);
        adopt(stored);
        m_textHash = file.hash;
    } else if (file.exists && !file.usable) {
        QString reason;
        if (!keepAside(fileName, &reason)) {
            return fail(fileName, reason);
        }
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

    const QByteArray text = textOf(sessions);
    QString reason;
    if (!writeText(fileName, text, &reason)) {
        return fail(fileName, reason);
    }
    // The file has every id now; none is a guess from the date any more.
    for (Session &session : sessions) {
        if (session.hasDerivedId()) {
            session.setId(session.id());
        }
    }
    m_textHash = hashOf(text);
    m_fileStamp = fileStamp(fileName);
    adopt(sessions);
    watch();
    return true;
}

bool SessionModel::fail(const QString &fileName, const QString &reason)
{
    m_errorString = reason;
    Q_EMIT writeFailed(fileName, reason);
    return false;
}

void SessionModel::adopt(const QList<Session> &sessions)
{
    // Pair the k-th row of an id with the k-th new session of that id; what has no partner
    // was removed or added.
    QHash<QString, QList<qsizetype>> positions;
    for (qsizetype i = 0; i < sessions.size(); ++i) {
        positions[sessions.at(i).id()].append(i);
    }
    QHash<QString, qsizetype> taken;
    QList<qsizetype> partner(m_sessions.size(), -1);
    qsizetype previous = -1;
    bool ordered = true;
    for (qsizetype row = 0; row < m_sessions.size(); ++row) {
        const QString key = m_sessions.at(row).id();
        const QList<qsizetype> candidates = positions.value(key);
        const qsizetype n = taken[key]++;
        if (n < candidates.size()) {
            partner[row] = candidates.at(n);
            ordered = ordered && partner[row] > previous;
            previous = partner[row];
        }
    }
    // No process of this program reorders sessions; a file reordered by hand is simply
    // shown anew.
    if (!ordered) {
        beginResetModel();
        m_sessions = sessions;
        endResetModel();
        return;
    }

    for (qsizetype row = m_sessions.size() - 1; row >= 0; --row) {
        if (partner.at(row) >= 0) {
            continue;
        }
        qsizetype first = row;
        while (first > 0 && partner.at(first - 1) < 0) {
            --first;
        }
        beginRemoveRows(QModelIndex(), int(first), int(row));
        m_sessions.remove(first, row - first + 1);
        endRemoveRows();
        row = first;
    }

    // The rows left stand for ascending positions in the new list: filling the gaps in
    // order lines them up.
    QList<bool> present(sessions.size(), false);
    for (const qsizetype position : std::as_const(partner)) {
        if (position >= 0) {
            present[position] = true;
        }
    }
    for (qsizetype i = 0; i < sessions.size(); ++i) {
        if (present.at(i)) {
            continue;
        }
        qsizetype last = i;
        while (last + 1 < sessions.size() && !present.at(last + 1)) {
            ++last;
        }
        beginInsertRows(QModelIndex(), int(i), int(last));
        m_sessions.insert(i, last - i + 1, Session());
        std::copy(sessions.begin() + i, sessions.begin() + last + 1, m_sessions.begin() + i);
        endInsertRows();
        i = last;
    }

    for (qsizetype i = 0; i < sessions.size(); ++i) {
        if (sameContent(m_sessions.at(i), sessions.at(i))) {
            continue;
        }
        qsizetype last = i;
        while (last + 1 < sessions.size() && !sameContent(m_sessions.at(last + 1), sessions.at(last + 1))) {
            ++last;
        }
        for (qsizetype j = i; j <= last; ++j) {
            m_sessions[j] = sessions.at(j);
        }
        Q_EMIT dataChanged(index(int(i), 0), index(int(last), columnCount() - 1));
        i = last;
    }
}

void SessionModel::watch()
{
    const QString fileName = sessionsFilePath();
    const QString folder = QFileInfo(fileName).absolutePath();
    const QStringList watched = m_watcher->directories() + m_watcher->files();
    // Saves replace the file, which ends a watch on it; the folder sees every replacement.
    if (!watched.contains(folder) && QFileInfo(folder).isDir()) {
        m_watcher->addPath(folder);
    }
    if (!watched.contains(fileName) && QFileInfo(fileName).isFile()) {
        m_watcher->addPath(fileName);
    }
}

void SessionModel::read(const QJsonObject &json)
{
    m_sessions.append(sessionsOf(json));
}

#include "moc_sessionmodel.cpp"
