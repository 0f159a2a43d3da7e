// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "dialoganswerer.h"
#include "lap.h"
#include "lapmodel.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"

#include <KActionCollection>
#include <KConfig>
#include <KConfigGroup>
#include <KLocalizedString>
#include <KStandardAction>
#include <KStandardGuiItem>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
// What the session manager calls at logout, reachable from the test.
class LoggedOutWindow : public MainWindow
{
public:
    using MainWindow::MainWindow;
    using MainWindow::saveProperties;
};
}

class LapNoteDelegateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void editorKeepsReturnFromTheLapAction_data();
    void editorKeepsReturnFromTheLapAction();
    void droppedEditorGivesTheKeysBack();
    void userShortcutsSurviveTheEditor_data();
    void userShortcutsSurviveTheEditor();
    void closingWithAnOpenEditor_data();
    void closingWithAnOpenEditor();
    void lapFromOutsideLeavesTheNoteBeingTyped_data();
    void lapFromOutsideLeavesTheNoteBeingTyped();
    void whatReadsTheLapsTakesTheNoteBeingTyped_data();
    void whatReadsTheLapsTakesTheNoteBeingTyped();

private:
    QLineEdit *openNoteEditor(int row);
    // Types @p text as a keyboard does: each key goes to whatever has the focus then.
    static void typeAtFocus(const QString &text);
    [[nodiscard]] bool lapHasItsKeys() const;

    std::unique_ptr<SessionModel> m_store;
    std::unique_ptr<MainWindow> m_window;
    LapModel *m_lapModel = nullptr;
    QTableView *m_view = nullptr;
    QAction *m_lapAction = nullptr;
};

void LapNoteDelegateTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void LapNoteDelegateTest::init()
{
    TickwardenConfig::self()->setDefaults();
    // Each row finds only the sessions it stored itself.
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    m_store = std::make_unique<SessionModel>();
    m_window = std::make_unique<LoggedOutWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
    m_lapModel = m_window->findChild<LapModel *>();
    m_view = m_window->findChild<QTableView *>(u"lapView"_s);
    m_lapAction = m_window->actionCollection()->action(u"lap"_s);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_window->actionCollection()->action(u"start"_s)->trigger();
    m_lapAction->trigger();
    QCOMPARE(m_lapModel->rowCount(), 1);
}

void LapNoteDelegateTest::cleanup()
{
    m_window.reset();
    m_store.reset();
}

QLineEdit *LapNoteDelegateTest::openNoteEditor(int row)
{
    const QModelIndex index = m_view->model()->index(row, m_lapModel->columnForRole(LapModel::NoteRole));
    m_view->setCurrentIndex(index);
    m_view->edit(index);
    // A closed editor lingers until it is deleted; ask for the one open now.
    return qobject_cast<QLineEdit *>(m_view->indexWidget(index));
}

void LapNoteDelegateTest::typeAtFocus(const QString &text)
{
    for (const QChar c : text) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        QTest::keyClick(focus, c.toLatin1());
    }
}

bool LapNoteDelegateTest::lapHasItsKeys() const
{
    return m_lapAction->shortcuts() == QList<QKeySequence>{QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};
}

void LapNoteDelegateTest::editorKeepsReturnFromTheLapAction_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("note");

    QTest::newRow("Return commits") << int(Qt::Key_Return) << u"first bend"_s;
    QTest::newRow("keypad Enter commits") << int(Qt::Key_Enter) << u"first bend"_s;
    QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << QString();
}

void LapNoteDelegateTest::editorKeepsReturnFromTheLapAction()
{
    QFETCH(int, key);
    QFETCH(QString, note);

    QVERIFY(lapHasItsKeys());
    QLineEdit *editor = openNoteEditor(0);
    QVERIFY(editor);
    QVERIFY(m_lapAction->shortcuts().isEmpty());

    QTest::keyClicks(editor, u"first bend"_s);
    QTest::keyClick(editor, Qt::Key(key));

    // The delegate commits and closes from the event loop.
    QTRY_VERIFY(lapHasItsKeys());
    QCOMPARE(m_lapModel->rowCount(), 1);
    QCOMPARE(m_lapModel->index(0, 0).data(LapModel::NoteRole).toString(), note);

    // With the editor closed, Return takes laps again.
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QCOMPARE(m_lapModel->rowCount(), 2);
}

