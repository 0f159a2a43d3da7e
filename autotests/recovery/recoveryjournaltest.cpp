// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "recoveryjournal.h"
#include "dialoganswerer.h"
#include "filecontents.h"
#include "filesizelimit.h"
#include "lap.h"
#include "lapmodel.h"
#include "mainwindow.h"
#include "recoverynotice.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "tickwardenconfig.h"
#include "windowrecovery.h"
#include "windowsnapshot.h"

#include <KActionCollection>
#include <KConfig>
#include <KConfigGroup>
#include <KConfigGui>
#include <KLocalizedString>
#include <KSharedConfig>
#include <KStandardGuiItem>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace
{
RecoveryJournal *journalOf(QObject *window)
{
    return window->findChild<RecoveryJournal *>(QString(), Qt::FindDirectChildrenOnly);
}

Stopwatch *stopwatchOf(QObject *window)
{
    return window->findChild<Stopwatch *>();
}

LapModel *lapsOf(QObject *window)
{
    return window->findChild<LapModel *>();
}

QJsonObject readJson(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

QStringList journalFolder()
{
    return QDir(RecoveryJournal::directory()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// What a user can see of a window, to compare a window with its recovered copy.
struct Seen {
    QString title;
    bool modified = false;
    QStringList laps; // "time|note"
    QString sessionName;
    QString sessionNote;
    QDateTime sessionDate;
    QMap<QString, bool> enabled;
};

const QStringList stateActions{u"start"_s, u"pause"_s, u"reset"_s, u"lap"_s, u"file_save"_s, u"file_save_as"_s};

Seen seen(MainWindow *window)
{
    Seen result;
    result.title = window->windowTitle();
    result.modified = window->isWindowModified();
    LapModel *laps = lapsOf(window);
    for (int row = 0; row < laps->rowCount(); ++row) {
        const Lap lap = laps->index(row, 0).data(LapModel::LapRole).value<Lap>();
        result.laps << lap.time().toString(u"hh:mm:ss.zzz"_s) + u'|' + lap.note();
    }
    const WindowSnapshot snapshot = window->snapshot();
    result.sessionName = snapshot.session.name();
    result.sessionNote = snapshot.session.note();
    result.sessionDate = snapshot.session.date();
    for (const QString &name : stateActions) {
        result.enabled[name] = window->actionCollection()->action(name)->isEnabled();
    }
    return result;
}
}

/**
 * A window's times survive the end of its process: the journal follows every change,
 * and a later process brings the window back from it as it was.
 */
class RecoveryJournalTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void roundTrip_data();
    void roundTrip();
    void journalFollowsEachChange();
    void normalCloseRemovesTheJournal();
    void corruptJournalIsKeptAside_data();
    void corruptJournalIsKeptAside();
    void onlyJournalsWithoutLivingOwnerAreTaken_data();
    void onlyJournalsWithoutLivingOwnerAreTaken();
    void discardLeavesAFreshWindow();
    void logoutKeepsTheWindowRunning();
    void unusableFolderIsReported();
    void failedWriteKeepsTheLastWholeRecord();

private:
    MainWindow *makeWindow(const Session &session = Session(0, QDateTime::currentDateTime()));
    void perform(MainWindow *window, const QStringList &steps);
    QList<KMainWindow *> reopen();

    std::unique_ptr<SessionModel> m_store;
    QList<QPointer<MainWindow>> m_windows;
};

void RecoveryJournalTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    QVERIFY(RecoveryJournal::directory().contains(u"/.qttest/"_s));
}

void RecoveryJournalTest::init()
{
    QFile::remove(RecoveryJournal::directory());
    QDir(RecoveryJournal::directory()).removeRecursively();
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
    KSharedConfig::openConfig()->deleteGroup(u"Notification Messages"_s);
    TickwardenConfig::self()->setDefaults();
    m_store = std::make_unique<SessionModel>();
}

void RecoveryJournalTest::cleanup()
{
    for (const QPointer<MainWindow> &window : std::as_const(m_windows)) {
        delete window.data();
    }
    m_windows.clear();
    m_store.reset();
}

MainWindow *RecoveryJournalTest::makeWindow(const Session &session)
{
    auto window = new MainWindow(m_store.get(), nullptr, session);
    m_windows << window;
    return window;
}

QList<KMainWindow *> RecoveryJournalTest::reopen()
{
    return WindowRecovery::reopenWindows([this] {
        return makeWindow();
    });
}

// Steps as a user takes them: "start", "pause", "lap", "note:<text>" on the last lap,
// "saveAs:<name>", "reset".
void RecoveryJournalTest::perform(MainWindow *window, const QStringList &steps)
{
    for (const QString &step : steps) {
        if (step.startsWith("note:"_L1)) {
            LapModel *laps = lapsOf(window);
            const QModelIndex note = laps->index(laps->rowCount() - 1, laps->columnForRole(LapModel::NoteRole));
            QVERIFY(laps->setData(note, step.mid(5)));
        } else if (step.startsWith("saveAs:"_L1)) {
            DialogAnswerer answerer(u"OK"_s, step.mid(7));
            window->actionCollection()->action(u"file_save_as"_s)->trigger();
            QVERIFY(answerer.answered());
        } else {
            QAction *action = window->actionCollection()->action(step);
            QVERIFY2(action && action->isEnabled(), qPrintable(step));
            action->trigger();
            if (step == "start"_L1) {
                // Laps and pauses a few milliseconds apart, so that times differ. Only a
                // window that can be seen gets ticks.
                window->show();
                QVERIFY(QTest::qWaitForWindowExposed(window));
                QSignalSpy ticks(stopwatchOf(window), &Stopwatch::time);
                QVERIFY(ticks.wait());
            }
        }
    }
}

void RecoveryJournalTest::roundTrip_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("openStored");
    QTest::addColumn<bool>("otherBoot");

    QTest::newRow("fresh") << QStringList() << false << false;
    QTest::newRow("running") << QStringList{u"start"_s} << false << false;
    QTest::newRow("paused") << QStringList{u"start"_s, u"pause"_s} << false << false;
    QTest::newRow("laps and notes, running") << QStringList{u"start"_s, u"lap"_s, u"note:first, with \"quotes\""_s, u"lap"_s, u"lap"_s, u"note:ü ✓"_s} << false
                                             << false;
    QTest::newRow("renamed by Save As") << QStringList{u"start"_s, u"lap"_s, u"pause"_s, u"saveAs:Hill repeats"_s} << false << false;
    QTest::newRow("stored session, resumed") << QStringList{u"start"_s, u"lap"_s, u"note:again"_s} << true << false;
    QTest::newRow("stored session, unchanged") << QStringList() << true << false;
    QTest::newRow("after reboot, running") << QStringList{u"start"_s, u"lap"_s, u"note:before the power cut"_s} << false << true;
    QTest::newRow("after reboot, paused") << QStringList{u"start"_s, u"lap"_s, u"pause"_s} << false << true;
}

