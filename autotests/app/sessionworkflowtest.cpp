// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "dialoganswerer.h"
#include "lap.h"
#include "lapmodel.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "sessionsfiles.h"
#include "stopwatch.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KMessageWidget>
#include <KSharedConfig>
#include <KStandardGuiItem>

#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace
{
Session storedSession(int time, const QString &name)
{
    Session session(time, QDateTime::currentDateTime().addSecs(-3600));
    session.setName(name);
    session.setNote(u"windy"_s);
    Lap lap = Lap::fromMilliseconds(time / 2);
    lap.setNote(u"warm-up"_s);
    session.addLap(lap);
    return session;
}

Session storedAt(SessionModel *store, int row)
{
    return store->index(row, 0).data(SessionModel::SessionRole).value<Session>();
}

/**
 * Runs an action while the next modal dialog is open, then answers the dialog as a
 * DialogAnswerer would; like that, it can be armed before the call that opens the dialog.
 */
class DuringNextDialog : public QObject
{
public:
    DuringNextDialog(std::function<void()> action, const QString &buttonText, const QString &input = QString())
        : m_action(std::move(action))
        , m_buttonText(buttonText)
        , m_input(input)
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (!qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                return;
            }
            m_timer.stop();
            m_action();
            m_answerer = std::make_unique<DialogAnswerer>(m_buttonText, m_input);
        });
        m_timer.start();
    }

    [[nodiscard]] bool answered() const
    {
        return m_answerer && m_answerer->answered();
    }

private:
    std::function<void()> m_action;
    QString m_buttonText;
    QString m_input;
    QTimer m_timer;
    std::unique_ptr<DialogAnswerer> m_answerer;
};
}

class SessionWorkflowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void closeQuestions_data();
    void closeQuestions();
    void saveAsWithEmptyName();
    void saveAsTwiceWithOneName();
    void lapsAreSavedInTakenOrderWithNotes();
    void saveAfterTheStoredCopyWasRemovedStoresAnew();
    void editedNoteIsSaved_data();
    void editedNoteIsSaved();
    void failedSaveIsShownAndKeepsTheTimes_data();
    void failedSaveIsShownAndKeepsTheTimes();
    void newOpensAnIndependentWindow();
    void openShowsTheChosenSessionInANewWindow_data();
    void openShowsTheChosenSessionInANewWindow();
    void promptsRefuseCommandsFromOutside_data();
    void promptsRefuseCommandsFromOutside();
    void saveKeepsUpWithARunThatGoesOn_data();
    void saveKeepsUpWithARunThatGoesOn();

private:
    MainWindow *makeWindow(const Session &session);
    void trigger(MainWindow *window, const QString &action);
    void runBriefly(MainWindow *window);
    void takeLap(MainWindow *window);

    std::unique_ptr<SessionModel> m_store;
    QList<QPointer<MainWindow>> m_windows;
};

void SessionWorkflowTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void SessionWorkflowTest::init()
{
    QDir(dataDir()).removeRecursively();
    QVERIFY(QDir().mkpath(dataDir()));
    KSharedConfig::openConfig()->deleteGroup(u"Notification Messages"_s);
    TickwardenConfig::self()->setDefaults();
    m_store = std::make_unique<SessionModel>();
}

void SessionWorkflowTest::cleanup()
{
    for (const QPointer<MainWindow> &window : std::as_const(m_windows)) {
        delete window.data();
    }
    m_windows.clear();
    const auto topLevels = QApplication::topLevelWidgets();
    for (QWidget *widget : topLevels) {
        if (qobject_cast<MainWindow *>(widget)) {
            delete widget;
        }
    }
    m_store.reset();
}

MainWindow *SessionWorkflowTest::makeWindow(const Session &session)
{
    auto window = new MainWindow(m_store.get(), nullptr, session);
    m_windows << window;
    return window;
}

void SessionWorkflowTest::trigger(MainWindow *window, const QString &action)
{
    QAction *a = window->actionCollection()->action(action);
    QVERIFY2(a->isEnabled(), qPrintable(action));
    a->trigger();
}

