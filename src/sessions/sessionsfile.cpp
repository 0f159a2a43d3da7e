// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionsfile.h"

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
struct Inspection {
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

Inspection inspect(const QString &fileName, const QByteArray &knownHash)
{
    Inspection result;
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
        // A number argument would be grouped like an amount ("12,345"), which is not how
        // the system or any tool shows the process.
        return i18nc("@info", "Another program (%1, process %2) keeps the sessions file locked.", application, QString::number(pid));
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
}

SessionsFile::SessionsFile(const QString &fileName, QObject *parent)
    : QObject(parent)
    , m_fileName(fileName)
    , m_watcher(new QFileSystemWatcher(this))
    , m_refreshTimer(new QTimer(this))
{
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(refreshDelay);
    connect(m_refreshTimer, &QTimer::timeout, this, &SessionsFile::changedOutside);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_refreshTimer, qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_refreshTimer, qOverload<>(&QTimer::start));
}

SessionsFile::~SessionsFile() = default;

QString SessionsFile::fileName() const
{
    return m_fileName;
}

QString SessionsFile::userFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + u"/sessions.json"_s;
}

QList<Session> SessionsFile::load()
{
    m_fileStamp = fileStamp(m_fileName);
    const Inspection file = inspect(m_fileName, {});
    // Only a usable text may be skipped as known later; an unusable one is kept aside by
    // the first change.
    if (file.usable) {
        m_textHash = file.hash;
    }
    watch();
    return file.exists ? sessionsOf(file.envelope) : QList<Session>();
}

std::unique_ptr<QLockFile> SessionsFile::lock()
{
    m_errorString.clear();
    // A fresh account may lack the whole data path, not only its last folder.
    QDir().mkpath(QFileInfo(m_fileName).absolutePath());

    auto lock = std::make_unique<QLockFile>(m_fileName + u".lock"_s);
    errno = 0;
    if (!takeLock(*lock)) {
        m_errorString = lockFailure(*lock, m_fileName, errno);
        qWarning().nospace() << "cannot save the sessions to " << m_fileName << ": " << m_errorString << " (no lock)";
        return nullptr;
    }
    return lock;
}

SessionsFile::Look SessionsFile::takeStored(QList<Session> *stored)
{
    m_errorString.clear();
    const Inspection file = inspect(m_fileName, m_textHash);
    m_fileStamp = fileStamp(m_fileName);
    if (file.usable && !file.known) {
        *stored = sessionsOf(file.envelope);
        m_textHash = file.hash;
        return Look::Changed;
    }
    if (file.exists && !file.usable && !keepAside(m_fileName, &m_errorString)) {
        return Look::Failed;
    }
    return Look::Unchanged;
}

bool SessionsFile::takeReplaced(QList<Session> *stored)
{
    watch();
    const QByteArray stamp = fileStamp(m_fileName);
    if (stamp == m_fileStamp) {
        return false;
    }
    m_fileStamp = stamp;
    // No lock needed: writers replace the file whole, it is never seen half-written. A
    // missing or unusable file leaves the sessions as they are; the next change deals with it.
    const Inspection file = inspect(m_fileName, m_textHash);
    if (!file.usable || file.known) {
        return false;
    }
    *stored = sessionsOf(file.envelope);
    m_textHash = file.hash;
    return true;
}

bool SessionsFile::write(const QList<Session> &sessions)
{
    m_errorString.clear();
    const QByteArray text = textOf(sessions);
    if (!writeText(m_fileName, text, &m_errorString)) {
        return false;
    }
    m_textHash = hashOf(text);
    m_fileStamp = fileStamp(m_fileName);
    watch();
    return true;
}

QString SessionsFile::errorString() const
{
    return m_errorString;
}

void SessionsFile::watch()
{
    const QString folder = QFileInfo(m_fileName).absolutePath();
    const QStringList watched = m_watcher->directories() + m_watcher->files();
    // Saves replace the file, which ends a watch on it; the folder sees every replacement.
    if (!watched.contains(folder) && QFileInfo(folder).isDir()) {
        m_watcher->addPath(folder);
    }
    if (!watched.contains(m_fileName) && QFileInfo(m_fileName).isFile()) {
        m_watcher->addPath(m_fileName);
    }
}

#include "moc_sessionsfile.cpp"
