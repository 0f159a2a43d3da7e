// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "recoveryjournal.h"
#include "windowsnapshot.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

/**
 * The real program, driven by real key presses and clicks on a private X server, is
 * killed in the middle of a run and started again: the window comes back with its laps,
 * its note and a time that went on counting while no process ran.
 */
class RecoveryKillTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void killedWindowComesBackRunning();
    void killedRightAfterUndoComesBackUndone();

private:
    void startProgram(QProcess &program, const QString &logName);
    [[nodiscard]] QString findWindow(const QString &title);
    void xdotool(const QStringList &arguments);
    [[nodiscard]] QJsonObject journal() const;
    [[nodiscard]] QStringList journalFiles() const;

    QTemporaryDir m_home;
    QProcess m_xvfb;
    QString m_display;
    QProcess m_first;
    QProcess m_second;
};

void RecoveryKillTest::initTestCase()
{
    if (QStandardPaths::findExecutable(u"Xvfb"_s).isEmpty() || QStandardPaths::findExecutable(u"xdotool"_s).isEmpty()) {
        QSKIP("needs Xvfb and xdotool");
    }
    QVERIFY(m_home.isValid());
    QVERIFY(QFileInfo(QStringLiteral(TICKWARDEN_BINARY)).isExecutable());

    // The server picks a free display itself and tells its number on standard output.
    m_xvfb.setStandardErrorFile(m_home.filePath(u"xvfb.log"_s));
    m_xvfb.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1280x800x24"_s, u"-nolisten"_s, u"tcp"_s});
    QVERIFY(m_xvfb.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine() || m_xvfb.state() != QProcess::Running, 30000);
    m_display = u':' + QString::fromLatin1(m_xvfb.readLine().trimmed());
    QVERIFY2(m_display.size() > 1, "Xvfb did not report its display");
}

void RecoveryKillTest::cleanup()
{
    for (QProcess *program : {&m_first, &m_second}) {
        if (program->state() != QProcess::NotRunning) {
            program->kill();
            program->waitForFinished();
        }
    }
}

void RecoveryKillTest::cleanupTestCase()
{
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(10000)) {
            m_xvfb.kill();
            m_xvfb.waitForFinished();
        }
    }
}

void RecoveryKillTest::startProgram(QProcess &program, const QString &logName)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, m_home.path());
    env.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u"config"_s));
    env.insert(u"XDG_DATA_HOME"_s, m_home.filePath(u"data"_s));
    env.insert(u"XDG_STATE_HOME"_s, m_home.filePath(u"state"_s));
    env.insert(u"XDG_CACHE_HOME"_s, m_home.filePath(u"cache"_s));
    env.insert(u"DISPLAY"_s, m_display);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    env.insert(u"KDE_DEBUG"_s, u"1"_s); // no crash dialog on the kill
    program.setProcessEnvironment(env);
    program.setStandardOutputFile(m_home.filePath(logName));
    program.setStandardErrorFile(m_home.filePath(logName), QIODevice::Append);
    program.start(QStringLiteral(TICKWARDEN_BINARY), {});
    QVERIFY(program.waitForStarted());
}

QString RecoveryKillTest::findWindow(const QString &title)
{
    QProcess search;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, m_display);
    search.setProcessEnvironment(env);
    search.start(u"xdotool"_s, {u"search"_s, u"--sync"_s, u"--onlyvisible"_s, u"--name"_s, title});
    if (!search.waitForFinished(30000)) {
        search.kill();
        search.waitForFinished();
        return {};
    }
    return QString::fromLatin1(search.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).value(0);
}

void RecoveryKillTest::xdotool(const QStringList &arguments)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, m_display);
    tool.setProcessEnvironment(env);
    tool.start(u"xdotool"_s, arguments);
    QVERIFY(tool.waitForFinished(30000));
    QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
}

QStringList RecoveryKillTest::journalFiles() const
{
    return QDir(m_home.filePath(u"state/tickwarden/recovery"_s)).entryList({u"*.json"_s}, QDir::Files);
}

QJsonObject RecoveryKillTest::journal() const
{
    const QStringList files = journalFiles();
    if (files.size() != 1) {
        return {};
    }
    // As the program reads it: the snapshot and the records that follow it.
    const QString snapshot = m_home.filePath(u"state/tickwarden/recovery/"_s + files.constFirst());
    QString reason;
    const std::optional<WindowSnapshot> window = RecoveryJournal::read(snapshot, snapshot.chopped(QStringLiteral(".json").size()) + u".records"_s, &reason);
    if (!window) {
        return {};
    }
    QJsonObject json;
    window->toJson(json);
    return json;
}

