// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapalerts.h"
#include "activityruns.h"
#include "adjusttimecommand.h"
#include "durationedit.h"
#include "fakenotifications.h"
#include "lapmodel.h"
#include "laptargetdialog.h"
#include "mainwindow.h"
#include "runcomparison.h"
#include "runninglap.h"
#include "runsplits.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "tickwardenconfig.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KSharedConfig>

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QUndoStack>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Long enough that a loaded machine does not reach it before the test has done its steps.
constexpr int target = 400;

// The notifications shown, received in the test's thread.
class Shown : public QObject
{
    Q_OBJECT

public:
    explicit Shown(FakeNotificationServer *server)
    {
        connect(server, &FakeNotificationServer::shown, this, &Shown::record, Qt::QueuedConnection);
    }

    QStringList summaries;
    QStringList bodies;
    QStringList applications;

Q_SIGNALS:
    void recorded();

private:
    void record(const QString &application, const QString &summary, const QString &body)
    {
        applications.append(application);
        summaries.append(summary);
        bodies.append(body);
        Q_EMIT recorded();
    }
};

// A stopwatch with its laps, wired as in a window.
struct Run {
    Run()
    {
        QObject::connect(&stopwatch, &Stopwatch::lap, &laps, &LapModel::addLap);
        alerts = std::make_unique<LapAlerts>(&stopwatch, &laps, &runningLap);
    }

    Stopwatch stopwatch;
    LapModel laps;
    RunningLap runningLap{&stopwatch, &laps};
    std::unique_ptr<LapAlerts> alerts;
};
}

class LapAlertsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void targetAlertsOncePerLap();
    void pausedTimeNeverCounts();
    void undoneLapDoesNotAlertAgain();
    void timeMovedPastTargetAlertsAtOnce();
    void adjustedTimeDoesNotAlertAgain_data();
    void adjustedTimeDoesNotAlertAgain();
    void fastestAfterCorrections_data();
    void fastestAfterCorrections();
    void fastestLap_data();
    void fastestLap();
    void targetFromComparedRun_data();
    void targetFromComparedRun();
    void comparedLapAlertsWithoutOwnTarget();
    void hiddenWindowAlertsAndNamesItself();
    void windowFastestLapNotOnUndoOrRedo();
    void dialogSetsWindowTarget();

private:
    std::unique_ptr<MainWindow> makeWindow();

    QThread m_serverThread;
    FakeNotificationServer *m_server = nullptr;
    std::unique_ptr<Shown> m_shown;
    std::unique_ptr<SessionModel> m_store;
};

void LapAlertsTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    m_server = new FakeNotificationServer;
    connect(&m_serverThread, &QThread::finished, m_server, &QObject::deleteLater);
    QVERIFY(FakeNotificationServer::start(m_server, &m_serverThread));
}

void LapAlertsTest::init()
{
    m_shown = std::make_unique<Shown>(m_server);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    KSharedConfig::openStateConfig()->deleteGroup(u"MainWindow"_s);
    TickwardenConfig::self()->setDefaults();
    m_store = std::make_unique<SessionModel>();
}

void LapAlertsTest::cleanup()
{
    // A test may end right after its last alert, while the notification is still on its
    // way: a call to the server behind it lets it arrive here, not in the next test.
    QCoreApplication::processEvents();
    const QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s,
                                                             u"/org/freedesktop/Notifications"_s,
                                                             u"org.freedesktop.Notifications"_s,
                                                             u"GetServerInformation"_s);
    QCOMPARE(QDBusConnection::sessionBus().call(call).type(), QDBusMessage::ReplyMessage);
    QCoreApplication::processEvents();
    m_store.reset();
}

void LapAlertsTest::cleanupTestCase()
{
    m_store.reset();
    m_shown.reset();
    FakeNotificationServer::stop(m_server, &m_serverThread);
}

std::unique_ptr<MainWindow> LapAlertsTest::makeWindow()
{
    return std::make_unique<MainWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
}

