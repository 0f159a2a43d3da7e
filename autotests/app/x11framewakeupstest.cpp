// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "programhome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

/**
 * The real program on an X server, running at hundredths: a frame wakes the main thread and
 * nothing else. Qt's shared-memory backing store would make a round trip to the server
 * before each frame, waking Qt's X event thread every frame as well.
 *
 * The test starts Xvfb and the program as processes of their own, output in files, and ends
 * both again. Wake-ups are read from the scheduler's context-switch counts in /proc.
 *
 * The setting that turns shared memory off is the program's own: what it starts (the
 * handbook's viewer through the desktop's opener) gets the environment without it.
 */
class X11FrameWakeupsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void framesWakeOnlyTheMainThread();
    void startedProgramsKeepTheirOwnFramePath();

private:
    // Context switches of the program's threads whose name starts with @p name.
    [[nodiscard]] qint64 switchesOf(const QString &name) const;

    ProgramHome m_home;
    QString m_display;
    QProcess m_server;
    QProcess m_program;
};

void X11FrameWakeupsTest::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
    if (xvfb.isEmpty()) {
        QSKIP("needs Xvfb");
    }
    QVERIFY(m_home.isValid());
    QVERIFY(QFileInfo(QStringLiteral(TICKWARDEN_BINARY)).isExecutable());

    // The server chooses a free display and names it on its standard output.
    QVERIFY(m_home.start(m_server,
                         xvfb,
                         {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1024x768x24"_s, u"-nolisten"_s, u"tcp"_s},
                         u"xvfb.log"_s,
                         ProgramHome::Output::ToCaller));
    QTRY_VERIFY_WITH_TIMEOUT(m_server.canReadLine() || m_server.state() != QProcess::Running, 30000);
    const QString display = QString::fromLatin1(m_server.readLine().trimmed());
    QVERIFY2(!display.isEmpty(), "Xvfb named no display; see xvfb.log");
    m_display = u":"_s + display;

    // The help centre and the desktop's opener, as they are found in the path, note the
    // environment they were given.
    QVERIFY(QDir(m_home.path()).mkpath(u"bin"_s));
    for (const QString &name : {u"khelpcenter"_s, u"xdg-open"_s}) {
        QFile opener(m_home.filePath(u"bin/"_s + name));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nenv > \"$HOME/opener-environment.tmp\"\nmv \"$HOME/opener-environment.tmp\" \"$HOME/opener-environment\"\n");
        opener.close();
        QVERIFY(opener.setPermissions(opener.permissions() | QFileDevice::ExeOwner));
    }

    QFile settings(m_home.filePath(u"config/tickwardenrc"_s));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[General]\nstartTimerImmediately=true\nshowSecondFractions=true\nfractionsType=UpToHundredths\n");
    settings.close();

    QProcessEnvironment env = m_home.environment();
    env.insert(u"DISPLAY"_s, m_display);
    env.insert(u"PATH"_s, m_home.filePath(u"bin"_s) + u':' + env.value(u"PATH"_s));
    env.remove(u"BROWSER"_s);
    env.remove(u"DEFAULT_BROWSER"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    // No session bus: the program runs on its own instead of handing over to another.
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + m_home.filePath(u"no-bus"_s));
    // What is measured is the program's own choice.
    env.remove(u"QT_XCB_NO_MITSHM"_s);
    m_program.setProcessEnvironment(env);
    QVERIFY(m_home.start(m_program, QStringLiteral(TICKWARDEN_BINARY), {}, u"tickwarden.log"_s));
}

void X11FrameWakeupsTest::cleanupTestCase()
{
    ProgramHome::stop(m_program);
    ProgramHome::stop(m_server);
}

