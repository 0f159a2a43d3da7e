// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "dialoganswerer.h"
#include "lap.h"
#include "lapmodel.h"
#include "saveerrormessage.h"
#include "session.h"
#include "sessionmodel.h"
#include "sessionsfiles.h"
#include "sessionworkflow.h"
#include "stopwatch.h"

#include <KLocalizedString>
#include <KSharedConfig>
#include <KStandardGuiItem>

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace
{
Session storedSession(const QString &name)
{
    Session session(5000, QDateTime::currentDateTime().addSecs(-3600));
    session.setName(name);
    session.setNote(u"windy"_s);
    Lap lap = Lap::fromMilliseconds(2000);
    lap.setNote(u"warm-up"_s);
    session.addLap(lap);
    return session;
}

Session storedAt(SessionModel *store, int row)
{
    return store->index(row, 0).data(SessionModel::SessionRole).value<Session>();
}

QStringList lapTexts(const QList<Lap> &laps)
{
    QStringList texts;
    for (const Lap &lap : laps) {
        texts << TimeFormat(true, true, TimeFormat::UpToMilliseconds).format(lap.time()) + u' ' + lap.note();
    }
    return texts;
}

/** What a window gives the workflow, without the rest of the window. */
struct Parts {
    explicit Parts(SessionModel *store)
        : stopwatch(new Stopwatch(&window))
        , laps(new LapModel(&window))
        , message(new SaveErrorMessage(&window))
        , workflow(new SessionWorkflow(&window, store, stopwatch, laps, message))
    {
    }

    // Paused after a run, with laps taken in the order of their times.
    void runWithLaps(const QList<int> &sinceStart)
    {
        if (stopwatch->isInactive()) {
            QVERIFY(stopwatch->initialize(7000));
        }
        stopwatch->start();
        for (int time : sinceStart) {
            laps->append(Lap::fromMilliseconds(time));
        }
        stopwatch->pause();
    }

    void setNote(int row, const QString &note)
    {
        QVERIFY(laps->setData(laps->index(row, laps->columnForRole(LapModel::NoteRole)), note, Qt::EditRole));
    }

    [[nodiscard]] QList<Lap> shownLaps() const
    {
        QList<Lap> shown;
        for (int row = 0; row < laps->rowCount(); ++row) {
            shown << laps->index(row, 0).data(LapModel::LapRole).value<Lap>();
        }
        return shown;
    }

    QWidget window;
    Stopwatch *stopwatch;
    LapModel *laps;
    SaveErrorMessage *message;
    SessionWorkflow *workflow;
};

// A file where the data folder should be: nothing below it can be written, not even by root.
[[nodiscard]] bool breakDataDir()
{
    const QString moved = dataDir() + u".moved"_s;
    QDir(moved).removeRecursively();
    return QDir().rename(dataDir(), moved) && writeFile(dataDir(), "not a folder");
}

[[nodiscard]] bool mendDataDir()
{
    return QFile::remove(dataDir()) && QDir().rename(dataDir() + u".moved"_s, dataDir());
}
}

class SessionWorkflowUnitTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void storesTheShownTimes_data();
    void storesTheShownTimes();
    void refusesWithNothingToStore();
    void openEditorHandsInItsNoteFirst_data();
    void openEditorHandsInItsNoteFirst();
    void markFollowsTheTimes();
    void failedSaveTellsAndRetries_data();
    void failedSaveTellsAndRetries();
    void removedSessionIsStoredAnewWithANote();
    void saveKeepsTheStoredNameAndNote_data();
    void saveKeepsTheStoredNameAndNote();
    void newRunAtZeroIsStoredOnce_data();
    void newRunAtZeroIsStoredOnce();
    void resetDropsTheFailureOfTheRunItDiscards();
    void snapshotComesBackAsItWas_data();
    void snapshotComesBackAsItWas();
    void eachWayInSaysWhatItDoesToTheHistory_data();
    void eachWayInSaysWhatItDoesToTheHistory();

private:
    // The parts of a window that shows the session stored under @p name.
    Parts &openStored(const QString &name);

    std::unique_ptr<SessionModel> m_store;
    std::unique_ptr<Parts> m_opened;
};