void RecoveryJournalTest::roundTrip()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, openStored);
    QFETCH(bool, otherBoot);

    Session stored(83000, QDateTime::currentDateTime().addDays(-1));
    stored.setName(u"Stored run"_s);
    stored.setNote(u"windy"_s);
    Lap storedLap = Lap::fromMilliseconds(41000);
    storedLap.setNote(u"halfway"_s);
    stored.addLap(storedLap);
    if (openStored) {
        m_store->append(stored);
    }

    MainWindow *before = makeWindow(openStored ? stored : Session(0, QDateTime::currentDateTime()));
    perform(before, steps);
    RecoveryJournal *journal = journalOf(before);
    journal->flush();
    const QString id = journal->id();
    const bool wasRunning = stopwatchOf(before)->isRunning();
    const bool wasInactive = stopwatchOf(before)->isInactive();
    const Seen seenBefore = seen(before);
    const int recordedElapsed = readJson(journal->fileName()).value(u"elapsed"_s).toInt();

    // The process ends without closing the window; the journal's lock goes with it.
    QElapsedTimer interruption;
    interruption.start();
    const int elapsedAtEnd = stopwatchOf(before)->currentTime();
    Seen expected = seenBefore;
    // Like a session opened from the store, a recovered stored session offers Save at once
    // (with nothing to do until it changes), even where Save As had just left it off.
    if (!wasRunning && !expected.sessionName.isEmpty()) {
        expected.enabled[u"file_save"_s] = true;
    }
    delete before;
    if (otherBoot) {
        QJsonObject json = readJson(RecoveryJournal::fileNameFor(id));
        json[u"boot"_s] = u"00000000-0000-0000-0000-000000000000"_s;
        QVERIFY(writeFile(RecoveryJournal::fileNameFor(id), QJsonDocument(json).toJson()));
    }
    // Time passes while no process runs.
    QTest::qWait(200);

    const QList<KMainWindow *> windows = reopen();
    QCOMPARE(windows.size(), 1);
    auto after = qobject_cast<MainWindow *>(windows.constFirst());
    QVERIFY(after);
    const auto notice = after->findChild<RecoveryNotice *>();

    if (wasInactive) {
        // Nothing to lose, nothing recorded, nothing brought back.
        QVERIFY(stopwatchOf(after)->isInactive());
        QVERIFY(!notice);
        QCOMPARE(journalFolder().filter(u".json"_s), QStringList());
        return;
    }

    QVERIFY(notice);
    QVERIFY(notice->isVisibleTo(after));
    QCOMPARE(journalOf(after)->id(), id);

    const Seen seenAfter = seen(after);
    QCOMPARE(seenAfter.title, seenBefore.title);
    QCOMPARE(seenAfter.modified, seenBefore.modified);
    QCOMPARE(seenAfter.laps, seenBefore.laps);
    QCOMPARE(seenAfter.sessionName, seenBefore.sessionName);
    QCOMPARE(seenAfter.sessionNote, seenBefore.sessionNote);
    // The journal keeps the date as the sessions file does, to the second, so that Save
    // still finds the stored copy after the sessions file is read anew.
    QCOMPARE(seenAfter.sessionDate.toSecsSinceEpoch(), seenBefore.sessionDate.toSecsSinceEpoch());

    Stopwatch *stopwatch = stopwatchOf(after);
    if (wasRunning && !otherBoot) {
        QVERIFY(stopwatch->isRunning());
        QCOMPARE(seenAfter.enabled, seenBefore.enabled);
        QVERIFY2(
            stopwatch->currentTime() >= elapsedAtEnd + interruption.elapsed() - 5,
            qPrintable(u"%1 ms after recovery, %2 ms at the end plus %3 ms"_s.arg(stopwatch->currentTime()).arg(elapsedAtEnd).arg(interruption.elapsed())));
        QCOMPARE(notice->messageType(), KMessageWidget::Information);
    } else if (wasRunning) {
        // The monotonic clock of another boot says nothing: the last recorded time is all.
        QVERIFY(stopwatch->isPaused());
        QCOMPARE(stopwatch->currentTime(), recordedElapsed);
        QCOMPARE(after->actionCollection()->action(u"start"_s)->text(), i18nc("@action", "Re&sume"));
        QVERIFY(!after->actionCollection()->action(u"pause"_s)->isEnabled());
        QCOMPARE(notice->messageType(), KMessageWidget::Warning);
        QVERIFY(notice->text().contains(u"restarted"_s));
    } else {
        QVERIFY(stopwatch->isPaused());
        QCOMPARE(stopwatch->currentTime(), elapsedAtEnd);
        QCOMPARE(seenAfter.enabled, expected.enabled);
        QCOMPARE(notice->messageType(), KMessageWidget::Information);
    }

    // The recovered window now owns the journal: no second process may take it.
    QVERIFY(WindowRecovery::takeOverAbandoned().journals.empty());
}

