// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "burstsession.h"
#include "sessionmodel.h"
#include "sessionsfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace
{
// The row count after the last append the helper finished, or -1 before the first.
int lastReported(const QString &progressPath)
{
    const QList<QByteArray> lines = contents(progressPath).split('\n');
    // Only whole lines count; the last element is what follows the last line break.
    return lines.size() < 2 ? -1 : lines.at(lines.size() - 2).toInt();
}

QJsonObject jsonOf(const Session &session)
{
    QJsonObject object;
    session.toJson(object);
    return object;
}

constexpr int initialSessions = 3;
constexpr int runs = 50;
}

/**
 * Kills a process in the middle of a burst of saves, again and again at different moments:
 * the sessions file must always be whole, holding the sessions of the last finished save
 * or of the one under way, never a mixture and never a cut-off text.
 */
class SessionKillTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void killedSaveLeavesWholeFile_data();
    void killedSaveLeavesWholeFile();
};

void SessionKillTest::initTestCase()
{
    QVERIFY(useTestDataDir());
    QVERIFY(QFileInfo(QStringLiteral(SESSIONBURST_BINARY)).isExecutable());
}

void SessionKillTest::init()
{
    QVERIFY(makeEmptyDataDir());
    SessionModel model;
    for (int n = 1; n <= initialSessions; ++n) {
        model.append(burstSession(n));
    }
}

void SessionKillTest::cleanup()
{
    QDir(dataDir()).removeRecursively();
}

void SessionKillTest::killedSaveLeavesWholeFile_data()
{
    QTest::addColumn<int>("appendsBefore");
    QTest::addColumn<int>("delayMicroseconds");

    // Spread over the load, the first saves and later, bigger saves, each with a different
    // offset into the save that is under way.
    for (int run = 0; run < runs; ++run) {
        const int appends = run < 5 ? 0 : (run * 7) % 40;
        const int delay = (run * 397) % 4000;
        QTest::addRow("run %02d: after %d saves and %d us", run, appends, delay) << appends << delay;
    }
}

void SessionKillTest::killedSaveLeavesWholeFile()
{
    QFETCH(int, appendsBefore);
    QFETCH(int, delayMicroseconds);

    QTemporaryDir logs;
    QVERIFY(logs.isValid());
    const QString progressPath = logs.filePath(u"progress"_s);

    QProcess helper;
    helper.setStandardOutputFile(logs.filePath(u"stdout"_s));
    helper.setStandardErrorFile(logs.filePath(u"stderr"_s));
    helper.start(QStringLiteral(SESSIONBURST_BINARY), {progressPath, QString::number(2000)});
    QVERIFY2(helper.waitForStarted(), qPrintable(helper.errorString()));
    const auto pid = pid_t(helper.processId());

    if (appendsBefore > 0) {
        QTRY_VERIFY_WITH_TIMEOUT(lastReported(progressPath) >= initialSessions + appendsBefore || helper.state() == QProcess::NotRunning, 60000);
    }
    // Not a synchronisation: it only moves the moment of the kill into the save under way.
    std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds));
    if (helper.state() != QProcess::NotRunning) {
        QCOMPARE(::kill(pid, SIGKILL), 0);
    }
    QVERIFY(helper.waitForFinished(60000));
    QVERIFY2(helper.exitStatus() == QProcess::CrashExit || helper.exitCode() == 0, contents(logs.filePath(u"stderr"_s)).constData());

    const int reported = lastReported(progressPath);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents(sessionsPath()), &error);
    QCOMPARE(error.errorString(), QJsonParseError().errorString());
    QVERIFY(document.object().value(u"sessions"_s).isArray());
    const QJsonArray sessions = document.object().value(u"sessions"_s).toArray();

    // A finished save is in the file; at most the one under way went in after it.
    const int finished = std::max(reported, initialSessions);
    QVERIFY2(sessions.size() == finished || sessions.size() == finished + 1,
             qPrintable(u"%1 sessions in the file, %2 reported saved"_s.arg(sessions.size()).arg(reported)));
    for (int n = 1; n <= sessions.size(); ++n) {
        QCOMPARE(sessions.at(n - 1).toObject(), jsonOf(burstSession(n)));
    }
    // A whole file is never taken for a broken one.
    QCOMPARE(QDir(dataDir()).entryList({u"sessions.json.broken-*"_s}, QDir::AllEntries | QDir::Hidden), QStringList());

    // The lock the killed process may have left does not keep the next process from saving.
    SessionModel next;
    QVERIFY2(next.append(burstSession(int(sessions.size()) + 1)), qPrintable(next.errorString()));
    QCOMPARE(next.rowCount(), sessions.size() + 1);
}

QTEST_GUILESS_MAIN(SessionKillTest)

#include "sessionkilltest.moc"
