// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessiondialog.h"
#include "sessionmodel.h"
#include "sessionsfiles.h"

#include <KMessageBox>
#include <KMessageWidget>
#include <KStandardGuiItem>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

// How the removal question is met.
enum class Answer {
    Remove,
    Cancel,
    CloseQuestion,
    StoredRemove,
    StoredCancel,
};
Q_DECLARE_METATYPE(Answer)

// How a session is opened from the list.
enum class Gesture {
    DoubleClick,
    OpenButton,
    ReturnKey,
};
Q_DECLARE_METATYPE(Gesture)

namespace
{
const QString emptyText = u"You don't have any saved session yet."_s;

Session makeSession(const QString &name, const QString &note, int time, const QDateTime &date)
{
    Session session(time, date);
    session.setName(name);
    session.setNote(note);
    return session;
}

// Ordered differently by store position, by name and by date.
QList<Session> threeSessions()
{
    return {
        makeSession(u"Morning run"_s, u"windy"_s, 95000, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
        makeSession(u"Intervals"_s, u"track"_s, 45000, QDateTime(QDate(2026, 2, 3), QTime(18, 30))),
        makeSession(u"Cooldown"_s, QString(), 30000, QDateTime(QDate(2026, 1, 20), QTime(7, 0))),
    };
}

const QStringList
    elevenNames{u"alpha"_s, u"Bravo"_s, u"charlie"_s, u"Delta"_s, u"echo"_s, u"Foxtrot"_s, u"golf"_s, u"Hotel"_s, u"india"_s, u"Juliet"_s, u"kilo"_s};

// Enough rows for two-digit session numbers; the dates are a shuffle of eleven January days.
QList<Session> elevenSessions()
{
    QList<Session> sessions;
    for (int row = 0; row < elevenNames.size(); ++row) {
        sessions.append(makeSession(elevenNames.at(row), QString(), 1000 * row, QDateTime(QDate(2026, 1, (row * 7) % 11 + 1), QTime(12, 0))));
    }
    return sessions;
}

QStringList names(const SessionModel &store)
{
    QStringList result;
    for (int row = 0; row < store.rowCount(); ++row) {
        result.append(store.data(store.index(row, 0), SessionModel::NameRole).toString());
    }
    return result;
}

QStringList notes(const SessionModel &store)
{
    QStringList result;
    for (int row = 0; row < store.rowCount(); ++row) {
        result.append(store.data(store.index(row, 0), SessionModel::NoteRole).toString());
    }
    return result;
}

// The dialog over a store, shown as the user would meet it.
struct Fixture {
    explicit Fixture(const QList<Session> &sessions)
    {
        for (const Session &session : sessions) {
            store.append(session);
        }
        dialog = std::make_unique<SessionDialog>(&store, nullptr);
        message = dialog->findChild<KMessageWidget *>(u"m_msgWidget"_s);
        view = dialog->findChild<QTableView *>(u"m_sessionView"_s);
        auto *buttonBox = dialog->findChild<QDialogButtonBox *>(u"m_buttonBox"_s);
        Q_ASSERT(message && view && buttonBox);
        openButton = buttonBox->button(QDialogButtonBox::Ok);
        cancelButton = buttonBox->button(QDialogButtonBox::Cancel);
        finished = std::make_unique<QSignalSpy>(dialog.get(), &QDialog::finished);
        dialog->show();
    }

    QModelIndex viewIndex(int row, int column) const
    {
        return view->model()->index(row, column);
    }

    void click(int row, int column, Qt::KeyboardModifiers modifiers = {}) const
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(viewIndex(row, column)).center());
    }