void LapAlertsTest::targetAlertsOncePerLap()
{
    Run run;
    run.alerts->setTarget(target);
    QSignalSpy over(run.alerts.get(), &LapAlerts::lapOverTarget);
    QSignalSpy shown(m_shown.get(), &Shown::recorded);

    run.stopwatch.start();
    QVERIFY(shown.wait(10 * target));
    QCOMPARE(over.count(), 1);
    QCOMPARE(over.at(0), (QVariantList{1, target}));
    QCOMPARE(m_shown->applications, QStringList{u"Tickwarden"_s});
    QCOMPARE(m_shown->summaries, QStringList{u"Lap 1 Past Its Target"_s});
    QCOMPARE(m_shown->bodies, QStringList{u"Lap 1 has run longer than its target of 00:00.40."_s});
    QVERIFY(run.stopwatch.currentTime() >= target);

    // The lap runs on past its target: no second alert for it.
    QVERIFY(!shown.wait(target));
    QCOMPARE(over.count(), 1);

    // The next lap has its own target time.
    run.stopwatch.storeLap();
    QVERIFY(shown.wait(10 * target));
    QCOMPARE(over.count(), 2);
    QCOMPARE(over.at(1), (QVariantList{2, target}));

    // A new run alerts again from its first lap.
    run.stopwatch.reset();
    run.laps.clear();
    run.stopwatch.start();
    QVERIFY(shown.wait(10 * target));
    QCOMPARE(over.count(), 3);
    QCOMPARE(over.at(2), (QVariantList{1, target}));
    QCOMPARE(m_shown->summaries.size(), 3);
}

void LapAlertsTest::pausedTimeNeverCounts()
{
    Run run;
    run.alerts->setTarget(target);
    int runningAtAlert = -1;
    connect(run.alerts.get(), &LapAlerts::lapOverTarget, this, [&] {
        runningAtAlert = run.stopwatch.currentTime();
    });
    QSignalSpy over(run.alerts.get(), &LapAlerts::lapOverTarget);

    run.stopwatch.start();
    QTRY_VERIFY(run.stopwatch.currentTime() >= target / 4);
    run.stopwatch.pause();
    QCOMPARE(over.count(), 0);
    // Longer than the target on the wall clock, but none of it running.
    QVERIFY(!over.wait(2 * target));

    run.stopwatch.start();
    QVERIFY(over.wait(10 * target));
    QVERIFY2(runningAtAlert >= target, qPrintable(QString::number(runningAtAlert)));
    QCOMPARE(over.count(), 1);

    // Nothing while reset either.
    run.stopwatch.reset();
    QVERIFY(!over.wait(2 * target));
    QCOMPARE(over.count(), 1);
}

void LapAlertsTest::undoneLapDoesNotAlertAgain()
{
    Run run;
    run.alerts->setTarget(target);
    QSignalSpy over(run.alerts.get(), &LapAlerts::lapOverTarget);
    run.stopwatch.start();
    QVERIFY(over.wait(10 * target));
    run.stopwatch.storeLap();

    // The lap taken is undone: the run is back in lap 1, long past its target, and lap 1
    // has told so already.
    run.laps.removeLap(0);
    QVERIFY(!over.wait(target / 2));
    QCOMPARE(over.count(), 1);
}

void LapAlertsTest::timeMovedPastTargetAlertsAtOnce()
{
    Run run;
    run.alerts->setTarget(10 * target);
    QSignalSpy over(run.alerts.get(), &LapAlerts::lapOverTarget);
    run.stopwatch.start();
    QVERIFY(run.stopwatch.adjust(20 * target));
    // At once, not at the old moment ten targets from the start.
    QVERIFY(over.wait(5 * target));
    QCOMPARE(over.count(), 1);

    // So does a target lowered below the running lap's time.
    run.stopwatch.storeLap();
    run.alerts->setTarget(10 * target);
    QTRY_VERIFY(run.stopwatch.currentTime() - run.laps.sinceStart(0) >= 10);
    QCOMPARE(over.count(), 1);
    run.alerts->setTarget(1);
    QVERIFY(over.wait(5 * target));
    QCOMPARE(over.count(), 2);
}

