// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapmodel.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "tickwardenconfig.h"

#include <KActionCollection>
#include <KLocalizedString>

#include <QLineEdit>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

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

private:
    QLineEdit *openNoteEditor(int row);
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
    m_store = std::make_unique<SessionModel>();
    m_window = std::make_unique<MainWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
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

QTEST_MAIN(LapNoteDelegateTest)

#include "lapnotedelegatetest.moc"