void SessionWorkflowTest::runBriefly(MainWindow *window)
{
    // A window nobody sees gets no ticks.
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    trigger(window, u"start"_s);
    QSignalSpy ticks(window->findChild<Stopwatch *>(), &Stopwatch::time);
    QVERIFY(ticks.wait());
    trigger(window, u"pause"_s);
}

void SessionWorkflowTest::takeLap(MainWindow *window)
{
    // A window nobody sees gets no ticks; the callers go on to type into it.
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    trigger(window, u"start"_s);
    QSignalSpy ticks(window->findChild<Stopwatch *>(), &Stopwatch::time);
    QVERIFY(ticks.wait());
    trigger(window, u"lap"_s);
    trigger(window, u"pause"_s);
}

void SessionWorkflowTest::closeQuestions_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("timesStored");

    const QString lose = u"Do you want to quit and lose your unsaved times?"_s;
    const QString save = u"Save times to session Stored run?"_s;

    QTest::newRow("inactive") << u"inactive"_s << QString() << QString() << true << false;
    QTest::newRow("running, quit") << u"running"_s << buttonText(KStandardGuiItem::quit()) << lose << true << false;
    QTest::newRow("running, cancel") << u"running"_s << buttonText(KStandardGuiItem::cancel()) << lose << false << false;
    QTest::newRow("never stored, quit") << u"paused"_s << buttonText(KStandardGuiItem::quit()) << lose << true << false;
    QTest::newRow("stored unchanged") << u"stored"_s << QString() << QString() << true << false;
    QTest::newRow("stored changed, save") << u"stored changed"_s << buttonText(KStandardGuiItem::save()) << save << true << true;
    QTest::newRow("stored changed, don't save") << u"stored changed"_s << buttonText(KStandardGuiItem::dontSave()) << save << true << false;
    QTest::newRow("stored changed, cancel") << u"stored changed"_s << buttonText(KStandardGuiItem::cancel()) << save << false << false;
}

void SessionWorkflowTest::closeQuestions()
{
    QFETCH(QString, situation);
    QFETCH(QString, answer);
    QFETCH(QString, question);
    QFETCH(bool, closes);
    QFETCH(bool, timesStored);

    const Session stored = storedSession(5000, u"Stored run"_s);
    m_store->append(stored);

    MainWindow *window = nullptr;
    if (situation.startsWith(u"stored")) {
        window = makeWindow(stored);
        if (situation == u"stored changed") {
            runBriefly(window);
        }
    } else {
        window = makeWindow(Session(0, QDateTime::currentDateTime()));
        if (situation == u"running") {
            trigger(window, u"start"_s);
        } else if (situation == u"paused") {
            runBriefly(window);
        }
    }
    auto stopwatch = window->findChild<Stopwatch *>();

    std::unique_ptr<DialogAnswerer> answerer;
    if (!answer.isEmpty()) {
        answerer = std::make_unique<DialogAnswerer>(answer);
    }
    QCOMPARE(window->close(), closes);

    if (answerer) {
        QVERIFY(answerer->answered());
        QVERIFY2(answerer->texts().contains(question), qPrintable(answerer->texts().join(u" | ")));
    }
    if (!closes) {
        // A refused close leaves the stopwatch paused, not resumed.
        QVERIFY(stopwatch->isPaused());
    }
    QCOMPARE(m_store->rowCount(), 1);
    QCOMPARE(storedAt(m_store.get(), 0).time() > 5000, timesStored);
}