void SessionWorkflowUnitTest::initTestCase()
{
    QVERIFY(useTestDataDir());
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void SessionWorkflowUnitTest::init()
{
    QVERIFY(makeEmptyDataDir());
    KSharedConfig::openConfig()->deleteGroup(u"Notification Messages"_s);
    m_store = std::make_unique<SessionModel>();
}

void SessionWorkflowUnitTest::cleanup()
{
    m_opened.reset();
    if (QFileInfo(dataDir()).isFile()) {
        QVERIFY(mendDataDir());
    }
    m_store.reset();
}

Parts &SessionWorkflowUnitTest::openStored(const QString &name)
{
    const int row = m_store->rowCount();
    m_store->append(storedSession(name));
    m_opened = std::make_unique<Parts>(m_store.get());
    m_opened->workflow->loadSession(storedAt(m_store.get(), row));
    return *m_opened;
}

void SessionWorkflowUnitTest::storesTheShownTimes_data()
{
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("run");
    QTest::addColumn<QString>("name");
    // Where the times end up in the store, and under which name; -1 when nothing is written.
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QString>("storedNote");

    QTest::newRow("new run under a name") << false << true << u"Intervals"_s << 1 << u"Intervals"_s << QString();
    QTest::newRow("opened session over itself") << true << true << QString() << 0 << u"Stored run"_s << u"windy"_s;
    QTest::newRow("opened session as a new one") << true << true << u"Copy"_s << 1 << u"Copy"_s << QString();
    QTest::newRow("opened session, up to date") << true << false << QString() << -1 << u"Stored run"_s << u"windy"_s;
}

void SessionWorkflowUnitTest::storesTheShownTimes()
{
    QFETCH(bool, opened);
    QFETCH(bool, run);
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(QString, storedName);
    QFETCH(QString, storedNote);

    QVERIFY(m_store->append(storedSession(u"Stored run"_s)));
    const QByteArray before = contents(sessionsPath());
    Parts parts(m_store.get());
    QCOMPARE(parts.workflow->loadSession(opened ? storedAt(m_store.get(), 0) : Session(0, QDateTime::currentDateTime())), opened);
    if (run) {
        parts.runWithLaps({7100, 7300});
        parts.setNote(parts.laps->rowCount() - 1, u"last"_s);
    }

    const StopwatchControl::SaveResult result = parts.workflow->storeSession(name);
    QVERIFY2(result.stored, qPrintable(result.reason));
    QCOMPARE(result.reason, QString());
    QVERIFY(!parts.window.isWindowModified());
    QCOMPARE(parts.workflow->sessionName(), storedName);
    QCOMPARE(parts.window.windowTitle(), storedName + u"[*]"_s);
    QVERIFY(parts.workflow->hasSession());
    if (row < 0) {
        QCOMPARE(contents(sessionsPath()), before);
        return;
    }

    QCOMPARE(m_store->rowCount(), name.isEmpty() ? 1 : 2);
    const Session stored = storedAt(m_store.get(), row);
    QCOMPARE(stored.name(), storedName);
    QCOMPARE(stored.note(), storedNote);
    QCOMPARE(stored.time(), parts.stopwatch->currentTime());
    QCOMPARE(lapTexts(stored.laps()), lapTexts(parts.shownLaps()));
    QCOMPARE(stored.laps().constLast().note(), u"last"_s);
    if (!name.isEmpty() && opened) {
        // A second session; the one it was opened from stays as it was.
        QCOMPARE(storedAt(m_store.get(), 0).time(), 5000);
    }
}

void SessionWorkflowUnitTest::refusesWithNothingToStore()
{
    // The name prompt of Save As waits for the user; the run may be reset meanwhile.
    Parts parts(m_store.get());
    QVERIFY(!parts.workflow->loadSession(Session(0, QDateTime::currentDateTime())));
    parts.runWithLaps({7100});
    parts.stopwatch->reset();

    const StopwatchControl::SaveResult result = parts.workflow->storeSession(u"Intervals"_s);
    QVERIFY(!result.stored);
    QCOMPARE(result.reason, u"The stopwatch has no times to save."_s);
    QCOMPARE(m_store->rowCount(), 0);
    QVERIFY(parts.message->isHidden());
    QCOMPARE(parts.window.windowTitle(), u"Untitled[*]"_s);
}

void SessionWorkflowUnitTest::openEditorHandsInItsNoteFirst_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("save") << u"save"_s;
    QTest::newRow("save as") << u"save as"_s;
    QTest::newRow("close question") << u"close"_s;
}

