// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "changersession.h"
#include "sessionsfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

/**
 * Several processes change one sessions file at the same time, as two Tickwarden windows
 * started separately do: every add, rename and removal of every process must be in the
 * file in the end.
 */
class SharedFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void everyProcessKeepsItsChanges_data();
    void everyProcessKeepsItsChanges();
};

void SharedFileTest::initTestCase()
{
    QVERIFY(useTestDataDir());
    QVERIFY(QFileInfo(QStringLiteral(SESSIONCHANGER_BINARY)).isExecutable());
}

void SharedFileTest::init()
{
    QVERIFY(makeEmptyDataDir());
}

void SharedFileTest::cleanup()
{
    QDir(dataDir()).removeRecursively();
}

void SharedFileTest::everyProcessKeepsItsChanges_data()
{
    QTest::addColumn<int>("processes");
    QTest::addColumn<int>("count");

    QTest::newRow("two processes") << 2 << 24;
    QTest::newRow("four processes") << 4 << 9;
}

void SharedFileTest::everyProcessKeepsItsChanges()
{
    QFETCH(int, processes);
    QFETCH(int, count);

    QTemporaryDir logs;
    QVERIFY(logs.isValid());
    std::vector<std::unique_ptr<QProcess>> changers;
    for (int process = 1; process <= processes; ++process) {
        auto changer = std::make_unique<QProcess>();
        changer->setStandardOutputFile(logs.filePath(u"stdout-%1"_s.arg(process)));
        changer->setStandardErrorFile(logs.filePath(u"stderr-%1"_s.arg(process)));
        changers.push_back(std::move(changer));
    }
    // Started back to back, so that their changes interleave.
    for (int process = 1; process <= processes; ++process) {
        changers.at(process - 1)->start(QStringLiteral(SESSIONCHANGER_BINARY), {QString::number(process), QString::number(count)});
    }
    for (int process = 1; process <= processes; ++process) {
        QProcess &changer = *changers.at(process - 1);
        QVERIFY2(changer.waitForStarted(), qPrintable(changer.errorString()));
        // A QProcess that is still running when it goes is killed by its destructor.
        QVERIFY(changer.waitForFinished(120000));
        QVERIFY2(changer.exitStatus() == QProcess::NormalExit && changer.exitCode() == 0, contents(logs.filePath(u"stderr-%1"_s.arg(process))).constData());
    }

    QStringList names;
    const QJsonArray sessions = QJsonDocument::fromJson(contents(sessionsPath())).object().value(u"sessions"_s).toArray();
    for (const QJsonValue &session : sessions) {
        names << session[u"name"_s].toString();
    }
    // Each process's own sessions are in the order it added them, whatever came between.
    for (int process = 1; process <= processes; ++process) {
        QStringList expected;
        for (int n = 1; n <= count; ++n) {
            if (changerKeeps(n)) {
                expected << changerName(process, n, true);
            }
        }
        const QString prefix = u"process %1 "_s.arg(process);
        QStringList own;
        for (const QString &name : std::as_const(names)) {
            if (name.startsWith(prefix)) {
                own << name;
            }
        }
        QCOMPARE(own, expected);
    }
    QCOMPARE(names.size(), processes * (count - count / 3));
    QCOMPARE(dataDirEntries(), QStringList{u"sessions.json"_s});
}

QTEST_GUILESS_MAIN(SharedFileTest)

#include "sharedfiletest.moc"
