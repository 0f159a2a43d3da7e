// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionsfile.h"

#include "filesizelimit.h"
#include "sessionsfiles.h"

#include <QDir>
#include <QLockFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
Session named(const QString &name)
{
    Session session(1000, QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9), QTimeZone::UTC));
    session.setName(name);
    return session;
}

QStringList namesOf(const QList<Session> &sessions)
{
    QStringList names;
    for (const Session &session : sessions) {
        names << session.name();
    }
    return names;
}

// One change as the store makes it: the lock, what the file holds now, then the write.
bool change(SessionsFile &file, const QList<Session> &sessions)
{
    const std::unique_ptr<QLockFile> lock = file.lock();
    QList<Session> stored;
    return lock && file.takeStored(&stored) != SessionsFile::Look::Failed && file.write(sessions);
}

QRegularExpression messageNaming(const QString &text)
{
    return QRegularExpression(u".*"_s + QRegularExpression::escape(text) + u".*"_s);
}
}

/**
 * The sessions file on its own: its lock, what it takes in from other writers, how it keeps
 * a damaged file and how a write fails.
 */
class SessionsFileProtocolTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void lockHeldByAnother();
    void onlyOtherWritersTextsAreNews_data();
    void onlyOtherWritersTextsAreNews();
    void damagedFileIsKeptAsideOnlyUnderTheLock_data();
    void damagedFileIsKeptAsideOnlyUnderTheLock();
    void failingWriteIsReported_data();
    void failingWriteIsReported();
    void replacementIsSignalled();
};

void SessionsFileProtocolTest::initTestCase()
{
    QVERIFY(useTestDataDir());
    QCOMPARE(SessionsFile::userFileName(), sessionsPath());
}

void SessionsFileProtocolTest::init()
{
    QVERIFY(makeEmptyDataDir());
    QTest::failOnWarning(QRegularExpression(u".*"_s));
}

void SessionsFileProtocolTest::cleanup()
{
    QDir(dataDir()).removeRecursively();
}

void SessionsFileProtocolTest::lockHeldByAnother()
{
    SessionsFile file(sessionsPath());
    QVERIFY(change(file, {named(u"one"_s)}));
    const QByteArray before = contents(sessionsPath());

    // Another process in the middle of its change; it names itself in the lock file.
    QLockFile other(sessionsPath() + u".lock"_s);
    QVERIFY(other.tryLock(0));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u".*"_s + QRegularExpression::escape(sessionsPath()) + u".*\\(no lock\\)$"_s));
    QVERIFY(!file.lock());
    // The user is told which program to look for.
    qint64 pid = 0;
    QString host;
    QString application;
    QVERIFY(other.getLockInfo(&pid, &host, &application));
    const QString reason = file.errorString();
    QVERIFY2(reason.contains(application), qPrintable(reason));
    // As the system writes a process id, without the grouping of an amount: "process 12345".
    QVERIFY2(reason.contains(u"process "_s + QString::number(pid) + u')'), qPrintable(reason));
    QCOMPARE(contents(sessionsPath()), before);

    // Once the other is done, the lock is had, and it goes when the change is over.
    other.unlock();
    {
        const std::unique_ptr<QLockFile> lock = file.lock();
        QVERIFY(lock);
        QVERIFY(file.errorString().isEmpty());
        QVERIFY(QFileInfo::exists(sessionsPath() + u".lock"_s));
    }
    QCOMPARE(dataDirEntries(), QStringList{u"sessions.json"_s});
}

void SessionsFileProtocolTest::onlyOtherWritersTextsAreNews_data()
{
    // What happens to the file after this store wrote "mine".
    QTest::addColumn<QString>("event");
    // The sessions takeStored() and takeReplaced() give back; none when they report nothing.
    QTest::addColumn<QStringList>("news");

    QTest::newRow("nothing") << u"nothing"_s << QStringList();
    QTest::newRow("another writer stores other sessions") << u"other"_s << QStringList{u"mine"_s, u"theirs"_s};
    // Replaced, so the stamp differs, but with the text this store knows.
    QTest::newRow("another writer stores the same text") << u"same text"_s << QStringList();
    QTest::newRow("removed") << u"removed"_s << QStringList();
    QTest::newRow("damaged") << u"damaged"_s << QStringList();
}