void SessionWorkflowUnitTest::openEditorHandsInItsNoteFirst()
{
    QFETCH(QString, how);

    Parts &parts = openStored(u"Stored run"_s);
    if (how == u"save") {
        // Something to save besides the note.
        parts.runWithLaps({});
    }
    // As the lap table's delegate does with the text still being typed.
    int handedIn = 0;
    connect(parts.workflow, &SessionWorkflow::aboutToReadLaps, parts.laps, [&] {
        ++handedIn;
        parts.setNote(0, u"tempo"_s);
    });

    if (how == u"save") {
        QVERIFY(parts.workflow->storeSession(QString()).stored);
    } else if (how == u"save as") {
        DialogAnswerer answerer(u"OK"_s, u"Tempo run"_s);
        parts.workflow->saveAs();
        QVERIFY(answerer.answered());
    } else {
        // The session was up to date until the note came in: closing must ask now.
        DialogAnswerer answerer(buttonText(KStandardGuiItem::save()));
        QVERIFY(parts.workflow->queryClose());
        QVERIFY(answerer.answered());
        QVERIFY2(answerer.texts().contains(u"Save times to session Stored run?"_s), qPrintable(answerer.texts().join(u" | ")));
    }
    QVERIFY(handedIn > 0);
    const Session stored = storedAt(m_store.get(), m_store->rowCount() - 1);
    QCOMPARE(stored.laps().constFirst().note(), u"tempo"_s);
    QVERIFY(!parts.window.isWindowModified());
}

void SessionWorkflowUnitTest::markFollowsTheTimes()
{
    QVERIFY(m_store->append(storedSession(u"Stored run"_s)));
    Parts parts(m_store.get());
    QSignalSpy pausedLoaded(parts.workflow, &SessionWorkflow::pausedTimesLoaded);
    QVERIFY(parts.workflow->loadSession(storedAt(m_store.get(), 0)));
    QCOMPARE(pausedLoaded.count(), 1);
    QVERIFY(parts.stopwatch->isPaused());
    QCOMPARE(parts.stopwatch->currentTime(), 5000);
    QCOMPARE(lapTexts(parts.shownLaps()), QStringList{u"00:00:02.000 warm-up"_s});
    QCOMPARE(parts.window.windowTitle(), u"Stored run[*]"_s);
    QVERIFY(!parts.window.isWindowModified());

    // A note is part of the times, as much as a run is.
    parts.setNote(0, u"tempo"_s);
    QVERIFY(parts.window.isWindowModified());
    QVERIFY(parts.workflow->storeSession(QString()).stored);
    QVERIFY(!parts.window.isWindowModified());
    parts.stopwatch->start();
    QVERIFY(parts.window.isWindowModified());
    parts.stopwatch->pause();
    QVERIFY(parts.window.isWindowModified());

    // A reset leaves the stored session behind: what follows is a new, untitled run.
    parts.stopwatch->reset();
    QVERIFY(!parts.window.isWindowModified());
    QVERIFY(!parts.workflow->hasSession());
    QCOMPARE(parts.workflow->sessionName(), QString());
    QCOMPARE(parts.window.windowTitle(), u"Untitled[*]"_s);
    QVERIFY(parts.workflow->queryClose());
}

void SessionWorkflowUnitTest::failedSaveTellsAndRetries_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("save") << QString();
    QTest::newRow("save as") << u"Tempo"_s;
}

void SessionWorkflowUnitTest::failedSaveTellsAndRetries()
{
    QFETCH(QString, name);

    Parts &parts = openStored(u"Stored run"_s);
    parts.runWithLaps({7200});
    const QString title = parts.window.windowTitle();

    QVERIFY(breakDataDir());
    const StopwatchControl::SaveResult result = parts.workflow->storeSession(name);
    QVERIFY(!result.stored);
    QVERIFY2(result.reason.contains(u"Not a directory"_s), qPrintable(result.reason));
    QVERIFY(!parts.message->isHidden());
    QCOMPARE(parts.message->messageType(), KMessageWidget::Error);
    QVERIFY2(parts.message->text().contains(result.reason), qPrintable(parts.message->text()));
    QVERIFY(parts.window.isWindowModified());
    QCOMPARE(parts.window.windowTitle(), title);
    QCOMPARE(parts.workflow->sessionName(), u"Stored run"_s);

    // Still failing: the retry shows the failure again instead of losing it.
    QAction *retry = parts.message->findChild<QAction *>(u"retrySave"_s);
    QVERIFY(retry);
    QVERIFY(parts.message->actions().contains(retry));
    retry->trigger();
    QVERIFY(!parts.message->isHidden());
    QVERIFY(parts.window.isWindowModified());

    QVERIFY(mendDataDir());
    retry->trigger();
    QTRY_VERIFY(parts.message->isHidden());
    QVERIFY(!parts.window.isWindowModified());
    QCOMPARE(m_store->rowCount(), name.isEmpty() ? 1 : 2);
    const Session stored = storedAt(m_store.get(), m_store->rowCount() - 1);
    QCOMPARE(stored.name(), name.isEmpty() ? u"Stored run"_s : name);
    QCOMPARE(stored.time(), parts.stopwatch->currentTime());
    QCOMPARE(lapTexts(stored.laps()), lapTexts(parts.shownLaps()));
}