    void doubleClick(int row, int column) const
    {
        // A real double click starts with an ordinary click; the view takes its pressed cell from it.
        click(row, column);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(viewIndex(row, column)).center());
    }

    void clickHeader(int section) const
    {
        QHeaderView *header = view->horizontalHeader();
        QTest::mouseClick(header->viewport(),
                          Qt::LeftButton,
                          {},
                          QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2));
    }

    // The cell editor the view has open, if any.
    QLineEdit *editor() const
    {
        const QList<QLineEdit *> editors = view->viewport()->findChildren<QLineEdit *>();
        for (QLineEdit *editor : editors) {
            if (editor->isVisible()) {
                return editor;
            }
        }
        return nullptr;
    }

    // Types @p text into the cell as the user does, replacing what it held.
    void editCell(int row, int column, const QString &text) const
    {
        view->edit(viewIndex(row, column));
        QLineEdit *cellEditor = editor();
        QVERIFY(cellEditor);
        cellEditor->selectAll();
        QTest::keyClick(cellEditor, Qt::Key_Backspace);
        QTest::keyClicks(cellEditor, text);
        QTest::keyClick(cellEditor, Qt::Key_Return);
        QTRY_VERIFY(!editor());
    }

    SessionModel store;
    std::unique_ptr<SessionDialog> dialog;
    KMessageWidget *message = nullptr;
    QTableView *view = nullptr;
    QPushButton *openButton = nullptr;
    QPushButton *cancelButton = nullptr;
    std::unique_ptr<QSignalSpy> finished;
};

// Watches for the removal question while it lives and answers it by the button with the
// given text, or closes it when the text is empty.
class QuestionAnswerer : public QObject
{
public:
    explicit QuestionAnswerer(const QString &buttonText)
        : m_buttonText(buttonText)
    {
        // The question runs its own event loop inside the key press; polling finds it there.
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &QuestionAnswerer::answer);
        m_timer.start();
    }

    bool asked = false;
    QString title;
    QStringList labels;
    QString defaultButton;

private:
    void answer()
    {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        m_timer.stop();
        asked = true;
        title = box->windowTitle();
        const QList<QLabel *> boxLabels = box->findChildren<QLabel *>();
        for (const QLabel *label : boxLabels) {
            labels.append(label->text());
        }
        QPushButton *chosen = nullptr;
        const QList<QPushButton *> buttons = box->findChildren<QPushButton *>();
        for (QPushButton *button : buttons) {
            if (button->isDefault()) {
                defaultButton = button->text();
            }
            if (button->text() == m_buttonText) {
                chosen = button;
            }
        }
        if (chosen) {
            chosen->click();
        } else {
            box->reject();
        }
    }

    QString m_buttonText;
    QTimer m_timer;
};
}

class SessionDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void initialState_data();
    void initialState();
    void openFollowsSelection();
    void newRun_data();
    void newRun();
    void openSession_data();
    void openSession();
    void removeSession_data();
    void removeSession();
    void removingLastSessionShowsMessage();
    void sessionAddedWhileOpen();
    void sessionsChangedElsewhereShow();
    void editsAfterAnotherStoreWrote_data();
    void editsAfterAnotherStoreWrote();
    void failedRenameIsShown();
    void sortingKeepsStorePositions_data();
    void sortingKeepsStorePositions();
    void rejectKeepsEdits_data();
    void rejectKeepsEdits();
};

void SessionDialogTest::initTestCase()
{
    QVERIFY(useTestDataDir());
}

void SessionDialogTest::init()
{
    QVERIFY(makeEmptyDataDir());
    KMessageBox::enableMessage(u"delete-session"_s);
}

void SessionDialogTest::cleanup()
{
    KMessageBox::enableMessage(u"delete-session"_s);
    QDir(dataDir()).removeRecursively();
}

void SessionDialogTest::initialState_data()
{
    QTest::addColumn<QList<Session>>("sessions");

    QTest::newRow("empty store") << QList<Session>();
    QTest::newRow("three sessions") << threeSessions();
}

void SessionDialogTest::initialState()
{
    QFETCH(QList<Session>, sessions);
    Fixture f(sessions);
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));

    QCOMPARE(f.dialog->windowTitle(), u"Open Session"_s);
    QCOMPARE(f.openButton->text(), u"Open session"_s);
    QVERIFY(!f.openButton->isEnabled());
    QCOMPARE(f.view->model()->rowCount(), sessions.size());
    if (sessions.isEmpty()) {
        QTRY_VERIFY(f.message->isVisible());
        QCOMPARE(f.message->text(), emptyText);
        QCOMPARE(f.message->messageType(), KMessageWidget::Information);
        QCOMPARE(f.openButton->toolTip(), emptyText);
    } else {
        QVERIFY(!f.message->isVisible());
        QCOMPARE(f.openButton->toolTip(), QString());
        // A current row that nobody selected, as the view sets one when it gets the focus.
        f.view->selectionModel()->setCurrentIndex(f.viewIndex(0, 0), QItemSelectionModel::NoUpdate);
    }

    // Without a selected session, Delete neither asks nor removes anything.
    QuestionAnswerer answerer(KStandardGuiItem::remove().text());
    QTest::keyClick(f.view, Qt::Key_Delete);
    QCoreApplication::processEvents();
    QVERIFY(!answerer.asked);
    QCOMPARE(f.store.rowCount(), sessions.size());
    QVERIFY(f.finished->isEmpty());
}

