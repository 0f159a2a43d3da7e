// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "leftoverlock.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class LeftoverLockTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlyOldEmptyFilesAreRemoved_data();
    void onlyOldEmptyFilesAreRemoved();
    void clockThatWentBackCountsNothing_data();
    void clockThatWentBackCountsNothing();
    void heldLockIsNeverRemoved();
    void staleLockIsTakenOverPastAnEmptyRemover();
};

void LeftoverLockTest::onlyOldEmptyFilesAreRemoved_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("removed");

    // What a process killed between creating the file and writing its name leaves.
    QTest::newRow("empty, a minute old") << QByteArray() << 60 << true;
    // What a living process shows between creating the file and taking its kernel lock.
    QTest::newRow("empty, just created") << QByteArray() << 0 << false;
    // A named owner is judged by QLockFile's own staleness rules, not here.
    QTest::newRow("names an owner, a minute old") << QByteArray("1\ntickwarden\nhost\n") << 60 << false;
}

void LeftoverLockTest::onlyOldEmptyFilesAreRemoved()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, ageSeconds);
    QFETCH(bool, removed);

    QTemporaryDir dir;
    const QString name = dir.filePath(u"file.lock"_s);
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
    QVERIFY(file.flush());
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    file.close();

    QLockFile lock(name);
    lock.setStaleLockTime(0);
    QVERIFY(!lock.tryLock(0));
    QCOMPARE(LeftoverLock::removeIfEmpty(lock), removed);
    QCOMPARE(QFile::exists(name), !removed);
}

void LeftoverLockTest::clockThatWentBackCountsNothing_data()
{
    QTest::addColumn<int>("aheadSeconds");
    QTest::addColumn<bool>("replaced");

    // Left by a process killed just before the clock was put back: its time lies ahead.
    QTest::newRow("an hour ahead") << 3600 << false;
    QTest::newRow("seconds ahead") << 20 << false;
    // Another empty file in its place is new, however long the first one was seen.
    QTest::newRow("replaced while seen") << 3600 << true;
}

void LeftoverLockTest::clockThatWentBackCountsNothing()
{
    QFETCH(int, aheadSeconds);
    QFETCH(bool, replaced);

    QTemporaryDir dir;
    const QString name = dir.filePath(u"file.lock"_s);
    const auto leaveEmpty = [&name, aheadSeconds] {
        QFile file(name);
        return file.open(QIODevice::WriteOnly) && file.setFileTime(QDateTime::currentDateTime().addSecs(aheadSeconds), QFileDevice::FileModificationTime);
    };
    QVERIFY(leaveEmpty());

    QLockFile lock(name);
    lock.setStaleLockTime(0);
    QVERIFY(!lock.tryLock(0));
    QElapsedTimer found;
    found.start();
    QVERIFY(!LeftoverLock::removeIfEmpty(lock));
    if (replaced) {
        QTest::qWait(1000);
        QVERIFY(QFile::remove(name));
        QVERIFY(leaveEmpty());
        found.start();
        QVERIFY(!lock.tryLock(0));
        QVERIFY(!LeftoverLock::removeIfEmpty(lock));
    }

    // Its creator, were it alive, would have locked it within the grace. The macro asks
    // once more after success, when the file is gone.
    bool removed = false;
    const auto removeOnce = [&removed, &lock] {
        removed = removed || LeftoverLock::removeIfEmpty(lock);
        return removed;
    };
    QTRY_VERIFY_WITH_TIMEOUT(removeOnce(), 10000);
    QVERIFY(found.elapsed() >= 2000);
    QVERIFY(lock.tryLock(0));
}

void LeftoverLockTest::heldLockIsNeverRemoved()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(u"file.lock"_s);
    QLockFile owner(name);
    QVERIFY(owner.tryLock(0));

    QLockFile other(name);
    QVERIFY(!other.tryLock(0));
    QVERIFY(!LeftoverLock::removeIfEmpty(other));
    QVERIFY(QFile::exists(name));
}

// A process killed while QLockFile was removing a stale lock for it leaves the remover's own
// lock file empty; until that ages, nobody could take over the stale lock.
void LeftoverLockTest::staleLockIsTakenOverPastAnEmptyRemover()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(u"file.lock"_s);
    // A lock as QLockFile writes it, of a process that is gone.
    QByteArray contents;
    {
        QLockFile written(name);
        QVERIFY(written.tryLock(0));
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        contents = file.readAll();
        written.unlock();
    }
    contents.replace(0, contents.indexOf('\n'), QByteArray("999999999"));
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
    file.close();
    QFile remover(name + u".rmlock"_s);
    QVERIFY(remover.open(QIODevice::WriteOnly));
    QVERIFY(remover.setFileTime(QDateTime::currentDateTime().addSecs(-10), QFileDevice::FileModificationTime));
    remover.close();

    QLockFile lock(name);
    QVERIFY(!lock.tryLock(0));
    // The lock names its owner, so it is QLockFile's to remove; the empty remover is ours.
    QVERIFY(!LeftoverLock::removeIfEmpty(lock));
    QVERIFY(!remover.exists());
    QVERIFY(lock.tryLock(0));
}

QTEST_GUILESS_MAIN(LeftoverLockTest)

#include "leftoverlocktest.moc"