void SessionWorkflowUnitTest::removedSessionIsStoredAnewWithANote()
{
    Parts &parts = openStored(u"Removed meanwhile"_s);
    parts.runWithLaps({});
    QVERIFY(m_store->removeRows(0, 1, QModelIndex()));

    QVERIFY(parts.workflow->storeSession(QString()).stored);
    QCOMPARE(m_store->rowCount(), 1);
    QCOMPARE(storedAt(m_store.get(), 0).name(), u"Removed meanwhile"_s);
    QVERIFY(!parts.message->isHidden());
    QCOMPARE(parts.message->messageType(), KMessageWidget::Information);
    QVERIFY2(parts.message->text().contains(u"Removed meanwhile"_s), qPrintable(parts.message->text()));
    // Nothing failed, so there is nothing to try again.
    QVERIFY(!parts.message->actions().contains(parts.message->findChild<QAction *>(u"retrySave"_s)));

    // A later failure offers its retry again.
    parts.runWithLaps({});
    QVERIFY(breakDataDir());
    QVERIFY(!parts.workflow->storeSession(QString()).stored);
    QCOMPARE(parts.message->messageType(), KMessageWidget::Error);
    QVERIFY(parts.message->actions().contains(parts.message->findChild<QAction *>(u"retrySave"_s)));
}

void SessionWorkflowUnitTest::saveKeepsTheStoredNameAndNote_data()
{
    // Where the stored session is renamed and given a note while the window shows it.
    QTest::addColumn<bool>("elsewhere");
    // Whether the window waits until the change elsewhere reaches it before it saves.
    QTest::addColumn<bool>("waits");

    QTest::newRow("in the session dialog") << false << false;
    QTest::newRow("by another process, seen before the save") << true << true;
    QTest::newRow("by another process, seen at the save") << true << false;
}

void SessionWorkflowUnitTest::saveKeepsTheStoredNameAndNote()
{
    QFETCH(bool, elsewhere);
    QFETCH(bool, waits);

    Parts &parts = openStored(u"Stored run"_s);
    QCOMPARE(parts.window.windowTitle(), u"Stored run[*]"_s);
    parts.runWithLaps({7100});
    QVERIFY(parts.window.isWindowModified());

    SessionModel otherProcess;
    SessionModel &renamer = elsewhere ? otherProcess : *m_store;
    QVERIFY(renamer.setData(renamer.index(0, renamer.columnForRole(SessionModel::NameRole)), u"Hill repeats"_s));
    QVERIFY(renamer.setData(renamer.index(0, renamer.columnForRole(SessionModel::NoteRole)), u"muddy"_s));
    if (waits) {
        QTRY_COMPARE(parts.window.windowTitle(), u"Hill repeats[*]"_s);
    }
    if (!elsewhere) {
        QCOMPARE(parts.window.windowTitle(), u"Hill repeats[*]"_s);
        QCOMPARE(parts.workflow->sessionName(), u"Hill repeats"_s);
    }
    // The rename is no change of the window's times.
    QVERIFY(parts.window.isWindowModified());

    QVERIFY(parts.workflow->storeSession(QString()).stored);
    QCOMPARE(m_store->rowCount(), 1);
    const Session stored = storedAt(m_store.get(), 0);
    QCOMPARE(stored.name(), u"Hill repeats"_s);
    QCOMPARE(stored.note(), u"muddy"_s);
    QCOMPARE(stored.time(), parts.stopwatch->currentTime());
    QCOMPARE(lapTexts(stored.laps()), lapTexts(parts.shownLaps()));
    QCOMPARE(parts.workflow->sessionName(), u"Hill repeats"_s);
    QCOMPARE(parts.window.windowTitle(), u"Hill repeats[*]"_s);
    QVERIFY(!parts.window.isWindowModified());
}

