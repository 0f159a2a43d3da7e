// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "recoveryjournal.h"
#include "dialoganswerer.h"
#include "filecontents.h"
#include "filesizelimit.h"
#include "journalrecords.h"
#include "lap.h"
#include "lapmodel.h"
#include "mainwindow.h"
#include "recoverynotice.h"
#include "runhistory.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"
#include "windowcomparison.h"
#include "windowrecovery.h"
#include "windowsnapshot.h"

#include <KActionCollection>
#include <KConfig>
#include <KConfigGroup>
#include <KConfigGui>
#include <KLocalizedString>
#include <KSharedConfig>
#include <KStandardAction>
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

QString recordsFileBeside(const QString &fileName)
{
    return fileName.chopped(QStringLiteral(".json").size()) + u".records"_s;
}

// The window as its journal brings it back: the snapshot with the records that follow it.
QJsonObject readJson(const QString &fileName)
{
    QString reason;
    const std::optional<WindowSnapshot> snapshot = RecoveryJournal::read(fileName, recordsFileBeside(fileName), &reason);
    if (!snapshot) {
        return {};
    }
    QJsonObject json;
    snapshot->toJson(json);
    return json;
}

// The same without the clock reading, which a recovering process takes anew.
QJsonObject withoutClock(QJsonObject json)
{
    json.remove(u"monotonic"_s);
    json.remove(u"boot"_s);
    return json;
}

// Bytes this process has handed to write() so far, whatever file they went to.
qint64 bytesWritten()
{
    QFile io(u"/proc/self/io"_s);
    if (!io.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QList<QByteArray> lines = io.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("wchar:")) {
            return line.mid(6).trimmed().toLongLong();
        }
    }
    return -1;
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
        result.laps << TimeFormat(true, true, TimeFormat::UpToMilliseconds).format(lap.time()) + u'|' + lap.note();
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
    void journalFollowsEachCorrectionAndUndo();
    void journalKeepsTheComparison();
    void normalCloseRemovesTheJournal();
    void corruptJournalIsKeptAside_data();
    void corruptJournalIsKeptAside();
    void oversizedJournalIsKeptAsideUnread();
    void onlyJournalsWithoutLivingOwnerAreTaken_data();
    void onlyJournalsWithoutLivingOwnerAreTaken();
    void discardIsOneUndoableStep();
    void discardGoesOnceTheWindowMovesOn_data();
    void discardGoesOnceTheWindowMovesOn();
    void recoveredRunCountsFromTheRecordedMoment();
    void windowWithoutTimesIsNeitherKeptNorAskedAbout_data();
    void windowWithoutTimesIsNeitherKeptNorAskedAbout();
    void logoutKeepsTheWindowRunning();
    void unusableFolderIsReported();
    void failedWriteKeepsTheLastWholeRecord();
    void recordsCutAtAnyByte_data();
    void recordsCutAtAnyByte();
    void damagedRecordsAreKeptAside_data();
    void damagedRecordsAreKeptAside();
    void interruptedCompaction_data();
    void interruptedCompaction();
    void recordsAreFoldedIntoTheSnapshot();
    void journalOfEarlierVersionIsRead();
    void changeCostsTheSameWithManyLaps_data();
    void changeCostsTheSameWithManyLaps();