void SessionDialogTest::openFollowsSelection()
{
    Fixture f(threeSessions());
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));

    f.click(1, 0);
    QVERIFY(f.openButton->isEnabled());
    f.click(1, 0, Qt::ControlModifier);
    QVERIFY(!f.view->selectionModel()->hasSelection());
    QVERIFY(!f.openButton->isEnabled());
}

void SessionDialogTest::newRun_data()
{
    QTest::addColumn<bool>("offered");
    QTest::newRow("offered") << true;
    QTest::newRow("not offered") << false;
}

void SessionDialogTest::newRun()
{
    QFETCH(bool, offered);
    Fixture f(threeSessions());
    f.dialog->setNewRunOffered(offered);
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
    auto newRun = f.dialog->findChild<QPushButton *>(u"newRunButton"_s);
    QVERIFY(newRun);
    QCOMPARE(newRun->isVisible(), offered);
    QVERIFY(!newRun->isEnabled());
    if (!offered) {
        return;
    }

    f.click(1, 0);
    QVERIFY(newRun->isEnabled());
    // The current row moves on without the selection: the selected session is the one taken.
    f.view->selectionModel()->setCurrentIndex(f.viewIndex(2, 0), QItemSelectionModel::NoUpdate);
    newRun->click();
    QCOMPARE(f.finished->count(), 1);
    QCOMPARE(f.finished->at(0).at(0).toInt(), int(QDialog::Accepted));
    QVERIFY(f.dialog->isNewRunRequested());
    const Session expected = f.view->model()->index(1, 0).data(SessionModel::SessionRole).value<Session>();
    QCOMPARE(f.dialog->selectedSession().id(), expected.id());
}

void SessionDialogTest::openSession_data()
{
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<int>("viewRow");
    QTest::addColumn<int>("column");
    QTest::addColumn<Gesture>("gesture");
    // Empty when the gesture must edit the cell instead.
    QTest::addColumn<QString>("openedName");
    QTest::addColumn<QString>("editorText");

    QTest::newRow("double-click on number") << -1 << Qt::AscendingOrder << 1 << 0 << Gesture::DoubleClick << u"Intervals"_s << QString();
    QTest::newRow("double-click on date, sorted by name") << 1 << Qt::AscendingOrder << 0 << 2 << Gesture::DoubleClick << u"Cooldown"_s << QString();
    QTest::newRow("double-click on name edits") << -1 << Qt::AscendingOrder << 1 << 1 << Gesture::DoubleClick << QString() << u"Intervals"_s;
    QTest::newRow("double-click on note edits, sorted by date") << 2 << Qt::DescendingOrder << 2 << 3 << Gesture::DoubleClick << QString() << u"windy"_s;
    QTest::newRow("open button, sorted by date") << 2 << Qt::DescendingOrder << 0 << 0 << Gesture::OpenButton << u"Intervals"_s << QString();
    QTest::newRow("return key, sorted by number") << 0 << Qt::DescendingOrder << 0 << 2 << Gesture::ReturnKey << u"Cooldown"_s << QString();
}

void SessionDialogTest::openSession()
{
    QFETCH(int, sortColumn);
    QFETCH(Qt::SortOrder, order);
    QFETCH(int, viewRow);
    QFETCH(int, column);
    QFETCH(Gesture, gesture);
    QFETCH(QString, openedName);
    QFETCH(QString, editorText);

    Fixture f(threeSessions());
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
    if (sortColumn >= 0) {
        f.view->sortByColumn(sortColumn, order);
    }

    switch (gesture) {
    case Gesture::DoubleClick:
        f.doubleClick(viewRow, column);
        break;
    case Gesture::OpenButton:
        f.click(viewRow, column);
        QTest::mouseClick(f.openButton, Qt::LeftButton);
        break;
    case Gesture::ReturnKey:
        f.click(viewRow, column);
        QTest::keyClick(f.view, Qt::Key_Return);
        break;
    }

    if (openedName.isEmpty()) {
        QTRY_VERIFY(f.editor());
        QCOMPARE(f.editor()->text(), editorText);
        QVERIFY(f.finished->isEmpty());
        QVERIFY(f.dialog->isVisible());
        return;
    }

    QCOMPARE(f.finished->size(), 1);
    QCOMPARE(f.finished->first().first().toInt(), int(QDialog::Accepted));
    QVERIFY(!f.dialog->isVisible());
    const Session opened = f.dialog->selectedSession();
    const QList<Session> sessions = threeSessions();
    const auto expected = std::find_if(sessions.begin(), sessions.end(), [&openedName](const Session &session) {
        return session.name() == openedName;
    });
    QCOMPARE(opened.name(), openedName);
    QCOMPARE(opened.note(), expected->note());
    QCOMPARE(opened.time(), expected->time());
    QCOMPARE(opened.date(), expected->date());
}