void LapAlertsTest::adjustedTimeDoesNotAlertAgain_data()
{
    QTest::addColumn<bool>("lapTaken");
    QTest::addColumn<QStringList>("steps");

    // Past the first lap an adjustment moves the running lap's start with all the laps.
    QTest::newRow("later start") << true << QStringList{u"3000"_s};
    QTest::newRow("earlier start") << true << QStringList{u"-2000"_s};
    QTest::newRow("adjusted and undone") << true << QStringList{u"3000"_s, u"undo"_s};
    QTest::newRow("undone and redone") << true << QStringList{u"3000"_s, u"undo"_s, u"redo"_s};
    QTest::newRow("two adjustments") << true << QStringList{u"3000"_s, u"-1000"_s};
    // The first lap starts at zero whatever the adjustment.
    QTest::newRow("first lap") << false << QStringList{u"3000"_s, u"undo"_s};
}

void LapAlertsTest::adjustedTimeDoesNotAlertAgain()
{
    QFETCH(bool, lapTaken);
    QFETCH(QStringList, steps);

    Run run;
    QUndoStack history;
    run.alerts->setTarget(target);
    QSignalSpy over(run.alerts.get(), &LapAlerts::lapOverTarget);
    QVERIFY(run.stopwatch.initialize(5000));
    run.stopwatch.start();
    if (lapTaken) {
        run.stopwatch.storeLap();
    }
    QVERIFY(over.wait(10 * target));
    QCOMPARE(over.count(), 1);
    QCOMPARE(over.at(0).at(0).toInt(), lapTaken ? 2 : 1);

    for (const QString &step : std::as_const(steps)) {
        if (step == "undo"_L1) {
            history.undo();
        } else if (step == "redo"_L1) {
            history.redo();
        } else {
            history.push(new AdjustTimeCommand(&run.stopwatch, &run.laps, step.toInt()));
        }
    }
    QVERIFY(!over.wait(2 * target));
    QCOMPARE(over.count(), 1);

    // The next lap still alerts.
    run.stopwatch.storeLap();
    QVERIFY(over.wait(10 * target));
    QCOMPARE(over.count(), 2);
}

void LapAlertsTest::fastestLap_data()
{
    QTest::addColumn<QList<int>>("sinceStart");
    QTest::addColumn<QList<QVariantList>>("expected");

    QTest::newRow("first lap is no news") << QList<int>{1000} << QList<QVariantList>{};
    QTest::newRow("slower second lap") << QList<int>{1000, 2500} << QList<QVariantList>{};
    QTest::newRow("equal is not faster") << QList<int>{1000, 2000} << QList<QVariantList>{};
    QTest::newRow("faster second lap") << QList<int>{1000, 1800} << QList<QVariantList>{{2, 800, 1000}};
    QTest::newRow("each faster than all before") << QList<int>{1000, 1900, 2700, 3400} << QList<QVariantList>{{2, 900, 1000}, {3, 800, 900}, {4, 700, 800}};
    QTest::newRow("faster than the last, not the first") << QList<int>{500, 2000, 3000} << QList<QVariantList>{};
    QTest::newRow("fastest after slow ones") << QList<int>{500, 2000, 2400} << QList<QVariantList>{{3, 400, 500}};
}

