// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "adjusttimedialog.h"
#include "lapanalysismodel.h"
#include "lapmodel.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "sessionworkflow.h"
#include "stopwatch.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KSharedConfig>
#include <KStandardAction>

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
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

// A stored run: paused at 50 s, laps at 10, 20, 30 and 40 s, the second with a note.
Session storedRun()
{
    Session session(50'000, QDateTime::currentDateTime().addSecs(-3600));
    session.setName(u"Morning run"_s);
    for (int lap = 1; lap <= 4; ++lap) {
        Lap taken = Lap::fromMilliseconds(lap * 10'000);
        if (lap == 2) {
            taken.setNote(u"stitch"_s);
        }
        session.addLap(taken);
    }
    return session;
}

QList<int> lapsSinceStart(MainWindow *window)
{
    const auto laps = window->findChild<LapModel *>();
    QList<int> times;
    for (int row = 0; row < laps->rowCount(); ++row) {
        times << laps->sinceStart(row);
    }
    return times;
}

QStringList notes(MainWindow *window)
{
    const auto laps = window->findChild<LapModel *>();
    QStringList notes;
    for (int row = 0; row < laps->rowCount(); ++row) {
        notes << laps->lap(row).note();
    }
    return notes;
}
}

class EditActionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void editMenuHoldsTheEdits();
    void accidentalResetIsUndone();
    void doubleLapUndoneWhileRunning();
    void deleteKeyDeletesTheSelectedLapsOfASortedTable();
    void mergeNeedsALapBefore();
    void modifiedMarkFollowsTheEdits();
    void adjustTimeRefusesBelowZeroAndMovesTheRun();
    void undoFromOutside();
    void lapWithANoteFromOutsideIsOneStep();
    void importedTitleComesBackWithTheRun();

private:
    WindowPtr makeWindow(const Session &session);
    QAction *action(MainWindow *window, const QString &name) const;
    QString storeRun();
    std::unique_ptr<SessionModel> m_store;
};

void EditActionsTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    QLocale::setDefault(QLocale::c());
}

void EditActionsTest::init()
{
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    KSharedConfig::openConfig()->reparseConfiguration();
    TickwardenConfig::self()->setDefaults();
    // Notes shown, so the note column takes part as the user sees it.
    TickwardenConfig::setShowLapNotes(true);
    m_store = std::make_unique<SessionModel>();
}

void EditActionsTest::cleanup()
{
    m_store.reset();
    TickwardenConfig::self()->setDefaults();
}

WindowPtr EditActionsTest::makeWindow(const Session &session)
{
    WindowPtr window(new MainWindow(m_store.get(), nullptr, session));
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) {
        qWarning() << "The window did not become active.";
    }
    return window;
}

QAction *EditActionsTest::action(MainWindow *window, const QString &name) const
{
    QAction *found = window->actionCollection()->action(name);
    if (!found) {
        qWarning() << "No action" << name;
    }
    return found;
}