void SessionDialogTest::removeSession_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QStringList>("remaining");

    const QStringList all{u"Morning run"_s, u"Intervals"_s, u"Cooldown"_s};
    const QStringList withoutCooldown{u"Morning run"_s, u"Intervals"_s};
    QTest::newRow("remove") << Answer::Remove << true << withoutCooldown;
    QTest::newRow("cancel") << Answer::Cancel << true << all;
    QTest::newRow("question closed") << Answer::CloseQuestion << true << all;
    QTest::newRow("remembered remove") << Answer::StoredRemove << false << withoutCooldown;
    QTest::newRow("remembered cancel") << Answer::StoredCancel << false << all;
}

void SessionDialogTest::removeSession()
{
    QFETCH(Answer, answer);
    QFETCH(bool, asked);
    QFETCH(QStringList, remaining);

    if (answer == Answer::StoredRemove) {
        KMessageBox::saveDontShowAgainTwoActions(u"delete-session"_s, KMessageBox::PrimaryAction);
    } else if (answer == Answer::StoredCancel) {
        KMessageBox::saveDontShowAgainTwoActions(u"delete-session"_s, KMessageBox::SecondaryAction);
    }

    Fixture f(threeSessions());
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
    // Sorted by name, the first row of the view is the last of the store.
    f.view->sortByColumn(1, Qt::AscendingOrder);
    f.click(0, 0);
    QCOMPARE(f.view->model()->index(0, 1).data().toString(), u"Cooldown"_s);

    const QString removeText = KStandardGuiItem::remove().text();
    const QString cancelText = KStandardGuiItem::cancel().text();
    QuestionAnswerer answerer(answer == Answer::Cancel ? cancelText : answer == Answer::CloseQuestion ? QString() : removeText);
    QTest::keyClick(f.view, Qt::Key_Delete);
    QCoreApplication::processEvents();

    QCOMPARE(answerer.asked, asked);
    if (asked) {
        QCOMPARE(answerer.title, u"Confirm deletion"_s);
        QVERIFY(answerer.labels.contains(u"Do you want to remove the selected session?"_s));
        QCOMPARE(answerer.defaultButton, cancelText);
    }
    QCOMPARE(names(f.store), remaining);
    QCOMPARE(names(SessionModel()), remaining);
    QVERIFY(f.finished->isEmpty());
    QVERIFY(!f.message->isVisible());
}

void SessionDialogTest::removingLastSessionShowsMessage()
{
    Fixture f({threeSessions().first()});
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
    QVERIFY(!f.message->isVisible());
    f.click(0, 1);
    QVERIFY(f.openButton->isEnabled());

    QuestionAnswerer answerer(KStandardGuiItem::remove().text());
    QTest::keyClick(f.view, Qt::Key_Delete);

    QVERIFY(answerer.asked);
    QVERIFY(f.store.isEmpty());
    QTRY_VERIFY(f.message->isVisible());
    QCOMPARE(f.message->text(), emptyText);
    QVERIFY(!f.openButton->isEnabled());
    QCOMPARE(f.openButton->toolTip(), emptyText);
    QVERIFY(f.finished->isEmpty());
}