void RecoveryJournalTest::journalFollowsEachChange()
{
    MainWindow *window = makeWindow();
    RecoveryJournal *journal = journalOf(window);
    QSignalSpy written(journal, &RecoveryJournal::written);
    const auto onDisk = [journal] {
        return readJson(journal->fileName());
    };

    perform(window, {u"start"_s});
    QTRY_COMPARE(onDisk().value(u"state"_s).toString(), u"running"_s);

    perform(window, {u"lap"_s});
    QTRY_COMPARE(onDisk().value(u"laps"_s).toArray().size(), 1);

    perform(window, {u"note:Uphill"_s});
    QTRY_COMPARE(onDisk().value(u"laps"_s).toArray().at(0).toObject().value(u"note"_s).toString(), u"Uphill"_s);

    perform(window, {u"pause"_s});
    QTRY_COMPARE(onDisk().value(u"state"_s).toString(), u"paused"_s);
    QCOMPARE(onDisk().value(u"elapsed"_s).toInt(), stopwatchOf(window)->accumulatedTime());

    perform(window, {u"saveAs:Track"_s});
    QTRY_COMPARE(onDisk().value(u"session"_s).toObject().value(u"name"_s).toString(), u"Track"_s);
    QCOMPARE(onDisk().value(u"modified"_s).toBool(), false);

    perform(window, {u"start"_s});
    QTRY_COMPARE(onDisk().value(u"state"_s).toString(), u"running"_s);
    QCOMPARE(onDisk().value(u"modified"_s).toBool(), true);

    // A reset window has nothing left to lose.
    perform(window, {u"reset"_s});
    QTRY_VERIFY(!QFileInfo::exists(journal->fileName()));

    // While it runs, the stopwatch itself causes no writes.
    perform(window, {u"start"_s});
    QTRY_VERIFY(QFileInfo::exists(journal->fileName()));
    written.clear();
    QSignalSpy ticks(stopwatchOf(window), &Stopwatch::time);
    QTRY_VERIFY(ticks.size() >= 20);
    QCOMPARE(written.size(), 0);
}