void RecoveryKillTest::killedWindowComesBackRunning()
{
    startProgram(m_first, u"first.log"_s);
    const QString window = findWindow(u"Untitled"_s);
    QVERIFY(!window.isEmpty());
    // The size the note column's position below is measured for.
    xdotool({u"windowsize"_s, u"--sync"_s, window, u"920"_s, u"460"_s});
    xdotool({u"windowmove"_s, u"--sync"_s, window, u"0"_s, u"0"_s});
    xdotool({u"windowfocus"_s, u"--sync"_s, window});

    xdotool({u"key"_s, u"--window"_s, window, u"space"_s});
    QTRY_COMPARE_WITH_TIMEOUT(journal().value(u"state"_s).toString(), u"running"_s, 30000);
    for (int lap = 1; lap <= 2; ++lap) {
        xdotool({u"key"_s, u"--window"_s, window, u"Return"_s});
        QTRY_COMPARE_WITH_TIMEOUT(journal().value(u"laps"_s).toArray().size(), lap, 30000);
    }

    // A double click on the first lap's note cell opens its editor; Return ends the edit.
    // The keys queue up behind the clicks, so they reach the editor.
    xdotool({u"mousemove"_s, u"--window"_s, window, u"800"_s, u"80"_s, u"click"_s, u"--repeat"_s, u"2"_s, u"--delay"_s, u"80"_s, u"1"_s});
    xdotool({u"type"_s, u"--delay"_s, u"20"_s, u"Warm-up"_s});
    xdotool({u"key"_s, u"Return"_s});
    QTRY_COMPARE_WITH_TIMEOUT(journal().value(u"laps"_s).toArray().at(0).toObject().value(u"note"_s).toString(), u"Warm-up"_s, 30000);
    // Return went to the editor, not to the Lap action.
    QCOMPARE(journal().value(u"laps"_s).toArray().size(), 2);

    const QJsonObject before = journal();
    QCOMPARE(::kill(pid_t(m_first.processId()), SIGKILL), 0);
    QVERIFY(m_first.waitForFinished());
    QCOMPARE(m_first.exitStatus(), QProcess::CrashExit);
    // The time the program is away, which the recovered stopwatch must have counted.
    QTest::qWait(1500);

    startProgram(m_second, u"second.log"_s);
    const QString recovered = findWindow(u"Untitled"_s);
    QVERIFY(!recovered.isEmpty());
    xdotool({u"windowfocus"_s, u"--sync"_s, recovered});
    // Space pauses only a running stopwatch, and the window then records its own time.
    xdotool({u"key"_s, u"--window"_s, recovered, u"space"_s});
    QTRY_COMPARE_WITH_TIMEOUT(journal().value(u"state"_s).toString(), u"paused"_s, 30000);

    const QJsonObject after = journal();
    QCOMPARE(journalFiles().size(), 1);
    QCOMPARE(after.value(u"laps"_s).toArray().size(), 2);
    QCOMPARE(after.value(u"laps"_s).toArray().at(0).toObject().value(u"note"_s).toString(), u"Warm-up"_s);
    QCOMPARE(after.value(u"laps"_s).toArray().at(0).toObject().value(u"time"_s), before.value(u"laps"_s).toArray().at(0).toObject().value(u"time"_s));
    QCOMPARE(after.value(u"laps"_s).toArray().at(1).toObject().value(u"time"_s), before.value(u"laps"_s).toArray().at(1).toObject().value(u"time"_s));
    const qint64 counted = after.value(u"elapsed"_s).toInteger() - before.value(u"elapsed"_s).toInteger();
    const qint64 passed = after.value(u"monotonic"_s).toInteger() - before.value(u"monotonic"_s).toInteger();
    QVERIFY2(counted >= 1500, qPrintable(u"the stopwatch counted %1 ms of an interruption of at least 1500 ms"_s.arg(counted)));
    // Counted by the monotonic clock both processes share: never more than passed between
    // the two records (give or take the rounding to milliseconds).
    QVERIFY2(counted <= passed + 2, qPrintable(u"counted %1 ms while %2 ms passed"_s.arg(counted).arg(passed)));

    m_second.terminate();
    QVERIFY(m_second.waitForFinished(30000));
}

void RecoveryKillTest::killedRightAfterUndoComesBackUndone()
{
    // Nothing of the run before may come back into this one.
    QVERIFY(QDir(m_home.filePath(u"state"_s)).removeRecursively());
    startProgram(m_first, u"undo-first.log"_s);
    const QString window = findWindow(u"Untitled"_s);
    QVERIFY(!window.isEmpty());
    xdotool({u"windowfocus"_s, u"--sync"_s, window});

    xdotool({u"key"_s, u"--window"_s, window, u"space"_s});
    QTRY_COMPARE_WITH_TIMEOUT(journal().value(u"state"_s).toString(), u"running"_s, 30000);
    for (int lap = 1; lap <= 3; ++lap) {
        xdotool({u"key"_s, u"--window"_s, window, u"Return"_s});
        QTRY_COMPARE_WITH_TIMEOUT(journal().value(u"laps"_s).toArray().size(), lap, 30000);
    }
    const QJsonArray laps = journal().value(u"laps"_s).toArray();

    // An accidental Reset, undone; then the last lap, undone as a double tap would be.
    xdotool({u"key"_s, u"--window"_s, window, u"F5"_s});
    // A reset window has nothing to keep; the undo must write it all anew.
    QTRY_COMPARE_WITH_TIMEOUT(journalFiles().size(), 0, 30000);
    xdotool({u"key"_s, u"ctrl+z"_s});
    QTRY_COMPARE_WITH_TIMEOUT(journal().value(u"state"_s).toString(), u"paused"_s, 30000);
    QCOMPARE(journal().value(u"laps"_s).toArray(), laps);
    xdotool({u"key"_s, u"ctrl+z"_s});
    QTRY_COMPARE_WITH_TIMEOUT(journal().value(u"laps"_s).toArray().size(), 2, 30000);

    const QJsonObject before = journal();
    QCOMPARE(::kill(pid_t(m_first.processId()), SIGKILL), 0);
    QVERIFY(m_first.waitForFinished());

    startProgram(m_second, u"undo-second.log"_s);
    QVERIFY(!findWindow(u"Untitled"_s).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(journalFiles().size(), 1, 30000);
    const QJsonObject after = journal();
    QCOMPARE(after.value(u"state"_s).toString(), u"paused"_s);
    QCOMPARE(after.value(u"elapsed"_s), before.value(u"elapsed"_s));
    QCOMPARE(after.value(u"laps"_s).toArray(), (QJsonArray{laps.at(0), laps.at(1)}));

    m_second.terminate();
    QVERIFY(m_second.waitForFinished(30000));
}

QTEST_GUILESS_MAIN(RecoveryKillTest)

#include "recoverykilltest.moc"