void SessionDialogTest::sessionAddedWhileOpen()
{
    const QDateTime before = QDateTime::currentDateTime();
    Fixture f({});
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
    QTRY_VERIFY(f.message->isVisible());

    f.store.append(threeSessions().first());
    QCOMPARE(f.view->model()->rowCount(), 1);
    QVERIFY(f.openButton->isEnabled());
    QCOMPARE(f.openButton->toolTip(), QString());
    QVERIFY(f.message->isVisible());

    QVERIFY(!f.view->selectionModel()->currentIndex().isValid());
    QTest::mouseClick(f.openButton, Qt::LeftButton);
    QCOMPARE(f.finished->size(), 1);
    QCOMPARE(f.finished->first().first().toInt(), int(QDialog::Accepted));
    const Session opened = f.dialog->selectedSession();
    QCOMPARE(opened.name(), QString());
    QCOMPARE(opened.time(), 0);
    QVERIFY(opened.laps().isEmpty());
    QVERIFY(opened.date() >= before);
    QVERIFY(opened.date() <= QDateTime::currentDateTime());
}

void SessionDialogTest::sessionsChangedElsewhereShow()
{
    Fixture f(threeSessions());
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
    f.view->selectRow(1);

    // Another Tickwarden process, with a store of its own on the same file.
    SessionModel elsewhere;
    QVERIFY(elsewhere.append(makeSession(u"Tempo"_s, QString(), 1000, QDateTime(QDate(2026, 3, 1), QTime(9, 0)))));
    QVERIFY(elsewhere.removeRows(0, 1));
    QTRY_COMPARE(names(f.store), (QStringList{u"Intervals"_s, u"Cooldown"_s, u"Tempo"_s}));
    QCOMPARE(f.view->model()->rowCount(), 3);
    // The selection stays on the session it was on.
    QCOMPARE(f.view->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(f.view->selectionModel()->selectedRows().first().data().toString(), u"1"_s);
    QCOMPARE(f.view->selectionModel()->selectedRows().first().siblingAtColumn(1).data().toString(), u"Intervals"_s);
}

void SessionDialogTest::editsAfterAnotherStoreWrote_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QStringList>("expectedNames");
    QTest::addColumn<QStringList>("expectedNotes");

    QTest::newRow("rename") << u"rename"_s << QStringList{u"Morning run"_s, u"Hill repeats"_s, u"Cooldown"_s, u"Tempo"_s}
                            << QStringList{u"windy"_s, u"track"_s, QString(), QString()};
    QTest::newRow("note") << u"note"_s << QStringList{u"Morning run"_s, u"Intervals"_s, u"Cooldown"_s, u"Tempo"_s}
                          << QStringList{u"windy"_s, u"hilly"_s, QString(), QString()};
    QTest::newRow("remove") << u"remove"_s << QStringList{u"Morning run"_s, u"Cooldown"_s, u"Tempo"_s} << QStringList{u"windy"_s, QString(), QString()};
}

