// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionmodel.h"
#include "sessionsfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
QString fillerPath()
{
    return QDir::homePath() + u"/filler"_s;
}

Session namedSession(const QString &name, int note)
{
    Session session(5000, QDateTime(QDate(2026, 6, 7), QTime(8, 9, note % 60), QTimeZone::UTC));
    session.setName(name);
    session.setNote(QString(note, u'n'));
    return session;
}

QStringList sessionNames(const QByteArray &text)
{
    QStringList names;
    const QJsonArray sessions = QJsonDocument::fromJson(text).object().value(u"sessions"_s).toArray();
    for (const QJsonValue &session : sessions) {
        names << session.toObject().value(u"name"_s).toString();
    }
    return names;
}

QString s_noSmallDisk;

// The mount point of the file system that holds @p path, from the process's mount table.
QByteArray mountPointOf(const QByteArray &path)
{
    QFile table(u"/proc/self/mountinfo"_s);
    if (!table.open(QIODevice::ReadOnly)) {
        return QByteArrayLiteral("/");
    }
    QByteArray best = QByteArrayLiteral("/");
    const QList<QByteArray> lines = table.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5) {
            continue;
        }
        const QByteArray &point = fields.at(4);
        if ((path == point || path.startsWith(QByteArray(point + '/'))) && point.size() > best.size()) {
            best = point;
        }
    }
    return best;
}