void EditActionsTest::editMenuHoldsTheEdits()
{
    WindowPtr window = makeWindow(storedRun());
    QMenu *edit = nullptr;
    const auto entries = window->menuBar()->actions();
    for (QAction *entry : entries) {
        if (entry->menu() && entry->menu()->objectName() == "edit"_L1) {
            edit = entry->menu();
        }
    }
    QVERIFY(edit);
    for (const QString &name : {KStandardAction::name(KStandardAction::Undo),
                                KStandardAction::name(KStandardAction::Redo),
                                u"delete_lap"_s,
                                u"merge_lap_previous"_s,
                                u"adjust_time"_s}) {
        QVERIFY2(edit->actions().contains(action(window.get(), name)), qPrintable(name));
    }
    QCOMPARE(action(window.get(), KStandardAction::name(KStandardAction::Undo))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    // The lap table offers the lap corrections on its context menu.
    const auto view = window->findChild<QTableView *>(u"lapView"_s);
    QCOMPARE(view->contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(view->actions().contains(action(window.get(), u"delete_lap"_s)));
    QVERIFY(view->actions().contains(action(window.get(), u"merge_lap_previous"_s)));
}

void EditActionsTest::accidentalResetIsUndone()
{
    WindowPtr window = makeWindow(Session());
    auto stopwatch = window->findChild<Stopwatch *>();
    auto laps = window->findChild<LapModel *>();
    action(window.get(), u"start"_s)->trigger();
    action(window.get(), u"lap"_s)->trigger();
    action(window.get(), u"lap"_s)->trigger();
    QVERIFY(laps->setData(laps->index(0, laps->columnForRole(LapModel::NoteRole)), u"first"_s));
    action(window.get(), u"pause"_s)->trigger();
    QCOMPARE(window->findChild<SessionWorkflow *>()->storeSession(u"Track"_s).stored, true);
    const int elapsed = stopwatch->currentTime();
    const QList<int> times = lapsSinceStart(window.get());

    action(window.get(), u"reset"_s)->trigger();
    QVERIFY(stopwatch->isInactive());
    QVERIFY(laps->isEmpty());
    QAction *undo = action(window.get(), KStandardAction::name(KStandardAction::Undo));
    QCOMPARE(undo->text(), u"&Undo Reset"_s);

    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(stopwatch->isPaused());
    QCOMPARE(stopwatch->currentTime(), elapsed);
    QCOMPARE(lapsSinceStart(window.get()), times);
    QCOMPARE(notes(window.get()), (QStringList{u"first"_s, QString()}));
    // The session it was saved as comes back with it, unchanged.
    QVERIFY(window->windowTitle().startsWith(u"Track"_s));
    QVERIFY(!window->isWindowModified());
    QVERIFY(action(window.get(), u"start"_s)->isEnabled());
    QCOMPARE(window->findChild<StopwatchControl *>()->sessionName(), u"Track"_s);
}

void EditActionsTest::doubleLapUndoneWhileRunning()
{
    WindowPtr window = makeWindow(Session());
    auto stopwatch = window->findChild<Stopwatch *>();
    action(window.get(), u"start"_s)->trigger();
    QTest::keyClick(window.get(), Qt::Key_Return);
    QTest::keyClick(window.get(), Qt::Key_Return);
    QCOMPARE(lapsSinceStart(window.get()).size(), 2);
    const int first = lapsSinceStart(window.get()).first();
    QCOMPARE(action(window.get(), KStandardAction::name(KStandardAction::Undo))->text(), u"&Undo Lap 2"_s);

    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(stopwatch->isRunning());
    QCOMPARE(lapsSinceStart(window.get()), QList<int>{first});
    QCOMPARE(window->findChild<LapAnalysisModel *>()->statistics().count(), 1);
    QCOMPARE(action(window.get(), KStandardAction::name(KStandardAction::Redo))->text(), u"Re&do Lap 2"_s);

    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(lapsSinceStart(window.get()).size(), 2);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(lapsSinceStart(window.get()).isEmpty());
    QVERIFY(stopwatch->isRunning());
    QVERIFY(!action(window.get(), KStandardAction::name(KStandardAction::Undo))->isEnabled());
    QCOMPARE(action(window.get(), KStandardAction::name(KStandardAction::Undo))->text(), u"&Undo"_s);
}

void EditActionsTest::deleteKeyDeletesTheSelectedLapsOfASortedTable()
{
    WindowPtr window = makeWindow(storedRun());
    const auto view = window->findChild<QTableView *>(u"lapView"_s);
    // Newest first: the view's rows are not the lap model's, and the running lap comes first.
    view->sortByColumn(0, Qt::DescendingOrder);
    view->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QAction *remove = action(window.get(), u"delete_lap"_s);
    QVERIFY(!remove->isEnabled());
    QCOMPARE(view->model()->index(0, 0).data().toString(), u"Lap 5"_s);

    // The running lap alone is nothing to delete; selected with laps it is passed over.
    view->selectionModel()->select(view->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(!remove->isEnabled());
    view->selectionModel()->select(view->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(view->model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(remove->isEnabled());
    QTest::keyClick(view, Qt::Key_Delete);

    // Laps 4 and 2 went; lap 3 kept its time since the start and took the note of lap 2.
    QCOMPARE(lapsSinceStart(window.get()), (QList<int>{10'000, 30'000}));
    QCOMPARE(notes(window.get()), (QStringList{QString(), u"stitch"_s}));
    QCOMPARE(window->findChild<Stopwatch *>()->currentTime(), 50'000);
    QCOMPARE(action(window.get(), KStandardAction::name(KStandardAction::Undo))->text(), u"&Undo Delete 2 Laps"_s);

    action(window.get(), KStandardAction::name(KStandardAction::Undo))->trigger();
    QCOMPARE(lapsSinceStart(window.get()), (QList<int>{10'000, 20'000, 30'000, 40'000}));
    QCOMPARE(notes(window.get()), (QStringList{QString(), u"stitch"_s, QString(), QString()}));
}

void EditActionsTest::mergeNeedsALapBefore()
{
    WindowPtr window = makeWindow(storedRun());
    const auto view = window->findChild<QTableView *>(u"lapView"_s);
    QAction *merge = action(window.get(), u"merge_lap_previous"_s);
    view->selectRow(0);
    QVERIFY(!merge->isEnabled());
    view->selectRow(2);
    QVERIFY(merge->isEnabled());
    merge->trigger();
    QCOMPARE(lapsSinceStart(window.get()), (QList<int>{10'000, 30'000, 40'000}));
    QCOMPARE(notes(window.get()), (QStringList{QString(), u"stitch"_s, QString()}));
    // The lap analysis shows the merged lap as a lap of its own length.
    QCOMPARE(window->findChild<LapAnalysisModel *>()->duration(1), 20'000);
}

void EditActionsTest::modifiedMarkFollowsTheEdits()
{
    QVERIFY(m_store->append(storedRun()));
    const Session stored = m_store->index(0, 0).data(SessionModel::SessionRole).value<Session>();
    WindowPtr window = makeWindow(stored);
    QVERIFY(!window->isWindowModified());
    QAction *undo = action(window.get(), KStandardAction::name(KStandardAction::Undo));
    QAction *redo = action(window.get(), KStandardAction::name(KStandardAction::Redo));
    QAction *save = action(window.get(), KStandardAction::name(KStandardAction::Save));

    window->findChild<QTableView *>(u"lapView"_s)->selectRow(1);
    action(window.get(), u"delete_lap"_s)->trigger();
    QVERIFY(window->isWindowModified());
    QVERIFY(save->isEnabled());
    undo->trigger();
    QVERIFY(!window->isWindowModified());
    redo->trigger();
    QVERIFY(window->isWindowModified());

    // Saved after the edit: undoing it leaves the saved state, redoing comes back to it.
    QVERIFY(window->findChild<SessionWorkflow *>()->storeSession(QString()).stored);
    QVERIFY(!window->isWindowModified());
    undo->trigger();
    QVERIFY(window->isWindowModified());
    redo->trigger();
    QVERIFY(!window->isWindowModified());

    // Resuming moves the time past what was saved; no undo goes back to it.
    action(window.get(), u"start"_s)->trigger();
    action(window.get(), u"pause"_s)->trigger();
    undo->trigger();
    redo->trigger();
    QVERIFY(window->isWindowModified());
}

void EditActionsTest::adjustTimeRefusesBelowZeroAndMovesTheRun()
{
    WindowPtr window = makeWindow(storedRun());
    auto stopwatch = window->findChild<Stopwatch *>();
    action(window.get(), u"adjust_time"_s)->trigger();
    auto dialog = window->findChild<AdjustTimeDialog *>();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    QVERIFY(dialog->isModal());

    // "Subtract" 10.001 s: the first lap would start before zero.
    dialog->setAmount(-10'001);
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->refusal(), u"The first lap cannot start below zero: at most 00:00:10.000 can be subtracted."_s);
    QCOMPARE(stopwatch->currentTime(), 50'000);
    QCOMPARE(lapsSinceStart(window.get()), (QList<int>{10'000, 20'000, 30'000, 40'000}));

    dialog->setAmount(-10'000);
    QCOMPARE(dialog->refusal(), QString());
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QTRY_VERIFY(!window->findChild<AdjustTimeDialog *>());
    QCOMPARE(stopwatch->currentTime(), 40'000);
    QCOMPARE(lapsSinceStart(window.get()), (QList<int>{0, 10'000, 20'000, 30'000}));
    QVERIFY(window->isWindowModified());

    action(window.get(), KStandardAction::name(KStandardAction::Undo))->trigger();
    QCOMPARE(stopwatch->currentTime(), 50'000);
    QCOMPARE(lapsSinceStart(window.get()), (QList<int>{10'000, 20'000, 30'000, 40'000}));
}

void EditActionsTest::undoFromOutside()
{
    WindowPtr window = makeWindow(storedRun());
    auto control = window->findChild<StopwatchControl *>();
    QVERIFY(control);
    QVERIFY(!control->undo());

    window->findChild<QTableView *>(u"lapView"_s)->selectRow(3);
    action(window.get(), u"delete_lap"_s)->trigger();
    QCOMPARE(control->lapCount(), 3);

    // A dialog waits for an answer about these times: the bus must wait as well.
    action(window.get(), u"adjust_time"_s)->trigger();
    QTRY_VERIFY(control->hasOpenDialog());
    QVERIFY(!control->undo());
    QCOMPARE(control->lapCount(), 3);
    window->findChild<AdjustTimeDialog *>()->reject();
    QTRY_VERIFY(!control->hasOpenDialog());

    QVERIFY(control->undo());
    QCOMPARE(control->lapCount(), 4);
    QVERIFY(!control->undo());
    QVERIFY(control->redo());
    QCOMPARE(control->lapCount(), 3);
    QVERIFY(!control->redo());

    // Whoever follows the window from outside hears that an undone Reset left it paused.
    QVERIFY(control->reset());
    QSignalSpy states(control, &StopwatchControl::stateChanged);
    QVERIFY(control->undo());
    QCOMPARE(control->state(), StopwatchControl::State::Paused);
    QCOMPARE(states.count(), 1);
    QCOMPARE(states.first().first().value<StopwatchControl::State>(), StopwatchControl::State::Paused);
    QCOMPARE(control->elapsedMilliseconds(), 50'000);
    QCOMPARE(control->lapCount(), 3);
}

void EditActionsTest::lapWithANoteFromOutsideIsOneStep()
{
    WindowPtr window = makeWindow(Session());
    auto control = window->findChild<StopwatchControl *>();
    QAction *undo = action(window.get(), KStandardAction::name(KStandardAction::Undo));
    QAction *redo = action(window.get(), KStandardAction::name(KStandardAction::Redo));
    action(window.get(), u"start"_s)->trigger();
    QVERIFY(control->lap(QString()));
    QVERIFY(control->lap(u"water stop"_s));
    QCOMPARE(notes(window.get()), (QStringList{QString(), u"water stop"_s}));
    QCOMPARE(undo->text(), u"&Undo Lap 2"_s);

    // The lap goes with its note, and comes back with it.
    QVERIFY(control->undo());
    QCOMPARE(notes(window.get()), QStringList{QString()});
    QCOMPARE(undo->text(), u"&Undo Lap 1"_s);
    QVERIFY(control->redo());
    QCOMPARE(notes(window.get()), (QStringList{QString(), u"water stop"_s}));
    QVERIFY(!redo->isEnabled());

    // A note written afterwards is a step of its own.
    auto laps = window->findChild<LapModel *>();
    QVERIFY(laps->setData(laps->index(1, laps->columnForRole(LapModel::NoteRole)), u"long water stop"_s));
    QCOMPARE(undo->text(), u"&Undo Note on Lap 2"_s);
    QVERIFY(control->undo());
    QCOMPARE(notes(window.get()), (QStringList{QString(), u"water stop"_s}));
}

void EditActionsTest::importedTitleComesBackWithTheRun()
{
    WindowPtr window = makeWindow(Session(0, QDateTime::currentDateTime()));
    const auto title = [&window] {
        return window->windowTitle().remove(u"[*]"_s);
    };
    const QString untitled = i18nc("untitled window", "Untitled");
    QCOMPARE(title(), untitled);
    window->loadImportedLaps({Lap::fromMilliseconds(10'000), Lap::fromMilliseconds(25'000)}, u"Track day"_s);
    QCOMPARE(title(), u"Track day"_s);
    QAction *undo = action(window.get(), KStandardAction::name(KStandardAction::Undo));
    QAction *redo = action(window.get(), KStandardAction::name(KStandardAction::Redo));
    QCOMPARE(undo->text(), u"&Undo Import Laps"_s);

    undo->trigger();
    QCOMPARE(title(), untitled);
    QVERIFY(lapsSinceStart(window.get()).isEmpty());
    redo->trigger();
    QCOMPARE(title(), u"Track day"_s);
    QCOMPARE(lapsSinceStart(window.get()), (QList<int>{10'000, 25'000}));
    QVERIFY(window->isWindowModified());

    // A Reset leaves an untitled window; undone, the imported run has its title again.
    action(window.get(), u"reset"_s)->trigger();
    QCOMPARE(title(), untitled);
    undo->trigger();
    QCOMPARE(title(), u"Track day"_s);
    redo->trigger();
    QCOMPARE(title(), untitled);
    undo->trigger();
    QCOMPARE(title(), u"Track day"_s);
    QCOMPARE(window->findChild<StopwatchControl *>()->sessionName(), QString());
}

QTEST_MAIN(EditActionsTest)

#include "editactionstest.moc"
