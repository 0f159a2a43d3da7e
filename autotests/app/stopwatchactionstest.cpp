// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "stopwatchactions.h"

#include "lapmodel.h"
#include "stopwatch.h"

#include <KActionCollection>
#include <KLocalizedString>

#include <QAction>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
struct Fixture {
    Stopwatch stopwatch;
    LapModel laps;
    bool hasSession = false;
    KActionCollection collection{static_cast<QObject *>(nullptr)};
    StopwatchActions actions{&stopwatch,
                             &laps,
                             [this] {
                                 return hasSession;
                             },
                             &collection,
                             nullptr};
    QSignalSpy states{&actions, &StopwatchActions::guiStateChanged};

    // Runs the named actions, then tells the last GUI state asked for.
    QString trigger(const QStringList &steps)
    {
        for (const QString &step : steps) {
            QAction *action = collection.action(step);
            if (!action) {
                qWarning() << "no action" << step;
                return {};
            }
            if (step == u"reset"_s) {
                // Reset is left to the window, which sends it through the run's history.
                stopwatch.reset();
            } else {
                // The window's GUI states enable the actions; here every step is allowed.
                action->setEnabled(true);
                action->trigger();
            }
        }
        return states.isEmpty() ? QString() : states.constLast().at(0).toString();
    }
};
}

class StopwatchActionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void namesAndShortcuts_data();
    void namesAndShortcuts();
    void stateAndStartTextFollowTheStopwatch_data();
    void stateAndStartTextFollowTheStopwatch();
    void exportOfferedOncePausedWithLaps();
    void editedNoteAsksForSaveOnlyWhilePausedSession_data();
    void editedNoteAsksForSaveOnlyWhilePausedSession();
    void lapRecordingHidesLapAndExport();
};

void StopwatchActionsTest::initTestCase()
{
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void StopwatchActionsTest::namesAndShortcuts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<QKeySequence>>("shortcuts");

    // Start and Pause share Space: only one of them is ever enabled.
    QTest::newRow("start") << u"start"_s << QList<QKeySequence>{Qt::Key_Space};
    QTest::newRow("pause") << u"pause"_s << QList<QKeySequence>{Qt::Key_Space};
    QTest::newRow("reset") << u"reset"_s << QList<QKeySequence>{Qt::Key_F5};
    QTest::newRow("lap") << u"lap"_s << QList<QKeySequence>{Qt::Key_Return, Qt::Key_Enter};
    QTest::newRow("export") << u"export_laps"_s << QList<QKeySequence>{};
}

void StopwatchActionsTest::namesAndShortcuts()
{
    QFETCH(QString, name);
    QFETCH(QList<QKeySequence>, shortcuts);

    Fixture fixture;
    QAction *action = fixture.collection.action(name);
    QVERIFY(action);
    QCOMPARE(action->shortcuts(), shortcuts);
    QCOMPARE(KActionCollection::defaultShortcuts(action), shortcuts);
    QVERIFY(!action->icon().name().isEmpty());
    const QList<QAction *> owned{fixture.actions.start(),
                                 fixture.actions.pause(),
                                 fixture.actions.reset(),
                                 fixture.actions.lap(),
                                 fixture.actions.exportLaps()};
    QVERIFY(owned.contains(action));
}

void StopwatchActionsTest::stateAndStartTextFollowTheStopwatch_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("hasSession");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("startText");

    QTest::newRow("running") << QStringList{u"start"_s} << false << u"running"_s << QString();
    QTest::newRow("paused") << QStringList{u"start"_s, u"pause"_s} << false << u"paused"_s << i18nc("@action", "Re&sume");
    QTest::newRow("paused session") << QStringList{u"start"_s, u"pause"_s} << true << u"pausedSession"_s << i18nc("@action", "Re&sume");
    QTest::newRow("resumed") << QStringList{u"start"_s, u"pause"_s, u"start"_s} << true << u"running"_s << i18nc("@action", "Re&sume");
    QTest::newRow("reset while paused") << QStringList{u"start"_s, u"pause"_s, u"reset"_s} << true << u"inactive"_s << i18nc("@action", "&Start");
    QTest::newRow("reset while running") << QStringList{u"start"_s, u"reset"_s} << false << u"inactive"_s << i18nc("@action", "&Start");
}

void StopwatchActionsTest::stateAndStartTextFollowTheStopwatch()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, hasSession);
    QFETCH(QString, state);
    QFETCH(QString, startText);

    Fixture fixture;
    fixture.hasSession = hasSession;
    QCOMPARE(fixture.trigger(steps), state);
    QCOMPARE(fixture.actions.start()->text(), startText);
}

void StopwatchActionsTest::exportOfferedOncePausedWithLaps()
{
    Fixture fixture;
    // As the window's ui.rc states leave it before anything was timed.
    fixture.actions.exportLaps()->setEnabled(false);
    connect(&fixture.stopwatch, &Stopwatch::lap, &fixture.laps, &LapModel::addLap);

    fixture.trigger({u"start"_s, u"pause"_s});
    QVERIFY(!fixture.actions.exportLaps()->isEnabled());

    fixture.trigger({u"start"_s, u"lap"_s});
    QCOMPARE(fixture.laps.rowCount(), 1);
    QVERIFY(!fixture.actions.exportLaps()->isEnabled());
    fixture.trigger({u"pause"_s});
    QVERIFY(fixture.actions.exportLaps()->isEnabled());
}

void StopwatchActionsTest::editedNoteAsksForSaveOnlyWhilePausedSession_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("hasSession");
    QTest::addColumn<bool>("asked");

    QTest::newRow("paused session") << QStringList{u"start"_s, u"lap"_s, u"pause"_s} << true << true;
    QTest::newRow("paused, no session") << QStringList{u"start"_s, u"lap"_s, u"pause"_s} << false << false;
    QTest::newRow("running session") << QStringList{u"start"_s, u"lap"_s} << true << false;
}

void StopwatchActionsTest::editedNoteAsksForSaveOnlyWhilePausedSession()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, hasSession);
    QFETCH(bool, asked);

    Fixture fixture;
    fixture.hasSession = hasSession;
    connect(&fixture.stopwatch, &Stopwatch::lap, &fixture.laps, &LapModel::addLap);
    fixture.trigger(steps);
    fixture.states.clear();

    QVERIFY(fixture.laps.setData(fixture.laps.index(0, LapModel::NoteRole - int(Qt::UserRole)), u"uphill"_s, Qt::EditRole));
    QCOMPARE(fixture.states.count(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(fixture.states.constFirst().at(0).toString(), u"pausedSession"_s);
    }
}

void StopwatchActionsTest::lapRecordingHidesLapAndExport()
{
    Fixture fixture;
    fixture.actions.setLapsRecording(false);
    QVERIFY(!fixture.actions.lap()->isVisible());
    QVERIFY(!fixture.actions.exportLaps()->isVisible());
    QVERIFY(fixture.actions.start()->isVisible());
    QVERIFY(fixture.actions.reset()->isVisible());

    fixture.actions.setLapsRecording(true);
    QVERIFY(fixture.actions.lap()->isVisible());
    QVERIFY(fixture.actions.exportLaps()->isVisible());
}

QTEST_MAIN(StopwatchActionsTest)

#include "stopwatchactionstest.moc"