void SessionWorkflowUnitTest::newRunAtZeroIsStoredOnce_data()
{
    QTest::addColumn<QString>("state");
    // Sessions in the store after each of two saves, which both answer true.
    QTest::addColumn<QList<int>>("stored");

    // Adjust Time took it back to zero.
    QTest::newRow("run back to zero") << u"run"_s << QList<int>{1, 1};
    QTest::newRow("run back to zero, with laps") << u"laps"_s << QList<int>{1, 1};
    // Paused by a sleep announcement before it ever ran: no times to store.
    QTest::newRow("paused at zero, never run") << u"paused"_s << QList<int>{0, 0};
    QTest::newRow("stored session, saved as it is") << u"stored"_s << QList<int>{1, 1};
}

void SessionWorkflowUnitTest::newRunAtZeroIsStoredOnce()
{
    QFETCH(QString, state);
    QFETCH(QList<int>, stored);

    Parts *parts = nullptr;
    if (state == u"stored") {
        parts = &openStored(u"Track"_s);
    } else {
        m_opened = std::make_unique<Parts>(m_store.get());
        parts = m_opened.get();
        QVERIFY(!parts->workflow->loadSession(Session::newRun(u"Track"_s)));
        if (state == u"paused") {
            parts->stopwatch->pause();
        } else {
            parts->stopwatch->start();
            if (state == u"laps") {
                parts->laps->append(Lap::fromMilliseconds(0));
            }
            parts->stopwatch->pause();
            parts->stopwatch->adjust(-parts->stopwatch->currentTime());
        }
    }
    QVERIFY(parts->stopwatch->isPaused());
    QCOMPARE(parts->stopwatch->currentTime(), state == u"stored" ? 5000 : 0);

    for (int count : std::as_const(stored)) {
        const StopwatchControl::SaveResult result = parts->workflow->storeSession(QString());
        QVERIFY2(result.stored, qPrintable(result.reason));
        QCOMPARE(m_store->rowCount(), count);
        QCOMPARE(SessionModel().rowCount(), count);
        QVERIFY(!parts->window.isWindowModified());
    }
    if (!stored.isEmpty() && stored.constLast() > 0) {
        const Session saved = storedAt(m_store.get(), 0);
        QCOMPARE(saved.name(), u"Track"_s);
        QCOMPARE(lapTexts(saved.laps()), lapTexts(parts->shownLaps()));
    }
}

void SessionWorkflowUnitTest::resetDropsTheFailureOfTheRunItDiscards()
{
    Parts &parts = openStored(u"Stored run"_s);
    parts.runWithLaps({7200});
    QVERIFY(breakDataDir());
    QVERIFY(!parts.workflow->storeSession(QString()).stored);
    QVERIFY(!parts.message->isHidden());

    // The failure was about times that are gone now; its Try Again must not store the next
    // run, which belongs to no session, as a session without a name.
    parts.stopwatch->reset();
    QVERIFY(mendDataDir());
    parts.runWithLaps({8100});
    QTRY_VERIFY(parts.message->isHidden());
    parts.message->findChild<QAction *>(u"retrySave"_s)->trigger();

    QCOMPARE(m_store->rowCount(), 1);
    QCOMPARE(storedAt(m_store.get(), 0).name(), u"Stored run"_s);
    QCOMPARE(storedAt(m_store.get(), 0).time(), 5000);
    QVERIFY(parts.window.isWindowModified());
    QCOMPARE(parts.window.windowTitle(), u"Untitled[*]"_s);
}

void SessionWorkflowUnitTest::snapshotComesBackAsItWas_data()
{
    QTest::addColumn<QString>("from");
    // Whether the window the snapshot goes to has a run of its own, which it drops.
    QTest::addColumn<bool>("replacesRun");

    for (bool replaces : {false, true}) {
        const char *suffix = replaces ? ", over another run" : "";
        QTest::addRow("untitled, never run%s", suffix) << u"inactive"_s << replaces;
        QTest::addRow("paused run, never stored%s", suffix) << u"paused"_s << replaces;
        QTest::addRow("opened session, unchanged%s", suffix) << u"opened"_s << replaces;
        QTest::addRow("opened session, running on%s", suffix) << u"running"_s << replaces;
    }
}