void SessionWorkflowTest::saveAsWithEmptyName()
{
    MainWindow *window = makeWindow(Session(0, QDateTime::currentDateTime()));
    runBriefly(window);
    QVERIFY(window->isWindowModified());

    DialogAnswerer answerer(u"OK"_s);
    trigger(window, u"file_save_as"_s);
    QVERIFY(answerer.answered());
    QVERIFY(answerer.texts().contains(u"You can choose a name for this session:"_s));

    QCOMPARE(m_store->rowCount(), 1);
    const Session saved = storedAt(m_store.get(), 0);
    QCOMPARE(saved.name(), u"Untitled session"_s);
    QCOMPARE(saved.time(), window->findChild<Stopwatch *>()->accumulatedTime());
    QCOMPARE(window->windowTitle(), u"Untitled session[*]"_s);
    QVERIFY(!window->isWindowModified());
    // Save only becomes available after the next run and pause.
    QVERIFY(!window->actionCollection()->action(u"file_save"_s)->isEnabled());
    runBriefly(window);
    QVERIFY(window->actionCollection()->action(u"file_save"_s)->isEnabled());

    // Closing now asks about the stored session by name; answering Cancel keeps it open.
    DialogAnswerer cancel(buttonText(KStandardGuiItem::cancel()));
    QVERIFY(!window->close());
    QVERIFY(cancel.texts().contains(u"Save times to session Untitled session?"_s));
}

void SessionWorkflowTest::saveAsTwiceWithOneName()
{
    MainWindow *window = makeWindow(Session(0, QDateTime::currentDateTime()));
    runBriefly(window);
    for (int i = 0; i < 2; ++i) {
        DialogAnswerer answerer(u"OK"_s, u"Intervals"_s);
        trigger(window, u"file_save_as"_s);
        QVERIFY(answerer.answered());
    }
    QCOMPARE(m_store->rowCount(), 2);
    QCOMPARE(storedAt(m_store.get(), 0).name(), u"Intervals"_s);
    QCOMPARE(storedAt(m_store.get(), 1).name(), u"Intervals"_s);
    QVERIFY(storedAt(m_store.get(), 0) != storedAt(m_store.get(), 1));
}

void SessionWorkflowTest::lapsAreSavedInTakenOrderWithNotes()
{
    MainWindow *window = makeWindow(Session(0, QDateTime::currentDateTime()));
    auto lapModel = window->findChild<LapModel *>();
    auto view = window->findChild<QTableView *>(u"lapView"_s);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    trigger(window, u"start"_s);
    for (int i = 0; i < 3; ++i) {
        QSignalSpy ticks(window->findChild<Stopwatch *>(), &Stopwatch::time);
        QVERIFY(ticks.wait());
        trigger(window, u"lap"_s);
    }
    trigger(window, u"pause"_s);
    const int noteColumn = lapModel->columnForRole(LapModel::NoteRole);
    QVERIFY(lapModel->setData(lapModel->index(0, noteColumn), u"zeta"_s, Qt::EditRole));
    QVERIFY(lapModel->setData(lapModel->index(1, noteColumn), u"alpha"_s, Qt::EditRole));
    view->sortByColumn(noteColumn, Qt::AscendingOrder);
    QCOMPARE(view->model()->index(0, noteColumn).data().toString(), QString());

    DialogAnswerer answerer(u"OK"_s);
    trigger(window, u"file_save_as"_s);
    const QList<Lap> laps = storedAt(m_store.get(), 0).laps();
    QCOMPARE(laps.size(), 3);
    QVERIFY(laps.at(0).time() <= laps.at(1).time());
    QVERIFY(laps.at(1).time() <= laps.at(2).time());
    QCOMPARE(laps.at(0).note(), u"zeta"_s);
    QCOMPARE(laps.at(1).note(), u"alpha"_s);
    QCOMPARE(laps.at(2).note(), QString());
}

void SessionWorkflowTest::saveAfterTheStoredCopyWasRemovedStoresAnew()
{
    const Session stored = storedSession(5000, u"Removed meanwhile"_s);
    m_store->append(stored);
    MainWindow *window = makeWindow(stored);
    runBriefly(window);
    const int time = window->findChild<Stopwatch *>()->accumulatedTime();

    QVERIFY(m_store->removeRows(0, 1, QModelIndex()));
    trigger(window, u"file_save"_s);

    QCOMPARE(m_store->rowCount(), 1);
    const Session saved = storedAt(m_store.get(), 0);
    QCOMPARE(saved.name(), u"Removed meanwhile"_s);
    QCOMPARE(saved.note(), u"windy"_s);
    QCOMPARE(saved.time(), time);
    QCOMPARE(saved.laps().size(), 1);
    QCOMPARE(saved.laps().first().note(), u"warm-up"_s);
    QVERIFY(!window->isWindowModified());
    // The window now stands for the new copy: closing it asks nothing.
    QVERIFY(window->close());
}

