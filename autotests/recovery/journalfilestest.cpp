// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "journalfiles.h"

#include "journalrecords.h"
#include "lap.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace
{
QByteArray snapshotJson(const QString &generation = QString())
{
    WindowSnapshot snapshot;
    snapshot.state = Stopwatch::Paused;
    snapshot.elapsed = 2500;
    snapshot.session = Session(2500, QDateTime::currentDateTime());
    snapshot.laps << Lap::fromMilliseconds(900);
    QJsonObject json;
    snapshot.toJson(json);
    if (!generation.isEmpty()) {
        json[u"records"_s] = generation;
    }
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

bool write(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
}

class JournalFilesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void onlyMadeIdsAreJournalIds_data();
    void onlyMadeIdsAreJournalIds();
    void saveWholeReplacesOrReports();
    void readTellsWhichFileIsDamaged_data();
    void readTellsWhichFileIsDamaged();
    void readAppliesTheRecordsOfItsGeneration();
    void leftoverLockIsTakenLivingOneIsNot();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void JournalFilesTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void JournalFilesTest::onlyMadeIdsAreJournalIds_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("valid");

    const QUuid uuid = QUuid::createUuid();
    QTest::newRow("made") << uuid.toString(QUuid::WithoutBraces) << true;
    QTest::newRow("braces") << uuid.toString(QUuid::WithBraces) << false;
    QTest::newRow("upper case") << uuid.toString(QUuid::WithoutBraces).toUpper() << false;
    QTest::newRow("into another folder") << u"../"_s + uuid.toString(QUuid::WithoutBraces) << false;
    QTest::newRow("null") << QUuid().toString(QUuid::WithoutBraces) << false;
    QTest::newRow("empty") << QString() << false;
}

void JournalFilesTest::onlyMadeIdsAreJournalIds()
{
    QFETCH(QString, id);
    QFETCH(bool, valid);
    QCOMPARE(JournalFiles::isJournalId(id), valid);
}

void JournalFilesTest::saveWholeReplacesOrReports()
{
    const QString fileName = m_dir->filePath(u"journal.json"_s);
    QVERIFY(write(fileName, "old and longer contents"));
    QString failure;
    QVERIFY(JournalFiles::saveWhole(fileName, "new", &failure));
    QVERIFY(failure.isEmpty());
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("new"));
    file.close();

    // A folder that is not there is reported, not taken for a write.
    QVERIFY(!JournalFiles::saveWhole(m_dir->filePath(u"gone/journal.json"_s), "newer", &failure));
    QVERIFY(!failure.isEmpty());
}

void JournalFilesTest::readTellsWhichFileIsDamaged_data()
{
    QTest::addColumn<QByteArray>("snapshot");
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<bool>("recordsDamaged");

    const QString generation = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QJsonObject recordsNotText = QJsonDocument::fromJson(snapshotJson()).object();
    recordsNotText[u"records"_s] = 5;

    QTest::newRow("no snapshot") << QByteArray() << QByteArray() << false;
    QTest::newRow("snapshot not JSON") << QByteArray("{\"state\":") << QByteArray() << false;
    QTest::newRow("snapshot not a window") << QByteArray("{\"colour\":\"red\"}") << QByteArray() << false;
    QTest::newRow("records generation not text") << QJsonDocument(recordsNotText).toJson() << QByteArray() << false;
    QTest::newRow("records not records") << snapshotJson(generation) << QByteArray("garbage\n") << true;
}

void JournalFilesTest::readTellsWhichFileIsDamaged()
{
    QFETCH(QByteArray, snapshot);
    QFETCH(QByteArray, records);
    QFETCH(bool, recordsDamaged);

    const QString snapshotFile = m_dir->filePath(u"journal.json"_s);
    const QString recordsFile = m_dir->filePath(u"journal.records"_s);
    if (!snapshot.isEmpty()) {
        QVERIFY(write(snapshotFile, snapshot));
    }
    if (!records.isEmpty()) {
        QVERIFY(write(recordsFile, records));
    }
    QString reason;
    QString damaged;
    QCOMPARE(JournalFiles::read(snapshotFile, recordsFile, &reason, &damaged), std::nullopt);
    QVERIFY(!reason.isEmpty());
    QCOMPARE(damaged, recordsDamaged ? recordsFile : snapshotFile);
}

void JournalFilesTest::readAppliesTheRecordsOfItsGeneration()
{
    const QString generation = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString snapshotFile = m_dir->filePath(u"journal.json"_s);
    const QString recordsFile = m_dir->filePath(u"journal.records"_s);
    QVERIFY(write(snapshotFile, snapshotJson(generation)));

    // Killed before the records were started: the snapshot holds everything.
    QString reason;
    std::optional<WindowSnapshot> read = JournalFiles::read(snapshotFile, recordsFile, &reason);
    QVERIFY2(read, qPrintable(reason));
    QCOMPARE(read->laps.size(), 1);

    WindowSnapshot recorded = *read;
    const QList<Lap> more{Lap::fromMilliseconds(1700)};
    QVERIFY(write(recordsFile,
                  JournalRecords::header(generation) + JournalRecords::line(JournalRecords::record(recorded, QJsonArray{JournalRecords::inserted(1, more)}))));
    read = JournalFiles::read(snapshotFile, recordsFile, &reason);
    QVERIFY2(read, qPrintable(reason));
    QCOMPARE(read->laps.size(), 2);
    QCOMPARE(read->laps.at(1).time(), more.constFirst().time());

    // Records of another generation belong to an older snapshot, which this one holds.
    QVERIFY(write(recordsFile, JournalRecords::header(QUuid::createUuid().toString(QUuid::WithoutBraces))));
    read = JournalFiles::read(snapshotFile, recordsFile, &reason);
    QVERIFY2(read, qPrintable(reason));
    QCOMPARE(read->laps.size(), 1);

    // Without a generation the snapshot was written whole before records existed; a records
    // file beside it is newer and must not be applied to it.
    QVERIFY(write(snapshotFile, snapshotJson()));
    read = JournalFiles::read(snapshotFile, recordsFile, &reason);
    QVERIFY2(read, qPrintable(reason));
    QCOMPARE(read->laps.size(), 1);
}

void JournalFilesTest::leftoverLockIsTakenLivingOneIsNot()
{
    const QString lockFile = m_dir->filePath(u"journal.lock"_s);
    // What a process killed while locking leaves: the file, but nothing in it.
    QVERIFY(write(lockFile, QByteArray()));
    // Only seconds old, its creator may still be about to lock it.
    auto early = JournalFiles::lockFor(lockFile);
    QVERIFY(!JournalFiles::takeLock(*early));
    {
        QFile file(lockFile);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    }
    auto leftover = JournalFiles::lockFor(lockFile);
    QVERIFY(JournalFiles::takeLock(*leftover));

    auto second = JournalFiles::lockFor(lockFile);
    QVERIFY(!JournalFiles::takeLock(*second));
    leftover->unlock();
    QVERIFY(JournalFiles::takeLock(*second));
}

QTEST_GUILESS_MAIN(JournalFilesTest)

#include "journalfilestest.moc"