void LapAlertsTest::fastestAfterCorrections_data()
{
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("next");
    QTest::addColumn<QList<QVariantList>>("expected");

    // Laps of 1000, 500 and 1500: the fastest is gone with the deletion.
    QTest::newRow("fastest lap deleted") << QList<int>{1000, 1500, 3000} << u"remove 1"_s << 3700 << QList<QVariantList>{{3, 700, 1000}};
    // Laps of 1000, 500 and 1500: the first one deleted leaves two of 1500.
    QTest::newRow("fastest lap merged away") << QList<int>{1000, 1500, 3000} << u"remove 0"_s << 3900 << QList<QVariantList>{{3, 900, 1500}};
    // A lap put back between: 1000, 300, 200 and 1500; the new lap of 250 is not the fastest.
    QTest::newRow("lap put back") << QList<int>{1000, 1500, 3000} << u"insert 1300"_s << 3250 << QList<QVariantList>{};
    // The first lap of 300 grows to 1300 with a late start; 800 is now the fastest.
    QTest::newRow("time moved later") << QList<int>{300, 1300} << u"shift 1000"_s << 3100 << QList<QVariantList>{{3, 800, 1000}};
    // A note changes no time.
    QTest::newRow("note edited") << QList<int>{1000, 1500} << u"note 1"_s << 1900 << QList<QVariantList>{{3, 400, 500}};
}

void LapAlertsTest::fastestAfterCorrections()
{
    QFETCH(QList<int>, before);
    QFETCH(QString, edit);
    QFETCH(int, next);
    QFETCH(QList<QVariantList>, expected);

    Run run;
    for (int time : before) {
        Q_EMIT run.stopwatch.lap(time);
    }
    const int argument = edit.section(u' ', 1).toInt();
    if (edit.startsWith(u"remove")) {
        run.laps.removeLap(argument);
    } else if (edit.startsWith(u"insert")) {
        run.laps.insertLap(1, Lap(argument));
    } else if (edit.startsWith(u"shift")) {
        run.laps.shiftTimes(argument);
    } else if (edit.startsWith(u"note")) {
        run.laps.setNote(argument, u"steady"_s);
    }
    QSignalSpy fastest(run.alerts.get(), &LapAlerts::newFastestLap);
    Q_EMIT run.stopwatch.lap(next);
    QCOMPARE(QList<QVariantList>(fastest.begin(), fastest.end()), expected);
}

void LapAlertsTest::fastestLap()
{
    QFETCH(QList<int>, sinceStart);
    QFETCH(QList<QVariantList>, expected);

    Run run;
    QSignalSpy fastest(run.alerts.get(), &LapAlerts::newFastestLap);
    for (int time : sinceStart) {
        Q_EMIT run.stopwatch.lap(time);
    }
    QCOMPARE(run.laps.rowCount(), sinceStart.size());
    QCOMPARE(QList<QVariantList>(fastest.begin(), fastest.end()), expected);
}

void LapAlertsTest::targetFromComparedRun_data()
{
    QTest::addColumn<bool>("useCompared");
    QTest::addColumn<int>("own");
    QTest::addColumn<QList<int>>("targets");

    // The compared run has laps of 30, 25 and 40 seconds.
    QTest::newRow("own target only") << false << 20000 << QList<int>{20000, 20000, 20000, 20000};
    QTest::newRow("compared laps, own past them") << true << 20000 << QList<int>{30000, 25000, 40000, 20000};
    QTest::newRow("compared laps, none past them") << true << 0 << QList<int>{30000, 25000, 40000, 0};
}

void LapAlertsTest::targetFromComparedRun()
{
    QFETCH(bool, useCompared);
    QFETCH(int, own);
    QFETCH(QList<int>, targets);

    Run run;
    QStandardItemModel sessions;
    ActivityRuns runs(&sessions);
    RunComparison comparison(&runs);
    run.alerts->setComparison(&comparison);
    run.alerts->setTarget(own);
    run.alerts->setUseComparedLaps(useCompared);
    comparison.choose(RunSplits(QList<qint64>{30000, 55000, 95000}), u"Earlier"_s);
    for (int number = 1; number <= targets.size(); ++number) {
        QCOMPARE(run.alerts->targetOf(number), targets.at(number - 1));
    }

    // Nothing compared any more: the window's own target everywhere.
    comparison.setReference(RunComparison::Reference::None);
    QCOMPARE(run.alerts->targetOf(1), own);
}