void SessionWorkflowTest::editedNoteIsSaved_data()
{
    QTest::addColumn<bool>("savedAs");
    // Whether the note is committed with Return before Save, or still being typed.
    QTest::addColumn<bool>("committed");

    QTest::newRow("opened session, note committed") << false << true;
    QTest::newRow("opened session, note still being typed") << false << false;
    QTest::newRow("just saved as, note committed") << true << true;
}

void SessionWorkflowTest::editedNoteIsSaved()
{
    QFETCH(bool, savedAs);
    QFETCH(bool, committed);

    MainWindow *window = nullptr;
    if (savedAs) {
        window = makeWindow(Session(0, QDateTime::currentDateTime()));
        takeLap(window);
        DialogAnswerer answerer(u"OK"_s, u"Stored run"_s);
        trigger(window, u"file_save_as"_s);
        QVERIFY(answerer.answered());
    } else {
        m_store->append(storedSession(5000, u"Stored run"_s));
        window = makeWindow(storedAt(m_store.get(), 0));
    }
    window->show();
    // The name prompt may have left the window shown but inactive.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QVERIFY(!window->isWindowModified());

    auto view = window->findChild<QTableView *>(u"lapView"_s);
    const QModelIndex index = view->model()->index(0, window->findChild<LapModel *>()->columnForRole(LapModel::NoteRole));
    view->setCurrentIndex(index);
    view->edit(index);
    auto editor = view->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, u"tempo"_s);
    if (committed) {
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(window->isWindowModified());
    }

    trigger(window, u"file_save"_s);
    QCOMPARE(m_store->rowCount(), 1);
    QCOMPARE(storedAt(m_store.get(), 0).laps().first().note(), u"tempo"_s);
    QVERIFY(!window->isWindowModified());

    // Saved: closing has nothing to ask.
    DialogAnswerer unexpected(buttonText(KStandardGuiItem::cancel()));
    QVERIFY(window->close());
    QVERIFY(!unexpected.answered());
}

void SessionWorkflowTest::failedSaveIsShownAndKeepsTheTimes_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("question");

    QTest::newRow("save as") << false << u"Do you want to quit and lose your unsaved times?"_s;
    QTest::newRow("save") << true << u"Save times to session Stored run?"_s;
}

void SessionWorkflowTest::failedSaveIsShownAndKeepsTheTimes()
{
    QFETCH(bool, stored);
    QFETCH(QString, question);

    MainWindow *window = nullptr;
    if (stored) {
        m_store->append(storedSession(5000, u"Stored run"_s));
        window = makeWindow(storedAt(m_store.get(), 0));
    } else {
        window = makeWindow(Session(0, QDateTime::currentDateTime()));
    }
    runBriefly(window);
    const int time = window->findChild<Stopwatch *>()->accumulatedTime();
    const QString title = window->windowTitle();
    auto message = window->findChild<KMessageWidget *>(u"saveErrorMessage"_s);
    QVERIFY(message);
    QVERIFY(message->isHidden());

    // A file where the data folder should be: nothing below it can be written, not even by root.
    const QString moved = dataDir() + u".moved"_s;
    QDir(moved).removeRecursively();
    QVERIFY(QDir().rename(dataDir(), moved));
    QVERIFY(writeFile(dataDir(), "not a folder"));

    if (stored) {
        trigger(window, u"file_save"_s);
    } else {
        DialogAnswerer answerer(u"OK"_s, u"Tempo"_s);
        trigger(window, u"file_save_as"_s);
        QVERIFY(answerer.answered());
    }
    QVERIFY(!message->isHidden());
    QVERIFY2(message->text().contains(sessionsPath()), qPrintable(message->text()));
    QVERIFY2(message->text().contains(u"Not a directory"_s), qPrintable(message->text()));
    QVERIFY(window->isWindowModified());
    QCOMPARE(window->windowTitle(), title);

    // Closing still asks; even its Save cannot lose the times while saving fails.
    {
        DialogAnswerer answerer(buttonText(stored ? KStandardGuiItem::save() : KStandardGuiItem::cancel()));
        QVERIFY(!window->close());
        QVERIFY2(answerer.texts().contains(question), qPrintable(answerer.texts().join(u" | ")));
    }
    QVERIFY(window->isWindowModified());

    // Once the folder is back, trying again from the message saves.
    QVERIFY(QFile::remove(dataDir()));
    QVERIFY(QDir().rename(moved, dataDir()));
    QVERIFY(!message->actions().isEmpty());
    message->actions().first()->trigger();
    QTRY_VERIFY(message->isHidden());
    QVERIFY(!window->isWindowModified());
    QCOMPARE(m_store->rowCount(), 1);
    QCOMPARE(storedAt(m_store.get(), 0).time(), time);
    QCOMPARE(storedAt(m_store.get(), 0).name(), stored ? u"Stored run"_s : u"Tempo"_s);
}

