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
 * Saves onto a disk without room: the failure is logged and the previous sessions file,
 * or the unreadable file the save meant to replace, survives whole.
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
    QTest::failOnWarning(QRegularExpression(u".*"_s));
}

void SmallDiskTest::cleanup()
{
    QFile::remove(fillerPath());
    QDir(dataDir()).removeRecursively();
}

void SmallDiskTest::fullDiskKeepsPreviousFile_data()
{
    QTest::addColumn<QByteArray>("previous");
    // What is left free once the disk is filled, and the size of the note of the session
    // that is saved then.
    QTest::addColumn<int>("room");
    QTest::addColumn<int>("note");
    QTest::addColumn<QStringList>("warnings");

    const QByteArray valid = QJsonDocument(QJsonObject{{u"sessions"_s, QJsonArray{QJsonObject{{u"name"_s, u"old"_s}}}}}).toJson();
    const QString failedSave = u"^cannot save the sessions to .*sessions\\.json\": .+; the file keeps its previous content$"_s;
    const QString keptAside = u"^the sessions file .*sessions\\.json\" could not be read; it is kept as .*\\.broken-.* and a new sessions file is written$"_s;

    QTest::newRow("no room at all") << valid << 0 << 10 << QStringList{failedSave};
    QTest::newRow("room for part of the new file") << valid << 4096 << 16 * 1024 << QStringList{failedSave};
    QTest::newRow("unreadable file, no room") << QByteArray("{\"sessions\": [{\"name\": \"cut") << 0 << 10 << QStringList{keptAside, failedSave};
}

void SmallDiskTest::fullDiskKeepsPreviousFile()
{
    QFETCH(QByteArray, previous);
    QFETCH(int, room);
    QFETCH(int, note);
    QFETCH(QStringList, warnings);

    QVERIFY(writeFile(sessionsPath(), previous));
    SessionModel model;
    const QStringList loaded = model.isEmpty() ? QStringList() : QStringList{u"old"_s};
    QCOMPARE(model.rowCount(), loaded.size());

    QVERIFY(fillDisk(room));
    for (const QString &warning : std::as_const(warnings)) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    }
    model.append(namedSession(u"new"_s, note));
    QCOMPARE(model.rowCount(), loaded.size() + 1);

    // The text found before the save is still there, under its own name or kept aside,
    // and no temporary file is left behind.
    const QStringList entries = dataDirEntries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(contents(dataDir() + u'/' + entries.first()), previous);
    QCOMPARE(entries.first() == u"sessions.json"_s, warnings.size() == 1);

    // Once there is room again, the next change saves every session held in memory.
    QVERIFY(QFile::remove(fillerPath()));
    model.append(namedSession(u"later"_s, 1));
    const QStringList saved = loaded + QStringList{u"new"_s, u"later"_s};
    QCOMPARE(sessionNames(contents(sessionsPath())), saved);
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