void LapAlertsTest::comparedLapAlertsWithoutOwnTarget()
{
    Run run;
    QStandardItemModel sessions;
    ActivityRuns runs(&sessions);
    RunComparison comparison(&runs);
    run.alerts->setComparison(&comparison);
    run.alerts->setUseComparedLaps(true);
    QSignalSpy over(run.alerts.get(), &LapAlerts::lapOverTarget);

    run.stopwatch.start();
    QVERIFY(!over.wait(target / 2));
    // Chosen while the lap runs: the alert is planned for the compared lap's time.
    comparison.choose(RunSplits(QList<qint64>{target}), u"Earlier"_s);
    QVERIFY(over.wait(10 * target));
    QCOMPARE(over.at(0), (QVariantList{1, target}));
}

void LapAlertsTest::hiddenWindowAlertsAndNamesItself()
{
    TickwardenConfig::setLapTarget(target);
    auto window = makeWindow();
    window->setTitle(u"Intervals"_s);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto stopwatch = window->findChild<Stopwatch *>();
    QSignalSpy shown(m_shown.get(), &Shown::recorded);

    window->actionCollection()->action(u"start"_s)->trigger();
    window->hide();
    // Hidden, the window takes no ticks; the alert comes all the same.
    QTRY_VERIFY(stopwatch->ticksSuspended());
    QVERIFY(shown.wait(10 * target));
    QCOMPARE(m_shown->summaries, QStringList{u"Lap 1 Past Its Target – Intervals"_s});
}

void LapAlertsTest::windowFastestLapNotOnUndoOrRedo()
{
    auto window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto stopwatch = window->findChild<Stopwatch *>();
    KActionCollection *actions = window->actionCollection();
    auto alerts = window->findChild<LapAlerts *>();
    QSignalSpy fastest(alerts, &LapAlerts::newFastestLap);
    QSignalSpy shown(m_shown.get(), &Shown::recorded);

    actions->action(u"start"_s)->trigger();
    QTRY_VERIFY(stopwatch->currentTime() >= 50);
    actions->action(u"lap"_s)->trigger();
    // The second lap is taken at once, shorter than the first.
    actions->action(u"lap"_s)->trigger();
    QCOMPARE(fastest.count(), 1);
    QCOMPARE(fastest.at(0).at(0), QVariant(2));
    QVERIFY(shown.wait(5000));
    QCOMPARE(m_shown->summaries.constFirst(), u"New Fastest Lap – Untitled"_s);

    actions->action(u"edit_undo"_s)->trigger();
    actions->action(u"edit_redo"_s)->trigger();
    QCOMPARE(window->findChild<LapModel *>()->rowCount(), 2);
    QCOMPARE(fastest.count(), 1);
}

void LapAlertsTest::dialogSetsWindowTarget()
{
    TickwardenConfig::setLapTarget(90000);
    auto window = makeWindow();
    auto alerts = window->findChild<LapAlerts *>();
    QCOMPARE(alerts->target(), 90000);

    QAction *lapTarget = window->actionCollection()->action(u"lap_target"_s);
    QVERIFY(lapTarget);
    lapTarget->trigger();
    LapTargetDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = window->findChild<LapTargetDialog *>()));
    QCOMPARE(dialog->targetEdit()->milliseconds(), 90000);
    // Nothing is compared in a new window: the choice is there, not to be taken yet.
    QVERIFY(!dialog->comparedLapsBox()->isEnabled());
    dialog->targetEdit()->setMilliseconds(75000);
    dialog->accept();
    QCOMPARE(alerts->target(), 75000);

    // A window keeps its own target when the setting changes; the others follow it.
    auto other = makeWindow();
    TickwardenConfig::setLapTarget(60000);
    QVERIFY(QMetaObject::invokeMethod(window.get(), "slotWriteSettings"));
    QCOMPARE(alerts->target(), 75000);
    QCOMPARE(other->findChild<LapAlerts *>()->target(), 60000);
}

QTEST_MAIN(LapAlertsTest)

#include "lapalertstest.moc"