void RecoveryJournalTest::normalCloseRemovesTheJournal()
{
    Session stored(5000, QDateTime::currentDateTime().addSecs(-60));
    stored.setName(u"Kept"_s);
    m_store->append(stored);
    MainWindow *window = makeWindow(stored);
    window->show();
    RecoveryJournal *journal = journalOf(window);
    journal->flush();
    const QString fileName = journal->fileName();
    QVERIFY(QFileInfo::exists(fileName));

    // Unchanged, so closing asks nothing.
    QVERIFY(window->close());
    QVERIFY(!QFileInfo::exists(fileName));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_windows.constFirst().isNull());
    QCOMPARE(journalFolder(), QStringList());

    // A window whose close is refused keeps its journal.
    MainWindow *running = makeWindow();
    perform(running, {u"start"_s});
    journalOf(running)->flush();
    DialogAnswerer cancel(buttonText(KStandardGuiItem::cancel()));
    QVERIFY(!running->close());
    QVERIFY(cancel.answered());
    QTRY_VERIFY(QFileInfo::exists(journalOf(running)->fileName()));
}

void RecoveryJournalTest::corruptJournalIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("contents");

    Session session(1500, QDateTime::currentDateTime());
    WindowSnapshot valid;
    valid.state = Stopwatch::Paused;
    valid.elapsed = 1500;
    valid.session = session;
    valid.laps << Lap::fromMilliseconds(700);
    QJsonObject json;
    valid.toJson(json);
    const auto with = [json](const QString &key, const QJsonValue &value) {
        QJsonObject changed = json;
        changed[key] = value;
        return QJsonDocument(changed).toJson();
    };
    const auto without = [json](const QString &key) {
        QJsonObject changed = json;
        changed.remove(key);
        return QJsonDocument(changed).toJson();
    };

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut off") << QJsonDocument(json).toJson().left(40);
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe{\x01", 5);
    QTest::newRow("array") << QByteArray("[1, 2]");
    QTest::newRow("newer format") << with(u"format"_s, 2);
    QTest::newRow("unknown state") << with(u"state"_s, u"sprinting"_s);
    QTest::newRow("negative time") << with(u"elapsed"_s, -20);
    QTest::newRow("time beyond 32 bits") << with(u"elapsed"_s, 1e12);
    QTest::newRow("laps not a list") << with(u"laps"_s, 3);
    QTest::newRow("lap not an object") << with(u"laps"_s, QJsonArray{1});
    QTest::newRow("no session") << without(u"session"_s);
    QTest::newRow("no modified mark") << without(u"modified"_s);
}

void RecoveryJournalTest::corruptJournalIsKeptAside()
{
    QFETCH(QByteArray, contents);

    QVERIFY(QDir().mkpath(RecoveryJournal::directory()));
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QVERIFY(writeFile(RecoveryJournal::fileNameFor(id), contents));

    const QList<KMainWindow *> windows = reopen();

    // A fresh window opens and says what happened; the file waits where the user can find it.
    QCOMPARE(windows.size(), 1);
    QVERIFY(stopwatchOf(windows.constFirst())->isInactive());
    const auto notice = windows.constFirst()->findChild<RecoveryNotice *>();
    QVERIFY(notice);
    QCOMPARE(notice->messageType(), KMessageWidget::Error);
    const QStringList kept = journalFolder().filter(id + u".json.broken-"_s);
    QCOMPARE(kept.size(), 1);
    QVERIFY(notice->text().contains(kept.constFirst()));
    QVERIFY(!QFileInfo::exists(RecoveryJournal::fileNameFor(id)));
    QVERIFY(!QFileInfo::exists(RecoveryJournal::lockFileNameFor(id)));

    QFile keptFile(RecoveryJournal::directory() + u'/' + kept.constFirst());
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    QCOMPARE(keptFile.readAll(), contents);
}