void SessionWorkflowTest::newOpensAnIndependentWindow()
{
    MainWindow *window = makeWindow(Session(0, QDateTime::currentDateTime()));
    trigger(window, u"start"_s);
    const auto before = QApplication::topLevelWidgets();
    trigger(window, u"file_new"_s);
    MainWindow *second = nullptr;
    const auto after = QApplication::topLevelWidgets();
    for (QWidget *widget : after) {
        if (auto window = qobject_cast<MainWindow *>(widget); window && !before.contains(widget)) {
            second = window;
        }
    }
    QVERIFY(second);
    m_windows << second;
    QCOMPARE(second->windowTitle(), u"Untitled[*]"_s);
    QVERIFY(second->findChild<Stopwatch *>()->isInactive());
    QVERIFY(window->findChild<Stopwatch *>()->isRunning());
}

void SessionWorkflowTest::openShowsTheChosenSessionInANewWindow_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void SessionWorkflowTest::openShowsTheChosenSessionInANewWindow()
{
    QFETCH(bool, accept);

    Session stored = storedSession(83000, u"Hill repeats"_s);
    m_store->append(stored);
    MainWindow *window = makeWindow(Session(0, QDateTime::currentDateTime()));
    window->show();

    const auto before = QApplication::topLevelWidgets();
    trigger(window, u"file_open"_s);
    auto dialog = window->findChild<QDialog *>(u"SessionDialog"_s);
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    auto view = dialog->findChild<QTableView *>();
    view->selectRow(0);
    if (accept) {
        dialog->accept();
    } else {
        dialog->reject();
    }

    MainWindow *opened = nullptr;
    const auto after = QApplication::topLevelWidgets();
    for (QWidget *widget : after) {
        if (auto candidate = qobject_cast<MainWindow *>(widget); candidate && !before.contains(widget)) {
            opened = candidate;
        }
    }
    QCOMPARE(opened != nullptr, accept);
    QTRY_VERIFY(!window->findChild<QDialog *>(u"SessionDialog"_s));
    if (!accept) {
        return;
    }
    m_windows << opened;
    QCOMPARE(opened->windowTitle(), u"Hill repeats[*]"_s);
    QVERIFY(opened->findChild<Stopwatch *>()->isPaused());
    QCOMPARE(opened->findChild<Stopwatch *>()->accumulatedTime(), 83000);
    QCOMPARE(opened->findChild<LapModel *>()->rowCount(), 1);
    QVERIFY(opened->actionCollection()->action(u"file_save"_s)->isEnabled());
}

void SessionWorkflowTest::promptsRefuseCommandsFromOutside_data()
{
    QTest::addColumn<bool>("closing");
    QTest::newRow("name prompt of Save As") << false;
    QTest::newRow("save question before closing") << true;
}

