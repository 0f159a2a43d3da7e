// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "controlmenuentries.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "tickwardenconfig.h"

#include <KActionCollection>
#include <KConfigGroup>
#include <KLocalizedString>
#include <KSharedConfig>
#include <KStandardAction>
#include <KToolBar>

#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

class ControlMenuTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void entries_data();
    void entries();
    void showingTheMenuBarIsRemembered();
    void buttonReturnsAfterToolBarRebuild();

private:
    [[nodiscard]] QToolButton *button() const;
    [[nodiscard]] QStringList openControlMenu() const;

    std::unique_ptr<SessionModel> m_store;
    std::unique_ptr<MainWindow> m_window;
};

void ControlMenuTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void ControlMenuTest::init()
{
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/tickwardenrc"_s);
    KSharedConfig::openConfig()->reparseConfiguration();
    TickwardenConfig::self()->setDefaults();
    TickwardenConfig::self()->save();
    m_store = std::make_unique<SessionModel>();
    m_window = std::make_unique<MainWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void ControlMenuTest::cleanup()
{
    m_window.reset();
    m_store.reset();
}

QToolButton *ControlMenuTest::button() const
{
    return m_window->findChild<QToolButton *>(u"controlMenuButton"_s);
}

QStringList ControlMenuTest::openControlMenu() const
{
    return ::openControlMenu(button()->menu());
}

namespace
{
// Every command of a menu and of its submenus, by name.
QStringList commandsIn(const QMenu *menu)
{
    QStringList names;
    const auto actions = menu->actions();
    for (const QAction *action : actions) {
        if (action->menu()) {
            names << commandsIn(action->menu());
        } else if (!action->isSeparator()) {
            names << action->objectName();
        }
    }
    return names;
}
}

void ControlMenuTest::entries_data()
{
    QTest::addColumn<QStringList>("onToolBar");

    QTest::newRow("default toolbar") << QStringList();
    QTest::newRow("save on the toolbar") << QStringList{u"file_save"_s, u"file_save_as"_s};
    QTest::newRow("lap commands on the toolbar") << QStringList{u"import_laps"_s, u"copy_laps"_s, u"show_lap_chart"_s};
}

void ControlMenuTest::entries()
{
    QFETCH(QStringList, onToolBar);

    for (const QString &name : std::as_const(onToolBar)) {
        m_window->toolBar()->addAction(m_window->actionCollection()->action(name));
    }
    QVERIFY(m_window->menuBar()->isHidden());
    QVERIFY(button());

    QStringList inMenuBar;
    const auto menus = m_window->menuBar()->actions();
    for (const QAction *menu : menus) {
        if (menu->menu()) {
            inMenuBar << commandsIn(menu->menu());
        }
    }
    // The commands added after the first version of the menu are among them.
    for (const QString &name : {u"import_laps"_s, u"copy_laps"_s, u"show_lap_chart"_s, u"file_quit"_s}) {
        QVERIFY2(inMenuBar.contains(name), qPrintable(name));
    }
    QStringList onToolBarNow;
    const auto toolBarActions = m_window->toolBar()->actions();
    for (const QAction *action : toolBarActions) {
        onToolBarNow << action->objectName();
    }

    const QStringList entries = openControlMenu();
    const QStringList inControlMenu = commandsIn(button()->menu());
    for (const QString &name : std::as_const(inMenuBar)) {
        QVERIFY2(onToolBarNow.contains(name) || inControlMenu.contains(name), qPrintable(name + u" is neither on the toolbar nor in the control menu"_s));
        QVERIFY2(!(onToolBarNow.contains(name) && inControlMenu.contains(name)), qPrintable(name + u" is on the toolbar and in the control menu"_s));
    }
    // No empty groups, and the way back to the menu bar is the last entry.
    QVERIFY(!entries.isEmpty());
    QVERIFY(entries.constFirst() != u"-"_s);
    QVERIFY2(!entries.join(u',').contains(u"-,-"_s), qPrintable(entries.join(u',')));
    QVERIFY(entries.contains(u"menu:help"_s));
    QCOMPARE(entries.constLast(), u"options_show_menubar"_s);
    QCOMPARE(inControlMenu.count(u"options_show_menubar"_s), 1);
    // Opening it again rebuilds it rather than adding to it.
    QCOMPARE(openControlMenu(), entries);
}

void ControlMenuTest::showingTheMenuBarIsRemembered()
{
    QAction *toggle = m_window->actionCollection()->action(KStandardAction::name(KStandardAction::ShowMenubar));
    QVERIFY(!toggle->isChecked());

    toggle->trigger();
    QTRY_VERIFY(!m_window->menuBar()->isHidden());
    QVERIFY(toggle->isChecked());
    QVERIFY(!button());
    QVERIFY(!TickwardenConfig::menuBarNeverShown());
    KSharedConfig::Ptr file = KSharedConfig::openConfig(u"tickwardenrc"_s);
    file->reparseConfiguration();
    QCOMPARE(file->group(u"General"_s).readEntry("menuBarNeverShown", true), false);

    // Hiding it again brings the button back at the end of the toolbar.
    toggle->trigger();
    QTRY_VERIFY(m_window->menuBar()->isHidden());
    QVERIFY(!toggle->isChecked());
    QVERIFY(button());
    QCOMPARE(m_window->toolBar()->widgetForAction(m_window->toolBar()->actions().constLast()), button());

    // A new window no longer hides its menu bar by itself.
    MainWindow second(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
    QVERIFY(!second.menuBar()->isHidden());
}

void ControlMenuTest::buttonReturnsAfterToolBarRebuild()
{
    QPointer<QToolButton> old = button();
    QVERIFY(old);
    // Applying Configure Toolbars: the dialog saves the window's settings when it opens,
    // then the window's GUI is taken down and built anew.
    KConfigGroup group = KSharedConfig::openConfig()->group(QString());
    m_window->saveMainWindowSettings(group);
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "saveNewToolbarConfig"));
    QVERIFY(!old);
    QVERIFY(!button());
    QVERIFY(m_window->menuBar()->isHidden());
    QTRY_VERIFY(button());
    QCOMPARE(m_window->toolBar()->widgetForAction(m_window->toolBar()->actions().constLast()), button());
}

QTEST_MAIN(ControlMenuTest)

#include "controlmenutest.moc"