void LapNoteDelegateTest::droppedEditorGivesTheKeysBack()
{
    QLineEdit *editor = openNoteEditor(0);
    QVERIFY(editor);
    QVERIFY(m_lapAction->shortcuts().isEmpty());

    // Reset empties the lap table under the open editor; the view drops it silently.
    m_window->actionCollection()->action(u"reset"_s)->trigger();
    QTRY_VERIFY(lapHasItsKeys());

    m_window->actionCollection()->action(u"start"_s)->trigger();
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QCOMPARE(m_lapModel->rowCount(), 1);
}

void LapNoteDelegateTest::userShortcutsSurviveTheEditor_data()
{
    QTest::addColumn<QList<QKeySequence>>("chosen");

    QTest::newRow("own key") << QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_L)};
    QTest::newRow("own key beside Return") << QList<QKeySequence>{QKeySequence(Qt::Key_L), QKeySequence(Qt::Key_Return)};
    QTest::newRow("no key at all") << QList<QKeySequence>{};
}

void LapNoteDelegateTest::userShortcutsSurviveTheEditor()
{
    QFETCH(QList<QKeySequence>, chosen);
    const QList<QKeySequence> defaults{QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};

    // What the shortcut dialog does when the user picks other keys.
    m_lapAction->setShortcuts(chosen);

    // Two editors in a row: the second must not take the first one's stand-in as the
    // user's choice.
    for (int round = 0; round < 2; ++round) {
        QLineEdit *editor = openNoteEditor(0);
        QVERIFY(editor);
        QVERIFY(m_lapAction->shortcuts().isEmpty());
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_COMPARE(m_lapAction->shortcuts(), chosen);
        QCOMPARE(m_window->actionCollection()->defaultShortcuts(m_lapAction), defaults);
    }

    if (!chosen.isEmpty()) {
        QTest::keySequence(m_window.get(), chosen.constFirst());
        QCOMPARE(m_lapModel->rowCount(), 2);
    }
    if (!chosen.contains(QKeySequence(Qt::Key_Return))) {
        const int rows = m_lapModel->rowCount();
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QCOMPARE(m_lapModel->rowCount(), rows);
    }
}

void LapNoteDelegateTest::closingWithAnOpenEditor_data()
{
    QTest::addColumn<QString>("how");
    // What is typed into the open editor; nothing when empty.
    QTest::addColumn<QString>("typed");
    // The button that answers the question about the stored session; none is asked when empty.
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("storedNote");

    const QString save = buttonText(KStandardGuiItem::save());
    const QString dontSave = buttonText(KStandardGuiItem::dontSave());
    const QString cancel = buttonText(KStandardGuiItem::cancel());

    QTest::newRow("quit, nothing typed") << u"quit"_s << QString() << QString() << true << u"warm-up"_s;
    QTest::newRow("close, nothing typed") << u"close"_s << QString() << QString() << true << u"warm-up"_s;
    QTest::newRow("deleted, nothing typed") << u"delete"_s << QString() << QString() << true << u"warm-up"_s;
    QTest::newRow("deleted, note typed") << u"delete"_s << u"uphill"_s << QString() << true << u"warm-up"_s;
    QTest::newRow("quit, note typed, save") << u"quit"_s << u"uphill"_s << save << true << u"uphill"_s;
    QTest::newRow("close, note typed, don't save") << u"close"_s << u"uphill"_s << dontSave << true << u"warm-up"_s;
    QTest::newRow("close, note typed, cancel") << u"close"_s << u"uphill"_s << cancel << false << u"warm-up"_s;
}