void SessionWorkflowTest::promptsRefuseCommandsFromOutside()
{
    QFETCH(bool, closing);

    MainWindow *window = nullptr;
    if (closing) {
        m_store->append(storedSession(5000, u"Stored run"_s));
        window = makeWindow(storedAt(m_store.get(), 0));
    } else {
        window = makeWindow(Session(0, QDateTime::currentDateTime()));
    }
    runBriefly(window);
    auto stopwatch = window->findChild<Stopwatch *>();
    auto control = window->findChild<StopwatchControl *>();
    QVERIFY(control);
    QVERIFY(!control->hasOpenDialog());
    const int paused = stopwatch->currentTime();

    // What the command line, the bus, the global shortcuts and the tray do, all through the control.
    bool dialogSeen = false;
    QList<bool> done;
    DuringNextDialog during(
        [&] {
            dialogSeen = control->hasOpenDialog();
            done << control->start() << control->toggle() << control->reset() << control->lap(QString());
        },
        closing ? buttonText(KStandardGuiItem::save()) : u"OK"_s,
        closing ? QString() : u"Tempo"_s);
    if (closing) {
        QVERIFY(window->close());
    } else {
        trigger(window, u"file_save_as"_s);
    }
    QVERIFY(during.answered());
    QVERIFY(dialogSeen);
    QCOMPARE(done, (QList<bool>{false, false, false, false}));

    QCOMPARE(m_store->rowCount(), 1);
    QCOMPARE(storedAt(m_store.get(), 0).time(), paused);
    if (closing) {
        return;
    }
    QVERIFY(stopwatch->isPaused());
    QVERIFY(!window->isWindowModified());
    // Once answered, the window takes commands again.
    QVERIFY(control->start());
    QVERIFY(window->isWindowModified());
}

void SessionWorkflowTest::saveKeepsUpWithARunThatGoesOn_data()
{
    QTest::addColumn<bool>("closing");
    QTest::newRow("name prompt of Save As") << false;
    QTest::newRow("save question before closing") << true;
}

void SessionWorkflowTest::saveKeepsUpWithARunThatGoesOn()
{
    QFETCH(bool, closing);

    MainWindow *window = nullptr;
    if (closing) {
        m_store->append(storedSession(5000, u"Stored run"_s));
        window = makeWindow(storedAt(m_store.get(), 0));
    } else {
        window = makeWindow(Session(0, QDateTime::currentDateTime()));
    }
    runBriefly(window);
    auto stopwatch = window->findChild<Stopwatch *>();
    const int paused = stopwatch->currentTime();

    // Whatever starts the stopwatch while the dialog waits, the answer must not lose the run.
    bool ticked = false;
    DuringNextDialog during(
        [&] {
            stopwatch->start();
            QSignalSpy ticks(stopwatch, &Stopwatch::time);
            ticked = ticks.wait();
        },
        closing ? buttonText(KStandardGuiItem::save()) : u"OK"_s,
        closing ? QString() : u"Tempo"_s);
    if (closing) {
        // A window whose stopwatch runs on stays open.
        QVERIFY(!window->close());
    } else {
        trigger(window, u"file_save_as"_s);
    }
    QVERIFY(during.answered());
    QVERIFY(ticked);
    QVERIFY(stopwatch->isRunning());

    // Stored as it was when written, and marked modified, since the stopwatch is ahead of it.
    QCOMPARE(m_store->rowCount(), 1);
    const int stored = storedAt(m_store.get(), 0).time();
    QVERIFY2(stored > paused, qPrintable(u"%1 <= %2"_s.arg(stored).arg(paused)));
    QVERIFY(stored <= stopwatch->currentTime());
    QVERIFY(window->isWindowModified());

    trigger(window, u"pause"_s);
    trigger(window, u"file_save"_s);
    QCOMPARE(storedAt(m_store.get(), 0).time(), stopwatch->currentTime());
    QVERIFY(!window->isWindowModified());
    DialogAnswerer unexpected(buttonText(KStandardGuiItem::cancel()));
    QVERIFY(window->close());
    QVERIFY(!unexpected.answered());
}

QTEST_MAIN(SessionWorkflowTest)

#include "sessionworkflowtest.moc"