void SessionsFileProtocolTest::onlyOtherWritersTextsAreNews()
{
    QFETCH(QString, event);
    QFETCH(QStringList, news);

    for (const bool underLock : {false, true}) {
        QVERIFY(makeEmptyDataDir());
        SessionsFile mine(sessionsPath());
        QVERIFY(mine.load().isEmpty());
        QVERIFY(change(mine, {named(u"mine"_s)}));

        if (event == u"other") {
            SessionsFile theirs(sessionsPath());
            QCOMPARE(namesOf(theirs.load()), QStringList{u"mine"_s});
            QVERIFY(change(theirs, {named(u"mine"_s), named(u"theirs"_s)}));
        } else if (event == u"same text") {
            const QByteArray text = contents(sessionsPath());
            QVERIFY(QFile::remove(sessionsPath()));
            QVERIFY(writeFile(sessionsPath(), text));
        } else if (event == u"removed") {
            QVERIFY(QFile::remove(sessionsPath()));
        } else if (event == u"damaged") {
            QVERIFY(QFile::remove(sessionsPath()));
            QVERIFY(writeFile(sessionsPath(), "{\"sessions\": ["));
        }

        QList<Session> stored;
        if (underLock) {
            if (event == u"damaged") {
                QTest::ignoreMessage(QtWarningMsg, messageNaming(dataDir() + u"/sessions.json.broken-"_s));
            }
            const std::unique_ptr<QLockFile> lock = mine.lock();
            QVERIFY(lock);
            const SessionsFile::Look look = mine.takeStored(&stored);
            QCOMPARE(look, news.isEmpty() ? SessionsFile::Look::Unchanged : SessionsFile::Look::Changed);
        } else {
            QCOMPARE(mine.takeReplaced(&stored), !news.isEmpty());
        }
        QCOMPARE(namesOf(stored), news);

        // What was taken in is no news the next time.
        stored.clear();
        QCOMPARE(mine.takeReplaced(&stored), false);
        QVERIFY(stored.isEmpty());
    }
}

void SessionsFileProtocolTest::damagedFileIsKeptAsideOnlyUnderTheLock_data()
{
    QTest::addColumn<QByteArray>("content");
    // What load() can still take from it.
    QTest::addColumn<QStringList>("loaded");

    QTest::newRow("not JSON") << "not json"_ba << QStringList();
    QTest::newRow("cut off") << R"({"sessions": [{"name": "one"}, {"na)"_ba << QStringList();
    QTest::newRow("sessions is no list") << R"({"sessions": {"name": "one"}})"_ba << QStringList();
    // The readable session is shown, but a write would lose the number for good.
    QTest::newRow("a session is a number") << R"({"sessions": [{"name": "one"}, 7]})"_ba << QStringList{u"one"_s, QString()};
}

void SessionsFileProtocolTest::damagedFileIsKeptAsideOnlyUnderTheLock()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, loaded);

    QVERIFY(writeFile(sessionsPath(), content));
    SessionsFile file(sessionsPath());
    QCOMPARE(namesOf(file.load()), loaded);

    // Neither loading nor a look between changes moves it.
    QVERIFY(writeFile(sessionsPath(), content));
    QList<Session> stored;
    QVERIFY(!file.takeReplaced(&stored));
    QCOMPARE(keptAside(), QStringList());
    QCOMPARE(contents(sessionsPath()), content);

    QTest::ignoreMessage(QtWarningMsg, messageNaming(dataDir() + u"/sessions.json.broken-"_s));
    {
        const std::unique_ptr<QLockFile> lock = file.lock();
        QVERIFY(lock);
        QCOMPARE(file.takeStored(&stored), SessionsFile::Look::Unchanged);
        QVERIFY(stored.isEmpty());
        const QStringList kept = keptAside();
        QCOMPARE(kept.size(), 1);
        QCOMPARE(contents(dataDir() + u'/' + kept.first()), content);
        QVERIFY(!QFileInfo::exists(sessionsPath()));
        QVERIFY(file.write({named(u"new"_s)}));
    }
    QCOMPARE(keptAside().size(), 1);
    QVERIFY(contents(sessionsPath()).contains("\"new\""));
}