void LapNoteDelegateTest::closingWithAnOpenEditor()
{
    QFETCH(QString, how);
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QFETCH(bool, closes);
    QFETCH(QString, storedNote);

    // A stored session, opened and left unchanged: closing it asks nothing by itself.
    Session stored(65000, QDateTime::currentDateTime().addSecs(-60));
    stored.setName(u"Stored run"_s);
    Lap lap = Lap::fromMilliseconds(30000);
    lap.setNote(u"warm-up"_s);
    stored.addLap(lap);
    QVERIFY(m_store->append(stored));

    QPointer<MainWindow> window = new MainWindow(m_store.get(), nullptr, stored);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto view = window->findChild<QTableView *>(u"lapView"_s);
    auto lapModel = window->findChild<LapModel *>();
    const QModelIndex index = view->model()->index(0, lapModel->columnForRole(LapModel::NoteRole));
    view->setCurrentIndex(index);
    view->edit(index);
    auto editor = view->findChild<QLineEdit *>();
    QVERIFY(editor);
    if (!typed.isEmpty()) {
        editor->selectAll();
        QTest::keyClicks(editor, typed);
    }

    // Without an expected question, a question that comes all the same is cancelled.
    DialogAnswerer answerer(answer.isEmpty() ? buttonText(KStandardGuiItem::cancel()) : answer);
    if (how == u"delete") {
        delete window.data();
    } else if (how == u"quit") {
        window->actionCollection()->action(KStandardAction::name(KStandardAction::Quit))->trigger();
    } else {
        window->close();
    }
    QCOMPARE(answerer.answered(), !answer.isEmpty());

    const auto storedLaps = [this] {
        return m_store->index(0, 0).data(SessionModel::SessionRole).value<Session>().laps();
    };
    QCOMPARE(storedLaps().size(), 1);
    QCOMPARE(storedLaps().first().note(), storedNote);
    if (closes) {
        QTRY_VERIFY(!window);
        return;
    }
    // Refused: the typed note stays in the window, waiting to be saved.
    QVERIFY(window->isVisible());
    QVERIFY(!view->findChild<QLineEdit *>() || !view->findChild<QLineEdit *>()->isVisible());
    QCOMPARE(lapModel->index(0, 0).data(LapModel::NoteRole).toString(), typed);
    QVERIFY(window->isWindowModified());
    delete window.data();
}

void LapNoteDelegateTest::lapFromOutsideLeavesTheNoteBeingTyped_data()
{
    // The table's sorting: -1 for the order taken, else the column sorted newest first,
    // which puts the new lap above the note being typed.
    QTest::addColumn<int>("sortRole");
    // The note a lap from outside comes with, as the bus and the command line may give one.
    QTest::addColumn<QString>("lapNote");

    QTest::newRow("order taken") << -1 << QString();
    QTest::newRow("order taken, lap with a note") << -1 << u"split"_s;
    QTest::newRow("newest first") << int(LapModel::LapNumberRole) << QString();
    QTest::newRow("by time since the start, newest first") << int(LapModel::AbsoluteTimeRole) << u"split"_s;
}