void RecoveryJournalTest::onlyJournalsWithoutLivingOwnerAreTaken_data()
{
    QTest::addColumn<QString>("owner");
    QTest::addColumn<bool>("taken");

    QTest::newRow("owner ended") << u"ended"_s << true;
    QTest::newRow("no lock at all") << u"none"_s << true;
    QTest::newRow("owner killed while locking") << u"empty lock"_s << true;
    QTest::newRow("owner alive") << u"alive"_s << false;
    QTest::newRow("taken by an earlier search") << u"earlier search"_s << false;
}

void RecoveryJournalTest::onlyJournalsWithoutLivingOwnerAreTaken()
{
    QFETCH(QString, owner);
    QFETCH(bool, taken);

    MainWindow *window = makeWindow();
    perform(window, {u"start"_s, u"lap"_s, u"pause"_s});
    RecoveryJournal *journal = journalOf(window);
    journal->flush();
    const QString id = journal->id();
    const QString lockName = RecoveryJournal::lockFileNameFor(id);
    QFile lockFile(lockName);
    QVERIFY(lockFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lockLines = lockFile.readAll().split('\n');
    lockFile.close();

    std::optional<WindowRecovery::Findings> earlier;
    if (owner != "alive"_L1) {
        delete window;
        QVERIFY(!QFileInfo::exists(lockName));
    }
    if (owner == "ended"_L1) {
        // The lock as the owner left it, naming a process that is gone.
        QProcess ended;
        ended.start(u"true"_s, {});
        QVERIFY(ended.waitForStarted());
        const qint64 endedPid = ended.processId();
        QVERIFY(ended.waitForFinished());
        QList<QByteArray> lines = lockLines;
        lines[0] = QByteArray::number(endedPid);
        QVERIFY(writeFile(lockName, lines.join('\n')));
    } else if (owner == "empty lock"_L1) {
        // Created, but killed before it could say whose it is.
        QVERIFY(writeFile(lockName, QByteArray()));
        QVERIFY(backdate(lockName));
    } else if (owner == "earlier search"_L1) {
        earlier = WindowRecovery::takeOverAbandoned();
        QCOMPARE(earlier->journals.size(), std::size_t(1));
    }

    const WindowRecovery::Findings findings = WindowRecovery::takeOverAbandoned();
    QCOMPARE(findings.journals.size(), std::size_t(taken ? 1 : 0));
    QCOMPARE(findings.problems, QStringList());
    // Whoever may still need it, the journal is never touched by the search.
    QVERIFY(QFileInfo::exists(RecoveryJournal::fileNameFor(id)));
    if (taken) {
        QCOMPARE(findings.journals.front().id, id);
        QCOMPARE(findings.journals.front().snapshot.laps.size(), 1);
        QVERIFY(findings.journals.front().lock->isLocked());
    }
}

void RecoveryJournalTest::discardLeavesAFreshWindow()
{
    MainWindow *before = makeWindow();
    perform(before, {u"start"_s, u"lap"_s});
    journalOf(before)->flush();
    delete before;

    const QList<KMainWindow *> windows = reopen();
    QCOMPARE(windows.size(), 1);
    auto window = qobject_cast<MainWindow *>(windows.constFirst());
    QVERIFY(stopwatchOf(window)->isRunning());
    const QString fileName = journalOf(window)->fileName();
    QVERIFY(QFileInfo::exists(fileName));

    QPointer<RecoveryNotice> notice = window->findChild<RecoveryNotice *>();
    QVERIFY(notice);
    QAction *discard = notice->findChild<QAction *>(u"discardRecovered"_s);
    QVERIFY(discard);
    QVERIFY(notice->actions().contains(discard));
    discard->trigger();

    QVERIFY(stopwatchOf(window)->isInactive());
    QCOMPARE(lapsOf(window)->rowCount(), 0);
    QCOMPARE(window->windowTitle(), i18nc("untitled window", "Untitled") + u"[*]"_s);
    QVERIFY(!window->isWindowModified());
    QVERIFY(!QFileInfo::exists(fileName));
    // A closed notice has nothing more to say and goes.
    QTRY_VERIFY(!notice);
}

namespace
{
// The session manager's side of KMainWindow, which only the framework calls otherwise.
struct SessionManagerAccess : MainWindow {
    static void save(KMainWindow *window, int number)
    {
        (window->*(&SessionManagerAccess::savePropertiesInternal))(KConfigGui::sessionConfig(), number);
        KConfigGroup(KConfigGui::sessionConfig(), u"Number"_s).writeEntry("NumberOfWindows", number);
    }
};
}

void RecoveryJournalTest::logoutKeepsTheWindowRunning()
{
    KConfigGui::setSessionConfig(u"recoveryjournaltest"_s, QUuid::createUuid().toString(QUuid::Id128));
    MainWindow *before = makeWindow();
    perform(before, {u"start"_s, u"lap"_s, u"note:before logout"_s});
    const QString id = journalOf(before)->id();

    SessionManagerAccess::save(before, 1);
    const int elapsedAtLogout = stopwatchOf(before)->currentTime();
    const Seen seenBefore = seen(before);
    // The process ends with the session; its window may not even be closed.
    delete before;

    QVERIFY(KMainWindow::canBeRestored(1));
    QVERIFY(!KMainWindow::canBeRestored(2));
    const QList<KMainWindow *> windows = WindowRecovery::restoreSavedWindows([this] {
        return makeWindow();
    });
    QCOMPARE(windows.size(), 1);
    auto after = qobject_cast<MainWindow *>(windows.constFirst());
    QVERIFY(after);

    QVERIFY(stopwatchOf(after)->isRunning());
    QVERIFY(stopwatchOf(after)->currentTime() >= elapsedAtLogout);
    const Seen seenAfter = seen(after);
    QCOMPARE(seenAfter.laps, seenBefore.laps);
    QCOMPARE(seenAfter.title, seenBefore.title);
    QCOMPARE(seenAfter.modified, seenBefore.modified);
    QCOMPARE(seenAfter.enabled, seenBefore.enabled);
    // Back through the session manager, it is not also a window of an unexpected end.
    QVERIFY(!after->findChild<RecoveryNotice *>());
    QCOMPARE(journalOf(after)->id(), id);
    QVERIFY(WindowRecovery::takeOverAbandoned().journals.empty());
}

void RecoveryJournalTest::unusableFolderIsReported()
{
    // A file where the folder belongs: no journal can be kept.
    QVERIFY(QDir().mkpath(QFileInfo(RecoveryJournal::directory()).path()));
    QVERIFY(writeFile(RecoveryJournal::directory(), "not a folder"));

    MainWindow *window = makeWindow();
    const auto notice = window->findChild<RecoveryNotice *>();
    QVERIFY(notice);
    QCOMPARE(notice->messageType(), KMessageWidget::Warning);
    QVERIFY(notice->text().contains(RecoveryJournal::directory()));

    // Only the protection is missing; the stopwatch works on.
    perform(window, {u"start"_s, u"lap"_s});
    QVERIFY(stopwatchOf(window)->isRunning());
    QCOMPARE(lapsOf(window)->rowCount(), 1);
}

void RecoveryJournalTest::failedWriteKeepsTheLastWholeRecord()
{
    MainWindow *window = makeWindow();
    RecoveryJournal *journal = journalOf(window);
    perform(window, {u"start"_s, u"lap"_s});
    journal->flush();
    const QJsonObject whole = readJson(journal->fileName());
    QCOMPARE(whole.value(u"laps"_s).toArray().size(), 1);

    {
        FileSizeLimit full(64);
        QVERIFY(full.isActive());
        perform(window, {u"lap"_s, u"note:lost for now"_s});
        journal->flush();
    }
    // A cut-off journal would be thrown away at the next start; the last whole one stays.
    QCOMPARE(readJson(journal->fileName()), whole);
    QPointer<RecoveryNotice> notice = window->findChild<RecoveryNotice *>();
    QVERIFY(notice);
    QCOMPARE(notice->messageType(), KMessageWidget::Warning);

    // Once there is room again, the next change brings the journal up to date.
    perform(window, {u"lap"_s});
    journal->flush();
    QCOMPARE(readJson(journal->fileName()).value(u"laps"_s).toArray().size(), 3);
    QCOMPARE(readJson(journal->fileName()).value(u"laps"_s).toArray().at(1).toObject().value(u"note"_s).toString(), u"lost for now"_s);
    QTRY_VERIFY(!notice);
}

QTEST_MAIN(RecoveryJournalTest)

#include "recoveryjournaltest.moc"