private:
    MainWindow *makeWindow(const Session &session = Session(0, QDateTime::currentDateTime()));
    void perform(MainWindow *window, const QStringList &steps);
    QList<KMainWindow *> reopen();
    MainWindow *recoveredWindow(const QStringList &steps);

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
// "saveAs:<name>", "reset", "edit_undo", "edit_redo", "import:<title>" of two laps into
// the window, and the corrections "adjust:<ms>", "delete:<row>", "merge:<row>".
void RecoveryJournalTest::perform(MainWindow *window, const QStringList &steps)
{
    for (const QString &step : steps) {
        auto history = window->findChild<RunHistory *>();
        const QString argument = step.section(u':', 1);
        if (step.startsWith("adjust:"_L1)) {
            QVERIFY2(history->adjustTime(argument.toInt()), qPrintable(step));
        } else if (step.startsWith("delete:"_L1)) {
            QVERIFY2(history->deleteLaps({argument.toInt()}), qPrintable(step));
        } else if (step.startsWith("merge:"_L1)) {
            QVERIFY2(history->mergeWithPrevious({argument.toInt()}), qPrintable(step));
        } else if (step.startsWith("import:"_L1)) {
            window->loadImportedLaps({Lap::fromMilliseconds(12'000), Lap::fromMilliseconds(30'500)}, step.mid(7));
        } else if (step.startsWith("note:"_L1)) {
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
    QTest::newRow("imported laps") << QStringList{u"import:Track day"_s} << false << false;
    QTest::newRow("imported laps, undone and redone") << QStringList{u"import:Track day"_s, u"edit_undo"_s, u"edit_redo"_s} << false << false;
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

void RecoveryJournalTest::journalKeepsTheComparison()
{
    MainWindow *window = makeWindow();
    RecoveryJournal *journal = journalOf(window);
    auto comparison = window->findChild<WindowComparison *>();
    QVERIFY(comparison);
    const auto recorded = [journal] {
        journal->flush();
        QString reason;
        const auto snapshot = RecoveryJournal::read(journal->fileName(), journal->recordsFileName(), &reason);
        return snapshot ? snapshot->session.comparison().kind() : ComparisonChoice::Kind(-1);
    };
    // Paused and modified already: the choice is recorded with the session all the same.
    perform(window, {u"start"_s, u"lap"_s, u"pause"_s});
    QTRY_VERIFY(window->isWindowModified());
    QCOMPARE(recorded(), ComparisonChoice::None);
    QVERIFY(comparison->setChoiceByName(u"bestLaps"_s));
    QCoreApplication::processEvents();
    QCOMPARE(recorded(), ComparisonChoice::BestLaps);
}

void RecoveryJournalTest::journalFollowsEachCorrectionAndUndo()
{
    MainWindow *window = makeWindow();
    RecoveryJournal *journal = journalOf(window);
    auto history = window->findChild<RunHistory *>();
    QVERIFY(history);
    // As a recovery reads it: the snapshot and the records after it.
    const auto recorded = [journal] {
        journal->flush();
        QString reason;
        const auto snapshot = RecoveryJournal::read(journal->fileName(), journal->recordsFileName(), &reason);
        return snapshot ? *snapshot : WindowSnapshot();
    };
    const auto times = [](const WindowSnapshot &snapshot) {
        QList<int> times;
        for (const Lap &lap : snapshot.laps) {
            times << lap.time();
        }
        return times;
    };

    // Without laps, the time moved is the whole change.
    perform(window, {u"start"_s, u"pause"_s});
    const int elapsed = stopwatchOf(window)->currentTime();
    QVERIFY(history->adjustTime(60'000));
    QTRY_COMPARE(recorded().elapsed, elapsed + 60'000);
    QVERIFY(history->undo());
    QTRY_COMPARE(recorded().elapsed, elapsed);

    perform(window, {u"start"_s, u"lap"_s, u"note:one"_s, u"lap"_s, u"lap"_s, u"pause"_s});
    const WindowSnapshot taken = recorded();
    QCOMPARE(taken.laps.size(), 3);
    QVERIFY(history->deleteLaps({0}));
    QCOMPARE(recorded().laps.size(), 2);
    QCOMPARE(recorded().laps.at(0).note(), u"one"_s);
    QCOMPARE(times(recorded()), times(taken).mid(1));

    QVERIFY(history->adjustTime(-times(recorded()).first()));
    QCOMPARE(times(recorded()).first(), 0);
    QCOMPARE(recorded().elapsed, taken.elapsed - times(taken).at(1));

    QVERIFY(history->undo());
    QVERIFY(history->undo());
    const WindowSnapshot undone = recorded();
    QCOMPARE(times(undone), times(taken));
    QCOMPARE(undone.laps.at(0).note(), u"one"_s);
    QCOMPARE(undone.laps.at(1).note(), QString());
    QCOMPARE(undone.elapsed, taken.elapsed);
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

void RecoveryJournalTest::oversizedJournalIsKeptAsideUnread()
{
    // Sparse, so the test needs no disk space; read whole it would need 300 MB of memory.
    QVERIFY(QDir().mkpath(RecoveryJournal::directory()));
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QFile huge(RecoveryJournal::fileNameFor(id));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.write("{") == 1);
    QVERIFY(huge.resize(300 * 1024 * 1024));
    huge.close();

    const QList<KMainWindow *> windows = reopen();

    QCOMPARE(windows.size(), 1);
    QVERIFY(stopwatchOf(windows.constFirst())->isInactive());
    const auto notice = windows.constFirst()->findChild<RecoveryNotice *>();
    QVERIFY(notice);
    QCOMPARE(notice->messageType(), KMessageWidget::Error);
    QVERIFY2(notice->text().contains(u"larger than any journal"_s), qPrintable(notice->text()));
    const QStringList kept = journalFolder().filter(id + u".json.broken-"_s);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(QFileInfo(RecoveryJournal::directory() + u'/' + kept.constFirst()).size(), 300 * 1024 * 1024);
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

// A window with @p steps taken, left behind by its process and brought back by the next.
MainWindow *RecoveryJournalTest::recoveredWindow(const QStringList &steps)
{
    MainWindow *before = makeWindow();
    perform(before, steps);
    journalOf(before)->flush();
    delete before;

    const QList<KMainWindow *> windows = reopen();
    if (windows.size() != 1) {
        return nullptr;
    }
    return qobject_cast<MainWindow *>(windows.constFirst());
}

void RecoveryJournalTest::discardIsOneUndoableStep()
{
    MainWindow *window = recoveredWindow({u"start"_s, u"lap"_s, u"note:recovered"_s});
    QVERIFY(window);
    QVERIFY(stopwatchOf(window)->isRunning());
    const QString fileName = journalOf(window)->fileName();
    QVERIFY(QFileInfo::exists(fileName));

    QPointer<RecoveryNotice> notice = window->findChild<RecoveryNotice *>();
    QVERIFY(notice);
    QAction *discard = notice->findChild<QAction *>(u"discardRecovered"_s);
    QVERIFY(discard);
    QVERIFY(notice->actions().contains(discard));
    const int elapsedBefore = stopwatchOf(window)->currentTime();
    discard->trigger();

    QVERIFY(stopwatchOf(window)->isInactive());
    QCOMPARE(lapsOf(window)->rowCount(), 0);
    QCOMPARE(window->windowTitle(), i18nc("untitled window", "Untitled") + u"[*]"_s);
    QVERIFY(!window->isWindowModified());
    journalOf(window)->flush();
    QVERIFY(!QFileInfo::exists(fileName));
    // A closed notice has nothing more to say and goes.
    QTRY_VERIFY(!notice);

    // Like a Reset, one step back brings the run back, paused where it was dropped.
    QAction *undo = window->actionCollection()->action(KStandardAction::name(KStandardAction::Undo));
    QVERIFY(undo->isEnabled());
    QVERIFY(undo->text().contains(i18nc("@action name of an undo step", "Discard Recovered Times")));
    undo->trigger();
    QVERIFY(stopwatchOf(window)->isPaused());
    QVERIFY(stopwatchOf(window)->currentTime() >= elapsedBefore);
    QCOMPARE(seen(window).laps.size(), 1);
    QVERIFY(seen(window).laps.constFirst().endsWith(u"|recovered"_s));
    QVERIFY(window->isWindowModified());
    journalOf(window)->flush();
    QCOMPARE(readJson(fileName).value(u"laps"_s).toArray().size(), 1);
    // Nothing before the recovery is a step of this window.
    QVERIFY(!undo->isEnabled());
}

void RecoveryJournalTest::discardGoesOnceTheWindowMovesOn_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("movesOn");

    QTest::newRow("laps from outside") << QStringList{u"outside:lap"_s, u"outside:lap"_s, u"outside:lap"_s} << true;
    QTest::newRow("a note") << QStringList{u"note:later"_s} << true;
    QTest::newRow("time adjusted") << QStringList{u"adjust:1000"_s} << true;
    QTest::newRow("reset and undone") << QStringList{u"reset"_s, u"edit_undo"_s} << true;
    // Pausing and resuming change nothing of the run that was recovered.
    QTest::newRow("paused and resumed") << QStringList{u"pause"_s, u"start"_s} << false;
}

void RecoveryJournalTest::discardGoesOnceTheWindowMovesOn()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, movesOn);

    MainWindow *window = recoveredWindow({u"start"_s, u"lap"_s});
    QVERIFY(window);
    QPointer<RecoveryNotice> notice = window->findChild<RecoveryNotice *>();
    QVERIFY(notice);
    auto control = window->findChild<StopwatchControl *>();
    QVERIFY(control);
    for (const QString &step : std::as_const(steps)) {
        if (step == "outside:lap"_L1) {
            QVERIFY(control->lap(QString()));
        } else {
            perform(window, {step});
        }
    }
    const int laps = lapsOf(window)->rowCount();

    if (movesOn) {
        // Discard would now drop work done since the recovery: it is no longer offered.
        QTRY_VERIFY(!notice);
        QCOMPARE(lapsOf(window)->rowCount(), laps);
        QVERIFY(!stopwatchOf(window)->isInactive());
        journalOf(window)->flush();
        QVERIFY(QFileInfo::exists(journalOf(window)->fileName()));
        return;
    }
    QVERIFY(notice);
    QVERIFY(!notice->isHideAnimationRunning());
    notice->findChild<QAction *>(u"discardRecovered"_s)->trigger();
    QVERIFY(stopwatchOf(window)->isInactive());
    perform(window, {u"edit_undo"_s});
    QCOMPARE(lapsOf(window)->rowCount(), laps);
}

void RecoveryJournalTest::recoveredRunCountsFromTheRecordedMoment()
{
    // A long run, so that rebuilding its table takes a while: that while belongs to the run.
    constexpr int laps = 20'000;
    WindowSnapshot recorded;
    recorded.state = Stopwatch::Running;
    recorded.elapsed = 40 * 60 * 1000;
    recorded.bootId = WindowSnapshot::currentBootId();
    if (recorded.bootId.isEmpty()) {
        QSKIP("The system tells no boot identity; a running stopwatch is not continued.");
    }
    recorded.session = Session(0, QDateTime::currentDateTime());
    recorded.modified = true;
    for (int lap = 1; lap <= laps; ++lap) {
        recorded.laps << Lap::fromMilliseconds(lap * 100);
    }
    recorded.recordedAt = WindowSnapshot::monotonicNow();
    QJsonObject json;
    recorded.toJson(json);
    QVERIFY(QDir().mkpath(RecoveryJournal::directory()));
    QVERIFY(writeFile(RecoveryJournal::fileNameFor(QUuid::createUuid().toString(QUuid::WithoutBraces)), QJsonDocument(json).toJson()));

    const QList<KMainWindow *> windows = reopen();
    QCOMPARE(windows.size(), 1);
    const qint64 now = WindowSnapshot::monotonicNow();
    Stopwatch *stopwatch = stopwatchOf(windows.constFirst());
    const int shown = stopwatch->currentTime();
    QVERIFY(stopwatch->isRunning());
    QCOMPARE(lapsOf(windows.constFirst())->rowCount(), laps);
    // Everything since the recorded moment counts, reading and rebuilding included; only
    // the rounding of the clock readings to milliseconds may be missing.
    const qint64 sinceRecorded = now - recorded.recordedAt;
    QVERIFY2(shown >= recorded.elapsed + sinceRecorded - 3,
             qPrintable(u"%1 ms shown, %2 ms recorded, %3 ms since"_s.arg(shown).arg(recorded.elapsed).arg(sinceRecorded)));
}

void RecoveryJournalTest::windowWithoutTimesIsNeitherKeptNorAskedAbout_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("holdsTimes");

    // A sleep of the computer pauses even a stopwatch that never ran, at zero.
    QTest::newRow("paused at zero by a sleep") << u"sleep"_s << false;
    QTest::newRow("a lap at zero") << u"lap at zero"_s << true;
    QTest::newRow("paused after a run") << u"run"_s << true;
}

void RecoveryJournalTest::windowWithoutTimesIsNeitherKeptNorAskedAbout()
{
    QFETCH(QString, situation);
    QFETCH(bool, holdsTimes);

    MainWindow *window = makeWindow();
    if (situation == "sleep"_L1) {
        QVERIFY(QMetaObject::invokeMethod(window, "slotPrepareForSleep", Q_ARG(bool, true)));
    } else if (situation == "lap at zero"_L1) {
        window->loadImportedLaps({Lap::fromMilliseconds(0)}, u"Zero"_s);
    } else {
        perform(window, {u"start"_s, u"pause"_s});
    }
    QVERIFY(stopwatchOf(window)->isPaused());
    RecoveryJournal *journal = journalOf(window);
    journal->flush();
    QCOMPARE(QFileInfo::exists(journal->fileName()), holdsTimes);

    // Nor is such a window brought back from the journal of an earlier version, which kept it.
    WindowSnapshot left = window->snapshot();
    left.recordedAt = WindowSnapshot::monotonicNow();
    left.bootId = WindowSnapshot::currentBootId();
    QJsonObject json;
    left.toJson(json);
    const QString leftBehind = RecoveryJournal::fileNameFor(QUuid::createUuid().toString(QUuid::WithoutBraces));
    QVERIFY(writeFile(leftBehind, QJsonDocument(json).toJson()));
    const QList<KMainWindow *> windows = reopen();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows.constFirst()->findChild<RecoveryNotice *>() != nullptr, holdsTimes);
    QCOMPARE(QFileInfo::exists(leftBehind), holdsTimes);

    // Closing asks only about times there are, from outside as from the window.
    auto control = window->findChild<StopwatchControl *>();
    QVERIFY(control);
    DialogAnswerer cancel(buttonText(KStandardGuiItem::cancel()));
    if (!holdsTimes) {
        QVERIFY(control->close());
        QVERIFY(!cancel.answered());
        return;
    }
    QVERIFY(!control->close());
    QVERIFY(!window->close());
    QVERIFY(cancel.answered());
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

namespace
{
QStringList lapsOf(const QJsonObject &recorded)
{
    QStringList laps;
    const QJsonArray lapsJson = recorded.value(u"laps"_s).toArray();
    for (const QJsonValue &lap : lapsJson) {
        laps << TimeFormat(true, true, TimeFormat::UpToMilliseconds).format(lap.toObject().value(u"time"_s).toInteger()) + u'|'
                + lap.toObject().value(u"note"_s).toString();
    }
    return laps;
}

QJsonObject readFiles(const QString &snapshotFile, const QString &recordsFile, QString *reason)
{
    const std::optional<WindowSnapshot> snapshot = RecoveryJournal::read(snapshotFile, recordsFile, reason);
    if (!snapshot) {
        return {};
    }
    QJsonObject json;
    snapshot->toJson(json);
    return json;
}
}

void RecoveryJournalTest::recordsCutAtAnyByte_data()
{
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("laps and notes") << QStringList{u"lap"_s, u"lap"_s, u"note:ü ✓ \"quoted\"\nsecond line"_s, u"lap"_s, u"note:"_s};
    QTest::newRow("pause and resume") << QStringList{u"lap"_s, u"pause"_s, u"start"_s, u"lap"_s, u"pause"_s};
    QTest::newRow("saved and renamed") << QStringList{u"lap"_s, u"pause"_s, u"saveAs:Tempo"_s, u"start"_s, u"lap"_s, u"pause"_s, u"saveAs:Tempo, again"_s};
    QTest::newRow("corrections, undone and redone") << QStringList{u"lap"_s,
                                                                   u"note:kept"_s,
                                                                   u"lap"_s,
                                                                   u"lap"_s,
                                                                   u"note:also kept"_s,
                                                                   u"lap"_s,
                                                                   u"pause"_s,
                                                                   u"adjust:90000"_s,
                                                                   u"delete:1"_s,
                                                                   u"merge:2"_s,
                                                                   u"edit_undo"_s,
                                                                   u"edit_undo"_s,
                                                                   u"edit_undo"_s,
                                                                   u"edit_redo"_s,
                                                                   u"adjust:-90000"_s};
    QTest::newRow("time moved while running") << QStringList{u"lap"_s, u"lap"_s, u"adjust:2500"_s, u"lap"_s, u"edit_undo"_s, u"edit_undo"_s};
}

void RecoveryJournalTest::recordsCutAtAnyByte()
{
    QFETCH(QStringList, steps);

    MainWindow *window = makeWindow();
    RecoveryJournal *journal = journalOf(window);
    perform(window, {u"start"_s});
    journal->flush();
    const QByteArray snapshot = contents(journal->fileName());
    QVERIFY(!snapshot.isEmpty());

    // After each step the journal holds what the window shows.
    QList<qint64> stepEnds{QFileInfo(journal->recordsFileName()).size()};
    QList<QJsonObject> stepStates{readJson(journal->fileName())};
    for (const QString &step : steps) {
        perform(window, {step});
        journal->flush();
        const QJsonObject recorded = readJson(journal->fileName());
        QCOMPARE(lapsOf(recorded), seen(window).laps);
        QCOMPARE(recorded.value(u"state"_s).toString(), stopwatchOf(window)->isRunning() ? u"running"_s : u"paused"_s);
        if (stopwatchOf(window)->isPaused()) {
            QCOMPARE(recorded.value(u"elapsed"_s).toInt(), stopwatchOf(window)->accumulatedTime());
        }
        QCOMPARE(recorded.value(u"modified"_s).toBool(), window->isWindowModified());
        QCOMPARE(recorded.value(u"session"_s).toObject().value(u"name"_s).toString(), window->snapshot().session.name());
        stepEnds << QFileInfo(journal->recordsFileName()).size();
        stepStates << recorded;
        QVERIFY2(stepEnds.constLast() > stepEnds.at(stepEnds.size() - 2), qPrintable(step));
    }
    // Every step went to the records; a new snapshot on the way would leave nothing to cut.
    QCOMPARE(contents(journal->fileName()), snapshot);
    const QByteArray records = contents(journal->recordsFileName());
    QCOMPARE(records.size(), stepEnds.constLast());

    // The process is killed after any byte of the record file.
    QTemporaryDir dir;
    const QString snapshotFile = dir.filePath(u"cut.json"_s);
    const QString recordsFile = dir.filePath(u"cut.records"_s);
    QVERIFY(writeFile(snapshotFile, snapshot));
    QJsonObject lastWhole;
    for (qsizetype cut = 0; cut <= records.size(); ++cut) {
        QVERIFY(writeFile(recordsFile, records.left(cut)));
        QString reason;
        const QJsonObject recovered = readFiles(snapshotFile, recordsFile, &reason);
        QVERIFY2(!recovered.isEmpty(), qPrintable(u"cut after %1 bytes: %2"_s.arg(cut).arg(reason)));
        // A cut-off line adds nothing: the window is as after the last whole record.
        if (cut == 0 || records.at(cut - 1) == '\n') {
            lastWhole = recovered;
        }
        QVERIFY2(recovered == lastWhole, qPrintable(u"cut after %1 of %2 bytes"_s.arg(cut).arg(records.size())));
        const qsizetype step = stepEnds.indexOf(cut);
        if (step >= 0) {
            QVERIFY2(recovered == stepStates.at(step), qPrintable(u"cut after step %1"_s.arg(step)));
        }
    }
}

void RecoveryJournalTest::damagedRecordsAreKeptAside_data()
{
    QTest::addColumn<QString>("damage");

    QTest::newRow("checksum changed") << u"checksum"_s;
    QTest::newRow("byte changed inside a record") << u"byte"_s;
    QTest::newRow("line end lost between records") << u"line end"_s;
    QTest::newRow("first line damaged") << u"header"_s;
    QTest::newRow("unknown change") << u"unknown change"_s;
    QTest::newRow("lap beyond the table") << u"row"_s;
    QTest::newRow("record without state") << u"no state"_s;
}

void RecoveryJournalTest::damagedRecordsAreKeptAside()
{
    QFETCH(QString, damage);

    // Two records after the first line.
    MainWindow *before = makeWindow();
    perform(before, {u"start"_s, u"lap"_s, u"note:kept"_s});
    journalOf(before)->flush();
    perform(before, {u"lap"_s, u"pause"_s});
    journalOf(before)->flush();
    const QByteArray snapshot = contents(journalOf(before)->fileName());
    QByteArray records = contents(journalOf(before)->recordsFileName());
    delete before;
    QDir(RecoveryJournal::directory()).removeRecursively();
    QVERIFY(QDir().mkpath(RecoveryJournal::directory()));

    QList<QByteArray> lines = records.split('\n');
    QCOMPARE(lines.size(), 4);
    QJsonObject lastRecord = QJsonDocument::fromJson(lines.at(lines.size() - 2).mid(9)).object();
    QVERIFY(lastRecord.contains(u"changes"_s));
    if (damage == "checksum"_L1) {
        lines[1][0] = lines.at(1).at(0) == '0' ? '1' : '0';
    } else if (damage == "byte"_L1) {
        lines[1][lines.at(1).size() / 2] = 'X';
    } else if (damage == "line end"_L1) {
        lines[1] += lines.takeAt(2);
    } else if (damage == "header"_L1) {
        lines[0][20] = lines.at(0).at(20) == 'a' ? 'b' : 'a';
    } else if (damage == "unknown change"_L1) {
        lastRecord[u"changes"_s] = QJsonArray{QJsonObject{{u"shuffle"_s, 1}}};
        lines.insert(lines.size() - 1, JournalRecords::line(lastRecord).chopped(1));
    } else if (damage == "row"_L1) {
        lastRecord[u"changes"_s] = QJsonArray{JournalRecords::replaced(2, Lap::fromMilliseconds(10))};
        lines.insert(lines.size() - 1, JournalRecords::line(lastRecord).chopped(1));
    } else if (damage == "no state"_L1) {
        lines.insert(lines.size() - 1, JournalRecords::line(QJsonObject{{u"changes"_s, QJsonArray()}}).chopped(1));
    }
    records = lines.join('\n');

    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QVERIFY(writeFile(RecoveryJournal::fileNameFor(id), snapshot));
    QVERIFY(writeFile(RecoveryJournal::recordsFileNameFor(id), records));
    const QList<KMainWindow *> windows = reopen();

    // Nothing of a damaged journal is guessed at; both files wait together for the user.
    QCOMPARE(windows.size(), 1);
    QVERIFY(stopwatchOf(windows.constFirst())->isInactive());
    const auto notice = windows.constFirst()->findChild<RecoveryNotice *>();
    QVERIFY(notice);
    QCOMPARE(notice->messageType(), KMessageWidget::Error);
    const QStringList keptSnapshot = journalFolder().filter(id + u".json.broken-"_s);
    const QStringList keptRecords = journalFolder().filter(id + u".records.broken-"_s);
    QCOMPARE(keptSnapshot.size(), 1);
    QCOMPARE(keptRecords.size(), 1);
    QVERIFY2(notice->text().contains(keptRecords.constFirst()), qPrintable(notice->text()));
    QCOMPARE(contents(RecoveryJournal::directory() + u'/' + keptSnapshot.constFirst()), snapshot);
    QCOMPARE(contents(RecoveryJournal::directory() + u'/' + keptRecords.constFirst()), records);
    QVERIFY(!QFileInfo::exists(RecoveryJournal::fileNameFor(id)));
    QVERIFY(!QFileInfo::exists(RecoveryJournal::recordsFileNameFor(id)));
}

void RecoveryJournalTest::interruptedCompaction_data()
{
    QTest::addColumn<QString>("snapshot");
    QTest::addColumn<QString>("records");
    QTest::addColumn<bool>("whole");

    // A new snapshot is written in full beside the old one and renamed over it, then the
    // record file is restarted the same way; a kill can come between any two of the steps.
    QTest::newRow("before the new snapshot") << u"old"_s << u"old"_s << true;
    QTest::newRow("new snapshot, old records") << u"new"_s << u"old"_s << true;
    QTest::newRow("new snapshot, no records yet") << u"new"_s << u"none"_s << true;
    QTest::newRow("new snapshot, new records") << u"new"_s << u"new"_s << true;
    // Not left by the program, which syncs the folder between the two renames; should the
    // disk still bring back this mix, records are never applied to another snapshot.
    QTest::newRow("old snapshot, new records") << u"old"_s << u"new"_s << false;
}

void RecoveryJournalTest::interruptedCompaction()
{
    QFETCH(QString, snapshot);
    QFETCH(QString, records);
    QFETCH(bool, whole);

    MainWindow *before = makeWindow();
    perform(before, {u"start"_s, u"lap"_s, u"note:first"_s, u"lap"_s, u"pause"_s, u"note:second"_s});
    RecoveryJournal *journal = journalOf(before);
    journal->flush();
    const QString id = journal->id();
    QMap<QString, QByteArray> snapshots{{u"old"_s, contents(journal->fileName())}};
    QMap<QString, QByteArray> recordFiles{{u"old"_s, contents(journal->recordsFileName())}};
    QString reason;
    const QJsonObject expected = withoutClock(readJson(journal->fileName()));
    const QJsonObject oldSnapshotAlone = withoutClock(readFiles(journal->fileName(), journal->recordsFileName() + u".absent"_s, &reason));
    QCOMPARE(lapsOf(expected).size(), 2);
    QVERIFY(oldSnapshotAlone != expected);
    delete before;

    // A recovered window starts its journal with a new snapshot.
    QCOMPARE(reopen().size(), 1);
    snapshots[u"new"_s] = contents(RecoveryJournal::fileNameFor(id));
    recordFiles[u"new"_s] = contents(RecoveryJournal::recordsFileNameFor(id));
    QVERIFY(snapshots.value(u"new"_s) != snapshots.value(u"old"_s));
    QVERIFY(recordFiles.value(u"new"_s).size() < recordFiles.value(u"old"_s).size());

    QTemporaryDir dir;
    const QString snapshotFile = dir.filePath(u"left.json"_s);
    const QString recordsFile = dir.filePath(u"left.records"_s);
    QVERIFY(writeFile(snapshotFile, snapshots.value(snapshot)));
    if (records != "none"_L1) {
        QVERIFY(writeFile(recordsFile, recordFiles.value(records)));
    }
    const QJsonObject recovered = readFiles(snapshotFile, recordsFile, &reason);
    QVERIFY2(!recovered.isEmpty(), qPrintable(reason));
    QCOMPARE(withoutClock(recovered), whole ? expected : oldSnapshotAlone);
}

void RecoveryJournalTest::recordsAreFoldedIntoTheSnapshot()
{
    MainWindow *window = makeWindow();
    RecoveryJournal *journal = journalOf(window);
    perform(window, {u"start"_s});
    journal->flush();
    const QByteArray firstSnapshot = contents(journal->fileName());

    constexpr int laps = 600;
    for (int lap = 1; lap <= laps; ++lap) {
        perform(window, {u"lap"_s});
        journal->flush();
        const qint64 records = QFileInfo(journal->recordsFileName()).size();
        const qint64 snapshot = QFileInfo(journal->fileName()).size();
        // Reading the records must never cost much more than reading the snapshot would.
        QVERIFY2(records <= std::max<qint64>(2 * snapshot, 128 * 1024), qPrintable(u"%1 bytes of records beside %2 of snapshot"_s.arg(records).arg(snapshot)));
    }
    QVERIFY(contents(journal->fileName()) != firstSnapshot);
    const QJsonObject recorded = readJson(journal->fileName());
    QCOMPARE(lapsOf(recorded).size(), laps);
    QCOMPARE(lapsOf(recorded), seen(window).laps);
}

void RecoveryJournalTest::journalOfEarlierVersionIsRead()
{
    // One file with everything, as the journal was kept before it had records.
    const QByteArray earlier = R"({"format":1,"state":"paused","elapsed":95000,"monotonic":1234,"boot":"","session":{"name":"Intervals","note":"cold",)"
                               R"("time":0,"date":"2026-01-10T09:30:00"},"outdated":true,"modified":true,"laps":[{"time":30000,"reltime":"00:30.00",)"
                               R"("abstime":"00:30.00","note":"easy"},{"time":61500,"reltime":"00:31.50","abstime":"01:01.50","note":""}]})";
    QVERIFY(QDir().mkpath(RecoveryJournal::directory()));
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QVERIFY(writeFile(RecoveryJournal::fileNameFor(id), earlier));
    // Records left beside it by a newer version that wrote no snapshot since belong to none.
    QVERIFY(writeFile(RecoveryJournal::recordsFileNameFor(id), JournalRecords::header(QUuid::createUuid().toString(QUuid::WithoutBraces))));

    const QList<KMainWindow *> windows = reopen();
    QCOMPARE(windows.size(), 1);
    auto window = qobject_cast<MainWindow *>(windows.constFirst());
    QVERIFY(window);
    QVERIFY(stopwatchOf(window)->isPaused());
    QCOMPARE(stopwatchOf(window)->currentTime(), 95000);
    QCOMPARE(seen(window).laps, (QStringList{u"00:00:30.000|easy"_s, u"00:01:01.500|"_s}));
    QCOMPARE(window->snapshot().session.name(), u"Intervals"_s);
    QCOMPARE(window->snapshot().session.note(), u"cold"_s);
    QVERIFY(window->isWindowModified());
    QCOMPARE(journalOf(window)->id(), id);

    // The journal goes on in the new form.
    perform(window, {u"start"_s, u"lap"_s, u"note:third"_s});
    journalOf(window)->flush();
    QVERIFY(QFileInfo(RecoveryJournal::recordsFileNameFor(id)).size() > 0);
    const QJsonObject recorded = readJson(RecoveryJournal::fileNameFor(id));
    QCOMPARE(lapsOf(recorded), seen(window).laps);
    QCOMPARE(lapsOf(recorded).size(), 3);
    QVERIFY(lapsOf(recorded).constLast().endsWith(u"|third"_s));
}

void RecoveryJournalTest::changeCostsTheSameWithManyLaps_data()
{
    QTest::addColumn<int>("laps");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("change");

    for (int laps : {50, 5000}) {
        QTest::addRow("time adjusted, %d laps", laps) << laps << QStringList() << u"adjust:-500"_s;
        QTest::addRow("adjustment undone, %d laps", laps) << laps << QStringList{u"adjust:60000"_s} << u"edit_undo"_s;
        QTest::addRow("adjustment redone, %d laps", laps) << laps << QStringList{u"adjust:60000"_s, u"edit_undo"_s} << u"edit_redo"_s;
        QTest::addRow("lap deleted, %d laps", laps) << laps << QStringList() << u"delete:%1"_s.arg(laps / 2);
        QTest::addRow("merge undone, %d laps", laps) << laps << QStringList{u"merge:%1"_s.arg(laps / 2)} << u"edit_undo"_s;
        QTest::addRow("lap, %d laps", laps) << laps << QStringList{u"start"_s} << u"lap"_s;
        QTest::addRow("note, %d laps", laps) << laps << QStringList() << u"note:after the fact"_s;
        QTest::addRow("pause, %d laps", laps) << laps << QStringList{u"start"_s} << u"pause"_s;
        QTest::addRow("resume, %d laps", laps) << laps << QStringList() << u"start"_s;
    }
}

void RecoveryJournalTest::changeCostsTheSameWithManyLaps()
{
    QFETCH(int, laps);
    QFETCH(QStringList, before);
    QFETCH(QString, change);

    QList<Lap> taken;
    for (int lap = 1; lap <= laps; ++lap) {
        taken << Lap::fromMilliseconds(lap * 1000);
    }
    MainWindow *window = makeWindow();
    window->loadImportedLaps(taken, u"Long run"_s);
    perform(window, before);
    RecoveryJournal *journal = journalOf(window);
    journal->flush();
    QVERIFY(QFileInfo::exists(journal->fileName()));
    const qint64 start = bytesWritten();
    QVERIFY(start >= 0);

    perform(window, {change});
    journal->flush();

    // A few hundred bytes say what changed; writing all laps again would be far more.
    const qint64 written = bytesWritten() - start;
    QVERIFY2(written < 4096, qPrintable(u"%1 bytes written for one change"_s.arg(written)));
    QCOMPARE(lapsOf(readJson(journal->fileName())), seen(window).laps);
}

QTEST_MAIN(RecoveryJournalTest)

#include "recoveryjournaltest.moc"