void SessionWorkflowUnitTest::snapshotComesBackAsItWas()
{
    QFETCH(QString, from);
    QFETCH(bool, replacesRun);

    QVERIFY(m_store->append(storedSession(u"Stored run"_s)));
    Parts source(m_store.get());
    source.workflow->loadSession(from == u"opened" || from == u"running" ? storedAt(m_store.get(), 0) : Session(0, QDateTime::currentDateTime()));
    if (from == u"paused") {
        source.runWithLaps({7100, 7200});
        source.setNote(1, u"second"_s);
    } else if (from == u"running") {
        source.stopwatch->start();
    }
    const WindowSnapshot snapshot = source.workflow->snapshot();

    Parts target(m_store.get());
    target.workflow->loadSession(Session(0, QDateTime::currentDateTime()));
    if (replacesRun) {
        target.runWithLaps({9000});
    }
    QSignalSpy discarded(target.workflow, &SessionWorkflow::runDiscarded);
    QSignalSpy pausedLoaded(target.workflow, &SessionWorkflow::pausedTimesLoaded);
    QList<Stopwatch::State> statesOnLoad;
    connect(target.workflow, &SessionWorkflow::pausedTimesLoaded, target.stopwatch, [&] {
        statesOnLoad << (target.stopwatch->isPaused() ? Stopwatch::Paused : target.stopwatch->isRunning() ? Stopwatch::Running : Stopwatch::Inactive);
    });
    target.workflow->applyHistoryStep(snapshot);

    QCOMPARE(discarded.count(), replacesRun ? 1 : 0);
    // The window sets its paused state on this signal; a run has to resume after it.
    QCOMPARE(pausedLoaded.count(), snapshot.state == Stopwatch::Inactive ? 0 : 1);
    if (!statesOnLoad.isEmpty()) {
        QCOMPARE(statesOnLoad, QList<Stopwatch::State>{Stopwatch::Paused});
    }
    const WindowSnapshot back = target.workflow->snapshot();
    QCOMPARE(back.state, snapshot.state);
    if (snapshot.state == Stopwatch::Running) {
        QVERIFY(back.elapsed >= snapshot.elapsed);
    } else {
        QCOMPARE(back.elapsed, snapshot.elapsed);
    }
    QCOMPARE(back.session.name(), snapshot.session.name());
    QCOMPARE(back.session.note(), snapshot.session.note());
    QCOMPARE(back.session.isOutdated(), snapshot.session.isOutdated());
    QCOMPARE(back.modified, snapshot.modified);
    QCOMPARE(lapTexts(back.laps), lapTexts(snapshot.laps));
    QCOMPARE(target.window.windowTitle(), source.window.windowTitle());
    QCOMPARE(target.window.isWindowModified(), source.window.isWindowModified());
    QCOMPARE(target.workflow->hasSession(), source.workflow->hasSession());
}

void SessionWorkflowUnitTest::eachWayInSaysWhatItDoesToTheHistory_data()
{
    QTest::addColumn<bool>("restore");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("stepsAfter");
    QTest::addColumn<bool>("cleanAfter");

    // A recovery or a logout starts the window anew: nothing before it is a step back.
    QTest::newRow("restored, unsaved") << true << true << 0 << false;
    QTest::newRow("restored, as saved") << true << false << 0 << true;
    // A step done or undone is the history's own; it keeps its steps and its saved mark.
    QTest::newRow("history step, unsaved") << false << true << 2 << false;
    QTest::newRow("history step, as saved") << false << false << 2 << false;
}

void SessionWorkflowUnitTest::eachWayInSaysWhatItDoesToTheHistory()
{
    QFETCH(bool, restore);
    QFETCH(bool, modified);
    QFETCH(int, stepsAfter);
    QFETCH(bool, cleanAfter);

    Parts parts(m_store.get());
    QUndoStack history;
    parts.workflow->setHistory(&history);
    parts.workflow->loadSession(Session(0, QDateTime::currentDateTime()));
    history.push(new QUndoCommand(u"earlier"_s));
    history.push(new QUndoCommand(u"later"_s));
    history.setIndex(1);

    WindowSnapshot run;
    run.state = Stopwatch::Paused;
    run.elapsed = 9000;
    run.session = storedSession(u"Stored run"_s);
    run.laps = {Lap::fromMilliseconds(4000)};
    run.modified = modified;
    if (restore) {
        parts.workflow->restoreRun(run);
    } else {
        parts.workflow->applyHistoryStep(run);
    }

    QCOMPARE(history.count(), stepsAfter);
    QCOMPARE(history.isClean(), cleanAfter);
    QCOMPARE(parts.stopwatch->currentTime(), 9000);
    QCOMPARE(parts.laps->rowCount(), 1);
    QCOMPARE(parts.window.isWindowModified(), modified);
}

QTEST_MAIN(SessionWorkflowUnitTest)

#include "sessionworkflowunittest.moc"