qint64 X11FrameWakeupsTest::switchesOf(const QString &name) const
{
    const QString tasks = u"/proc/%1/task"_s.arg(m_program.processId());
    qint64 switches = 0;
    const QStringList threads = QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &thread : threads) {
        QFile comm(tasks + u'/' + thread + u"/comm"_s);
        QFile status(tasks + u'/' + thread + u"/status"_s);
        // A thread may end between the listing and the reading.
        if (!comm.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly)) {
            continue;
        }
        const bool isMain = thread == QString::number(m_program.processId());
        const QString threadName = isMain ? u"main"_s : QString::fromUtf8(comm.readAll().trimmed());
        if (!threadName.startsWith(name)) {
            continue;
        }
        const QList<QByteArray> lines = status.readAll().split('\n');
        for (const QByteArray &line : lines) {
            if (line.startsWith("voluntary_ctxt_switches:")) {
                switches += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
            }
        }
    }
    return switches;
}

void X11FrameWakeupsTest::framesWakeOnlyTheMainThread()
{
    // Running and painting: the main thread wakes for its frames.
    QTRY_VERIFY_WITH_TIMEOUT(switchesOf(u"QXcbEventQueue"_s) > 0 || m_program.state() != QProcess::Running, 30000);
    QVERIFY2(m_program.state() == QProcess::Running, "tickwarden ended; see tickwarden.log");
    qint64 mainBefore = switchesOf(u"main"_s);
    QTRY_VERIFY_WITH_TIMEOUT(switchesOf(u"main"_s) - mainBefore >= 30, 30000);

    mainBefore = switchesOf(u"main"_s);
    const qint64 eventsBefore = switchesOf(u"QXcbEventQueue"_s);
    QTest::qWait(2000);
    const qint64 frames = switchesOf(u"main"_s) - mainBefore;
    const qint64 events = switchesOf(u"QXcbEventQueue"_s) - eventsBefore;
    // At hundredths the window shows frames all along; a round trip per frame would wake the
    // event thread about once for every two of the main thread's wake-ups.
    QVERIFY2(frames >= 30, qPrintable(u"the main thread woke %1 times"_s.arg(frames)));
    QVERIFY2(events * 4 < frames, qPrintable(u"X event thread %1, main thread %2 wake-ups"_s.arg(events).arg(frames)));
}

void X11FrameWakeupsTest::startedProgramsKeepTheirOwnFramePath()
{
    const QString xdotool = QStandardPaths::findExecutable(u"xdotool"_s);
    if (xdotool.isEmpty()) {
        QSKIP("needs xdotool");
    }
    QProcessEnvironment env = m_home.environment();
    env.insert(u"DISPLAY"_s, m_display);
    QProcess search;
    search.setProcessEnvironment(env);
    search.start(xdotool, {u"search"_s, u"--sync"_s, u"--onlyvisible"_s, u"--class"_s, u"tickwarden"_s});
    QVERIFY(search.waitForFinished(30000));
    const QString window = QString::fromLatin1(search.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).value(0);
    QVERIFY2(!window.isEmpty(), "no window of tickwarden on the display");

    // F1 opens the handbook. Without a window manager the window takes the keyboard only
    // when given the focus.
    for (const QStringList &arguments : {QStringList{u"windowfocus"_s, u"--sync"_s, window}, QStringList{u"key"_s, u"F1"_s}}) {
        QProcess step;
        step.setProcessEnvironment(env);
        step.start(xdotool, arguments);
        QVERIFY(step.waitForFinished(30000));
    }
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_home.filePath(u"opener-environment"_s)), 30000);

    QFile launched(m_home.filePath(u"opener-environment"_s));
    QVERIFY(launched.open(QIODevice::ReadOnly));
    const QByteArray environment = launched.readAll();
    QVERIFY2(environment.contains("DISPLAY=:"), "the opener's environment was not noted");
    QVERIFY2(!environment.contains("QT_XCB_NO_MITSHM="), "the program passed its own frame setting on");
}

QTEST_GUILESS_MAIN(X11FrameWakeupsTest)

#include "x11framewakeupstest.moc"