void SessionsFileProtocolTest::failingWriteIsReported_data()
{
    QTest::addColumn<QString>("obstacle");

    QTest::newRow("disk full") << u"disk full"_s;
    QTest::newRow("file name taken by a folder") << u"folder"_s;
}

void SessionsFileProtocolTest::failingWriteIsReported()
{
    QFETCH(QString, obstacle);

    SessionsFile file(sessionsPath());
    QVERIFY(change(file, {named(u"one"_s)}));
    const QByteArray before = contents(sessionsPath());
    QList<Session> many;
    for (int i = 0; i < 20; ++i) {
        many << named(u"session %1"_s.arg(i));
    }

    QTest::ignoreMessage(QtWarningMsg, messageNaming(sessionsPath()));
    bool written = true;
    if (obstacle == u"disk full") {
        const FileSizeLimit limit(before.size() + 16);
        QVERIFY(limit.isActive());
        written = file.write(many);
    } else {
        // A folder that stands where the file was, which no write may replace.
        QVERIFY(QFile::remove(sessionsPath()));
        QVERIFY(QDir().mkpath(sessionsPath() + u"/inside"_s));
        QTest::ignoreMessage(QtDebugMsg, messageNaming(sessionsPath()));
        written = file.write(many);
    }
    QVERIFY(!written);
    QVERIFY(!file.errorString().isEmpty());
    if (obstacle == u"disk full") {
        QCOMPARE(contents(sessionsPath()), before);
    } else {
        QVERIFY(QFileInfo(sessionsPath() + u"/inside"_s).isDir());
        QVERIFY(QDir(sessionsPath()).removeRecursively());
    }
    QCOMPARE(dataDirEntries(), obstacle == u"disk full" ? QStringList{u"sessions.json"_s} : QStringList());

    // The text last written stays the one the file is known by: the failed one was never
    // taken for it, so the old text put back is no news.
    QVERIFY(writeFile(sessionsPath(), before));
    QList<Session> stored;
    QVERIFY(!file.takeReplaced(&stored));
    QVERIFY(file.write(many));
    QVERIFY(file.errorString().isEmpty());
}

void SessionsFileProtocolTest::replacementIsSignalled()
{
    SessionsFile mine(sessionsPath());
    QVERIFY(mine.load().isEmpty());
    SessionsFile theirs(sessionsPath());
    QSignalSpy changed(&mine, &SessionsFile::changedOutside);

    QVERIFY(change(theirs, {named(u"theirs"_s)}));
    QVERIFY(changed.wait());
    QList<Session> stored;
    QVERIFY(mine.takeReplaced(&stored));
    QCOMPARE(namesOf(stored), QStringList{u"theirs"_s});

    // The file was replaced, which ends a watch on it; its folder still sees the next ones.
    changed.clear();
    QVERIFY(change(theirs, {named(u"a"_s)}));
    QVERIFY(change(theirs, {named(u"b"_s)}));
    QVERIFY(changed.wait());
    QVERIFY(mine.takeReplaced(&stored));
    QCOMPARE(namesOf(stored), QStringList{u"b"_s});
}

QTEST_GUILESS_MAIN(SessionsFileProtocolTest)

#include "sessionsfileprotocoltest.moc"