void SessionDialogTest::editsAfterAnotherStoreWrote()
{
    QFETCH(QString, edit);
    QFETCH(QStringList, expectedNames);
    QFETCH(QStringList, expectedNotes);

    // Saved by windows of this process a moment ago: their dates have milliseconds, which
    // the file does not keep, so another process's write brings them back rounded.
    QList<Session> sessions = threeSessions();
    for (Session &session : sessions) {
        session.setDate(session.date().addMSecs(250));
    }
    Fixture f(sessions);
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
    f.view->selectRow(1);

    SessionModel elsewhere;
    QVERIFY(elsewhere.append(makeSession(u"Tempo"_s, QString(), 1000, QDateTime(QDate(2026, 3, 1), QTime(9, 0)))));
    if (edit == u"rename") {
        f.editCell(1, 1, u"Hill repeats"_s);
    } else if (edit == u"note") {
        f.editCell(1, 3, u"hilly"_s);
    } else {
        QuestionAnswerer answerer(KStandardGuiItem::remove().text());
        QTest::keyClick(f.view, Qt::Key_Delete);
        QVERIFY(answerer.asked);
    }

    const SessionModel reread;
    QCOMPARE(names(reread), expectedNames);
    QCOMPARE(notes(reread), expectedNotes);
    QTRY_COMPARE(names(f.store), expectedNames);
    QVERIFY(!f.message->isVisible());
    if (edit != u"remove") {
        // The rows stay the sessions they were: the selection and the numbers hold.
        QCOMPARE(f.view->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(f.view->selectionModel()->selectedRows().first().data().toString(), u"2"_s);
    }
}

void SessionDialogTest::failedRenameIsShown()
{
    Fixture f(threeSessions());
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
    QVERIFY(!f.message->isVisible());

    // A file where the data folder should be: nothing below it can be written, not even by root.
    const QString moved = dataDir() + u".moved"_s;
    QDir(moved).removeRecursively();
    QVERIFY(QDir().rename(dataDir(), moved));
    QVERIFY(writeFile(dataDir(), "not a folder"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^cannot save the sessions to .*"_s));
    QVERIFY(!f.view->model()->setData(f.viewIndex(0, 1), u"Long run"_s));
    QVERIFY(QFile::remove(dataDir()));
    QVERIFY(QDir().rename(moved, dataDir()));

    QTRY_VERIFY(f.message->isVisible());
    QCOMPARE(f.message->messageType(), KMessageWidget::Error);
    QVERIFY2(f.message->text().contains(sessionsPath()), qPrintable(f.message->text()));
    QCOMPARE(names(f.store).first(), u"Morning run"_s);
}

void SessionDialogTest::sortingKeepsStorePositions_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<int>("clicks");
    // The store rows in the order the view shows them.
    QTest::addColumn<QList<int>>("storeRows");

    QTest::newRow("session number, as text") << 0 << 1 << QList<int>{0, 9, 10, 1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("session number, descending") << 0 << 2 << QList<int>{8, 7, 6, 5, 4, 3, 2, 1, 10, 9, 0};
    QTest::newRow("name, case-sensitive") << 1 << 1 << QList<int>{1, 3, 5, 7, 9, 0, 2, 4, 6, 8, 10};
    QTest::newRow("date, by time") << 2 << 1 << QList<int>{0, 8, 5, 2, 10, 7, 4, 1, 9, 6, 3};
}

void SessionDialogTest::sortingKeepsStorePositions()
{
    QFETCH(int, section);
    QFETCH(int, clicks);
    QFETCH(QList<int>, storeRows);

    Fixture f(elevenSessions());
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
    // Until a header is clicked the rows keep the store's order, and no header claims otherwise.
    for (int row = 0; row < elevenNames.size(); ++row) {
        QCOMPARE(f.viewIndex(row, 1).data().toString(), elevenNames.at(row));
    }
    QCOMPARE(f.view->horizontalHeader()->sortIndicatorSection(), -1);

    for (int click = 0; click < clicks; ++click) {
        f.clickHeader(section);
    }

    QCOMPARE(f.view->model()->rowCount(), storeRows.size());
    for (int row = 0; row < storeRows.size(); ++row) {
        QCOMPARE(f.viewIndex(row, 1).data().toString(), elevenNames.at(storeRows.at(row)));
        QCOMPARE(f.viewIndex(row, 0).data().toString(), QString::number(storeRows.at(row) + 1));
    }
}

void SessionDialogTest::rejectKeepsEdits_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("cancel button") << u"cancel"_s;
    QTest::newRow("escape key") << u"escape"_s;
    QTest::newRow("window closed") << u"close"_s;
}

void SessionDialogTest::rejectKeepsEdits()
{
    QFETCH(QString, how);

    Fixture f(threeSessions());
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));

    f.editCell(1, 1, u"Hill repeats"_s);
    f.editCell(0, 3, QString());
    // An empty name is refused.
    f.editCell(2, 1, QString());
    QVERIFY(f.finished->isEmpty());

    if (how == u"cancel") {
        QTest::mouseClick(f.cancelButton, Qt::LeftButton);
    } else if (how == u"escape") {
        QTest::keyClick(f.view, Qt::Key_Escape);
    } else {
        QVERIFY(f.dialog->close());
    }

    QCOMPARE(f.finished->size(), 1);
    QCOMPARE(f.finished->first().first().toInt(), int(QDialog::Rejected));
    QVERIFY(!f.dialog->isVisible());
    QCOMPARE(f.dialog->selectedSession().time(), 0);
    QCOMPARE(f.dialog->selectedSession().name(), QString());

    const QStringList expectedNames{u"Morning run"_s, u"Hill repeats"_s, u"Cooldown"_s};
    const QStringList expectedNotes{QString(), u"track"_s, QString()};
    QCOMPARE(names(f.store), expectedNames);
    QCOMPARE(notes(f.store), expectedNotes);
    const SessionModel reread;
    QCOMPARE(names(reread), expectedNames);
    QCOMPARE(notes(reread), expectedNotes);
}

QTEST_MAIN(SessionDialogTest)

#include "sessiondialogtest.moc"
