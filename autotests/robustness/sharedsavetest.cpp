// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "dialoganswerer.h"
#include "mainwindow.h"
#include "sessionmodel.h"
#include "sessionsfiles.h"
#include "stopwatch.h"
#include "tickwardenconfig.h"
#include "windowsnapshot.h"

#include <KActionCollection>
#include <KMessageWidget>
#include <KSharedConfig>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
struct WindowDeleter {
    void operator()(MainWindow *window) const
    {
        // Closing would ask questions; the tests end windows directly.
        delete window;
    }
};
using WindowPtr = std::unique_ptr<MainWindow, WindowDeleter>;

QJsonArray storedSessions()
{
    return QJsonDocument::fromJson(contents(sessionsPath())).object().value(u"sessions"_s).toArray();
}

QStringList storedNames()
{
    QStringList names;
    const QJsonArray sessions = storedSessions();
    for (const QJsonValue &session : sessions) {
        names << session[u"name"_s].toString();
    }
    return names;
}
}

/**
 * A real window saves its session while another Tickwarden process works on the same
 * sessions file: Save must replace the window's stored copy, whatever the other process
 * wrote meanwhile, and store it anew, saying so, only when it was really removed.
 */
class SharedSaveTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void saveAfterAnotherProcessWrote_data();
    void saveAfterAnotherProcessWrote();

private:
    void trigger(MainWindow *window, const QString &action);
    // Runs the stopwatch until it has ticked, takes a lap if asked, and pauses.
    void run(MainWindow *window, bool lap);
    // Makes one change in a process of its own, as a second Tickwarden would.
    void changeElsewhere(const QStringList &arguments);

    QTemporaryDir m_logs;
};

void SharedSaveTest::initTestCase()
{
    QVERIFY(useTestDataDir());
    QVERIFY(QFileInfo(QStringLiteral(SESSIONCHANGER_BINARY)).isExecutable());
    QVERIFY(m_logs.isValid());
}

void SharedSaveTest::init()
{
    QVERIFY(makeEmptyDataDir());
    KSharedConfig::openConfig()->deleteGroup(u"Notification Messages"_s);
    TickwardenConfig::self()->setDefaults();
}

void SharedSaveTest::cleanup()
{
    QDir(dataDir()).removeRecursively();
}

void SharedSaveTest::trigger(MainWindow *window, const QString &action)
{
    QAction *a = window->actionCollection()->action(action);
    QVERIFY2(a && a->isEnabled(), qPrintable(action));
    a->trigger();
}

void SharedSaveTest::run(MainWindow *window, bool lap)
{
    trigger(window, u"start"_s);
    QSignalSpy ticks(window->findChild<Stopwatch *>(), &Stopwatch::time);
    QVERIFY(ticks.wait());
    if (lap) {
        trigger(window, u"lap"_s);
    }
    trigger(window, u"pause"_s);
}

void SharedSaveTest::changeElsewhere(const QStringList &arguments)
{
    QProcess changer;
    changer.setStandardOutputFile(m_logs.filePath(u"stdout"_s));
    changer.setStandardErrorFile(m_logs.filePath(u"stderr"_s));
    changer.start(QStringLiteral(SESSIONCHANGER_BINARY), arguments);
    QVERIFY2(changer.waitForStarted(), qPrintable(changer.errorString()));
    // A QProcess that is still running when it goes is killed by its destructor.
    QVERIFY(changer.waitForFinished(60000));
    QVERIFY2(changer.exitStatus() == QProcess::NormalExit && changer.exitCode() == 0, contents(m_logs.filePath(u"stderr"_s)).constData());
}

void SharedSaveTest::saveAfterAnotherProcessWrote_data()
{
    // What the other process does between the window's Save As and its Save.
    QTest::addColumn<QStringList>("change");
    QTest::addColumn<QStringList>("expectedNames");
    QTest::addColumn<bool>("storedAnew");
    // Whether the window goes on in a new process from its recovery record first, as after
    // a crash.
    QTest::addColumn<bool>("recovered");

    const QStringList add{u"add"_s, u"second launch"_s};
    const QStringList remove{u"remove"_s, u"first launch"_s};
    QTest::newRow("it saved a session of its own") << add << QStringList{u"first launch"_s, u"second launch"_s} << false << false;
    QTest::newRow("it removed the window's session") << remove << QStringList{u"first launch"_s} << true << false;
    QTest::newRow("recovered, it saved a session of its own") << add << QStringList{u"first launch"_s, u"second launch"_s} << false << true;
    QTest::newRow("recovered, it removed the window's session") << remove << QStringList{u"first launch"_s} << true << true;
}

void SharedSaveTest::saveAfterAnotherProcessWrote()
{
    QFETCH(QStringList, change);
    QFETCH(QStringList, expectedNames);
    QFETCH(bool, storedAnew);
    QFETCH(bool, recovered);

    auto store = std::make_unique<SessionModel>();
    WindowPtr window(new MainWindow(store.get(), nullptr, Session(0, QDateTime::currentDateTime())));
    // A window nobody sees gets no ticks.
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    run(window.get(), false);
    {
        DialogAnswerer answerer(u"OK"_s, u"first launch"_s);
        trigger(window.get(), u"file_save_as"_s);
        QVERIFY(answerer.answered());
    }
    QCOMPARE(storedNames(), QStringList{u"first launch"_s});

    if (recovered) {
        QJsonObject record;
        window->snapshot().toJson(record);
        const auto snapshot = WindowSnapshot::fromJson(QJsonDocument::fromJson(QJsonDocument(record).toJson()).object());
        QVERIFY(snapshot);
        window.reset();
        store = std::make_unique<SessionModel>();
        window.reset(new MainWindow(store.get(), nullptr, Session(0, QDateTime::currentDateTime())));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->restoreRun(*snapshot);
    }

    changeElsewhere(change);
    run(window.get(), true);
    trigger(window.get(), u"file_save"_s);

    QCOMPARE(storedNames(), expectedNames);
    const QJsonObject saved = storedSessions().at(expectedNames.indexOf(u"first launch"_s)).toObject();
    QCOMPARE(saved[u"time"_s].toInt(), window->findChild<Stopwatch *>()->accumulatedTime());
    QCOMPARE(saved[u"laps"_s].toArray().size(), 1);
    QVERIFY(!window->isWindowModified());

    auto message = window->findChild<KMessageWidget *>(u"saveErrorMessage"_s);
    QVERIFY(message);
    if (storedAnew) {
        QTRY_VERIFY(message->isVisible());
        QCOMPARE(message->messageType(), KMessageWidget::Information);
        QVERIFY2(message->text().contains(u"first launch"_s), qPrintable(message->text()));
        // Nothing failed, so there is nothing to try again.
        QVERIFY(message->actions().isEmpty());
    } else {
        QVERIFY(message->isHidden());
    }
}

QTEST_MAIN(SharedSaveTest)

#include "sharedsavetest.moc"