void LapNoteDelegateTest::lapFromOutsideLeavesTheNoteBeingTyped()
{
    QFETCH(int, sortRole);
    QFETCH(QString, lapNote);

    m_lapAction->trigger();
    QCOMPARE(m_lapModel->rowCount(), 2);
    if (sortRole >= 0) {
        m_view->sortByColumn(m_lapModel->columnForRole(sortRole), Qt::DescendingOrder);
    }
    // The first lap, wherever the sorting shows it (the running lap has a row as well).
    int firstLapRow = 0;
    while (m_view->model()->index(firstLapRow, 0).data(LapModel::LapNumberRole) != QVariant(1)) {
        QVERIFY(++firstLapRow < m_view->model()->rowCount());
    }
    QVERIFY(openNoteEditor(firstLapRow));
    typeAtFocus(u"warm"_s);

    auto control = m_window->findChild<StopwatchControl *>();
    QVERIFY(control);
    QVERIFY(control->lap(lapNote));
    QCOMPARE(m_lapModel->rowCount(), 3);

    // The rest of the note still goes to the editor: once the editor had lost the keyboard,
    // Space would pause, Delete would delete the selected lap and Return would take a lap.
    typeAtFocus(u" up"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(lapHasItsKeys());

    QVERIFY(m_window->findChild<Stopwatch *>()->isRunning());
    QCOMPARE(m_lapModel->rowCount(), 3);
    QCOMPARE(m_lapModel->index(0, 0).data(LapModel::NoteRole).toString(), u"warm up"_s);
    QCOMPARE(m_lapModel->index(1, 0).data(LapModel::NoteRole).toString(), QString());
    QCOMPARE(m_lapModel->index(2, 0).data(LapModel::NoteRole).toString(), lapNote);
}

void LapNoteDelegateTest::whatReadsTheLapsTakesTheNoteBeingTyped_data()
{
    QTest::addColumn<QString>("how");
    // Whether the run was saved under a name before the note is typed.
    QTest::addColumn<bool>("named");

    QTest::newRow("save from outside") << u"bus save"_s << true;
    QTest::newRow("save as") << u"save as"_s << false;
    QTest::newRow("export csv") << u"export csv"_s << false;
    QTest::newRow("export json") << u"export json"_s << false;
    QTest::newRow("copy laps") << u"copy laps"_s << false;
    QTest::newRow("reset, then undo") << u"reset"_s << false;
    QTest::newRow("reset from outside, then undo") << u"bus reset"_s << false;
    QTest::newRow("laps from outside") << u"bus laps"_s << false;
    QTest::newRow("close from outside") << u"bus close"_s << true;
    QTest::newRow("logout") << u"logout"_s << false;
}

void LapNoteDelegateTest::whatReadsTheLapsTakesTheNoteBeingTyped()
{
    QFETCH(QString, how);
    QFETCH(bool, named);

    auto control = m_window->findChild<StopwatchControl *>();
    QVERIFY(control);
    m_window->actionCollection()->action(u"pause"_s)->trigger();
    if (named) {
        QVERIFY(control->saveAs(u"Stored run"_s).stored);
        QVERIFY(!m_window->isWindowModified());
    }
    QVERIFY(openNoteEditor(0));
    typeAtFocus(u"warm"_s);

    QTemporaryDir dir;
    // What the path read, or left in the window to read later.
    QString read;
    const auto note = [this] {
        return m_lapModel->index(0, 0).data(LapModel::NoteRole).toString();
    };
    const auto storedNote = [this] {
        return m_store->index(m_store->rowCount() - 1, 0).data(SessionModel::SessionRole).value<Session>().laps().value(0).note();
    };
    const auto trigger = [this](const QString &name) {
        m_window->actionCollection()->action(name)->trigger();
    };
    if (how == u"bus save") {
        QVERIFY(control->save().stored);
        read = storedNote();
    } else if (how == u"save as") {
        DialogAnswerer answerer(u"OK"_s, u"Stored run"_s);
        trigger(KStandardAction::name(KStandardAction::SaveAs));
        QVERIFY(answerer.answered());
        read = storedNote();
    } else if (how.startsWith(u"export ")) {
        const bool csv = how.endsWith(u"csv");
        const QString path = dir.filePath(csv ? u"laps.csv"_s : u"laps.json"_s);
        m_window->exportLapsAs(path, csv ? u"text/csv"_s : u"application/json"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        read = QString::fromUtf8(file.readAll());
    } else if (how == u"copy laps") {
        trigger(u"copy_laps"_s);
        read = QGuiApplication::clipboard()->text();
    } else if (how == u"reset") {
        trigger(u"reset"_s);
        QCOMPARE(m_lapModel->rowCount(), 0);
        trigger(KStandardAction::name(KStandardAction::Undo));
        read = note();
    } else if (how == u"bus reset") {
        QVERIFY(control->reset());
        QCOMPARE(m_lapModel->rowCount(), 0);
        QVERIFY(control->undo());
        read = note();
    } else if (how == u"bus laps") {
        read = control->laps().value(0).note();
        // Only read: the note stays in its editor, which keeps the keyboard for the rest.
        QVERIFY(!lapHasItsKeys());
        QCOMPARE(note(), QString());
        typeAtFocus(u" up"_s);
        QCOMPARE(control->laps().value(0).note(), u"warm up"_s);
        // The delegate hands a note in after Return, once the key's event is done.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(note(), u"warm up"_s);
    } else if (how == u"bus close") {
        // Unsaved now, so it is not the bus's to close, and nobody is there to be asked.
        DialogAnswerer unexpected(buttonText(KStandardGuiItem::cancel()));
        QVERIFY(!control->close());
        QVERIFY(!unexpected.answered());
        QVERIFY(m_window->isVisible());
        QVERIFY(m_window->isWindowModified());
        read = note();
    } else if (how == u"logout") {
        KConfig config(dir.filePath(u"session"_s), KConfig::SimpleConfig);
        KConfigGroup group(&config, u"Window"_s);
        static_cast<LoggedOutWindow *>(m_window.get())->saveProperties(group);
        read = group.entryMap().values().join(u' ');
    }
    QVERIFY2(read.contains(u"warm"_s), qPrintable(read));
    // The editor handed its text in and the keys back.
    QTRY_VERIFY(lapHasItsKeys());
}

QTEST_MAIN(LapNoteDelegateTest)

#include "lapnotedelegatetest.moc"