// Puts a 64 KiB tmpfs on HOME in a mount namespace of this process's own, so that the test
// can fill the disk the store writes to. Needs the right to make such a namespace (root).
bool mountSmallDisk()
{
    const QByteArray home = QFile::encodeName(QFileInfo(QFile::decodeName(qgetenv("HOME"))).canonicalFilePath());
    if (home.isEmpty() || home == "/") {
        s_noSmallDisk = u"HOME is not a folder of the test's own"_s;
        return false;
    }
    if (unshare(CLONE_NEWNS) != 0) {
        s_noSmallDisk = u"cannot make a mount namespace: "_s + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Inside a chroot "/" may be no mount point; the file system of HOME always is one. It
    // is made private so that the mount below never reaches the namespace this one copies.
    const QByteArray point = mountPointOf(home);
    if (mount(nullptr, point.constData(), nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        s_noSmallDisk = u"cannot make %1 private: "_s.arg(QFile::decodeName(point)) + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (mount("tickwarden-small-disk", home.constData(), "tmpfs", 0, "size=64k,mode=0700") != 0) {
        s_noSmallDisk = u"cannot mount a tmpfs: "_s + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

bool setReadOnly(bool readOnly)
{
    const QByteArray home = QFile::encodeName(QFileInfo(QDir::homePath()).canonicalFilePath());
    return mount(nullptr, home.constData(), nullptr, MS_REMOUNT | (readOnly ? MS_RDONLY : 0), "size=64k,mode=0700") == 0;
}

// Fills the disk with a file until a write fails, then frees @p room bytes of it again.
bool fillDisk(qint64 room)
{
    QFile filler(fillerPath());
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return false;
    }
    const QByteArray block(512, 'f');
    while (filler.write(block) == block.size()) { }
    filler.close();
    const qint64 size = QFileInfo(filler).size();
    return room <= size && QFile::resize(fillerPath(), size - room);
}
}

/**
 * Saves onto a disk without room, or a read-only one: the failure is logged and reported
 * to the caller, and the previous sessions file, or the unreadable file the save meant to
 * replace, survives whole.
 */
class SmallDiskTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void fullDiskKeepsPreviousFile_data();
    void fullDiskKeepsPreviousFile();
};

void SmallDiskTest::initTestCase()
{
    if (!s_noSmallDisk.isEmpty()) {
        QSKIP(qPrintable(u"no private small disk ("_s + s_noSmallDisk + u"); the test needs root or a user namespace"_s));
    }
    struct statvfs disk{};
    QCOMPARE(statvfs(QFile::encodeName(QDir::homePath()).constData(), &disk), 0);
    QVERIFY2(quint64(disk.f_blocks) * disk.f_frsize <= 1024 * 1024, "HOME is not on the small disk");

    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    QVERIFY(dataDir().startsWith(QDir::homePath() + u'/'));
}

void SmallDiskTest::init()
{
    QVERIFY(makeEmptyDataDir());
    // Every warning but that of an unreadable file kept aside, which each row checks by
    // what is left in the data folder.
    QTest::failOnWarning(QRegularExpression(u"^(?!the sessions file .* could not be read; it is kept as ).*"_s));
}

void SmallDiskTest::cleanup()
{
    // A row that failed half-way may have left the disk read-only.
    setReadOnly(false);
    QFile::remove(fillerPath());
    QDir(dataDir()).removeRecursively();
}

void SmallDiskTest::fullDiskKeepsPreviousFile_data()
{
    QTest::addColumn<QByteArray>("previous");
    // What is left free once the disk is filled, and the size of the note of the session
    // that is saved then. A room of -1 makes the disk read-only instead of full.
    QTest::addColumn<int>("room");
    QTest::addColumn<int>("note");
    // What the reason given to the user says.
    QTest::addColumn<QString>("reason");

    const QByteArray valid = QJsonDocument(QJsonObject{{u"sessions"_s, QJsonArray{QJsonObject{{u"name"_s, u"old"_s}}}}}).toJson();
    const QString noSpace = u"No space left on device"_s;

    QTest::newRow("no room at all") << valid << 0 << 10 << noSpace;
    // Room for the lock file beside it and part of the new text.
    QTest::newRow("room for part of the new file") << valid << 8192 << 16 * 1024 << noSpace;
    // Whether the lock still fits decides whether the file is kept aside before the write
    // fails; either way its text must survive.
    QTest::newRow("unreadable file, no room") << QByteArray("{\"sessions\": [{\"name\": \"cut") << 0 << 10 << noSpace;
    QTest::newRow("read-only disk") << valid << -1 << 10 << u"Read-only file system"_s;
}

void SmallDiskTest::fullDiskKeepsPreviousFile()
{
    QFETCH(QByteArray, previous);
    QFETCH(int, room);
    QFETCH(int, note);
    QFETCH(QString, reason);

    QVERIFY(writeFile(sessionsPath(), previous));
    SessionModel model;
    const QStringList loaded = model.isEmpty() ? QStringList() : QStringList{u"old"_s};
    QCOMPARE(model.rowCount(), loaded.size());

    if (room < 0) {
        QVERIFY(setReadOnly(true));
    } else {
        QVERIFY(fillDisk(room));
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^cannot save the sessions to .*sessions\\.json\": .+$"_s));
    const Session session = namedSession(u"new"_s, note);
    QVERIFY(!model.append(session));
    // The caller learns why, to tell the user; the store does not pretend it saved.
    QVERIFY2(model.errorString().contains(reason), qPrintable(model.errorString()));
    QCOMPARE(model.rowCount(), loaded.size());

    // The text found before the save is still there, under its own name or, when it could
    // not be read, kept aside; and neither a temporary file nor a lock file is left behind.
    const QStringList entries = dataDirEntries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(contents(dataDir() + u'/' + entries.first()), previous);
    if (entries.first() != u"sessions.json"_s) {
        QVERIFY(loaded.isEmpty());
        QVERIFY2(entries.first().startsWith(u"sessions.json.broken-"_s), qPrintable(entries.first()));
    }

    // Once there is room again, saving the same session succeeds.
    if (room < 0) {
        QVERIFY(setReadOnly(false));
    } else {
        QVERIFY(QFile::remove(fillerPath()));
    }
    QVERIFY2(model.append(session), qPrintable(model.errorString()));
    QCOMPARE(sessionNames(contents(sessionsPath())), loaded + QStringList{u"new"_s});
}

int main(int argc, char **argv)
{
    // Before any thread exists and before anything looks at HOME.
    mountSmallDisk();
    QCoreApplication app(argc, argv);
    SmallDiskTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "smalldisktest.moc"
