// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "controlmenubutton.h"
#include "controlmenuentries.h"
#include "tickwardenconfig.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KSharedConfig>
#include <KStandardAction>
#include <KToolBar>
#include <KXmlGuiWindow>

#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace
{
// A window whose menu bar is made by hand the way the framework names it: menus by their
// object names, Show Menubar under "settings", the help menu as "help".
struct Window {
    explicit Window(bool withHelp = true)
    {
        menu(u"file"_s, {u"file_new"_s, u"file_open"_s, u"-"_s, u"file_save"_s, u"file_save_as"_s, u"-"_s, u"file_quit"_s});
        menu(u"settings"_s, {u"options_show_menubar"_s, u"options_configure"_s});
        if (withHelp) {
            menu(u"help"_s, {u"help_about"_s});
        }
    }
    void menu(const QString &name, const QStringList &entries)
    {
        QMenu *menu = window.menuBar()->addMenu(name);
        menu->setObjectName(name);
        for (const QString &entry : entries) {
            if (entry == u"-") {
                menu->addSeparator();
            } else if (entry.startsWith(u"menu:")) {
                QMenu *submenu = menu->addMenu(entry.mid(5));
                submenu->setObjectName(entry.mid(5));
            } else if (entry == u"options_show_menubar") {
                // Made by the button itself; the framework puts it in its place.
                menu->addAction(window.actionCollection()->action(entry));
            } else {
                menu->addAction(window.actionCollection()->addAction(entry));
            }
        }
    }
    [[nodiscard]] QToolButton *button() const
    {
        return window.findChild<QToolButton *>(u"controlMenuButton"_s);
    }
    [[nodiscard]] QStringList openControlMenu() const
    {
        return ::openControlMenu(button()->menu());
    }
    [[nodiscard]] QAction *toggle() const
    {
        return window.actionCollection()->action(KStandardAction::name(KStandardAction::ShowMenubar));
    }
    [[nodiscard]] bool buttonIsLastOnToolBar()
    {
        KToolBar *bar = window.toolBar();
        return button() && !bar->actions().isEmpty() && bar->widgetForAction(bar->actions().constLast()) == button();
    }

    KXmlGuiWindow window;
    ControlMenuButton controlMenu{&window};
};
}

class ControlMenuButtonTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void menuBarHiddenUntilOnceShown_data();
    void menuBarHiddenUntilOnceShown();
    void menuOffersWhatTheToolBarLacks_data();
    void menuOffersWhatTheToolBarLacks();
    void showingAndHidingTheMenuBar();
    void buttonComesBackAfterTheToolBarDroppedIt();
    void buttonFollowsTheToolBarsLook();
};

void ControlMenuButtonTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void ControlMenuButtonTest::init()
{
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/tickwardenrc"_s);
    KSharedConfig::openConfig()->reparseConfiguration();
    TickwardenConfig::self()->setDefaults();
    TickwardenConfig::self()->save();
}

void ControlMenuButtonTest::menuBarHiddenUntilOnceShown_data()
{
    QTest::addColumn<bool>("neverShown");

    QTest::newRow("first start") << true;
    QTest::newRow("menu bar shown before") << false;
}

void ControlMenuButtonTest::menuBarHiddenUntilOnceShown()
{
    QFETCH(bool, neverShown);

    TickwardenConfig::setMenuBarNeverShown(neverShown);
    Window fixture;
    fixture.window.toolBar()->addAction(fixture.window.actionCollection()->action(u"file_new"_s));
    fixture.controlMenu.loadSettings();
    QCOMPARE(fixture.window.menuBar()->isHidden(), neverShown);
    QCOMPARE(fixture.buttonIsLastOnToolBar(), neverShown);
    if (neverShown) {
        QVERIFY(!fixture.toggle()->isChecked());
    }

    // Applying the settings again, as after any change, adds no second button.
    fixture.controlMenu.loadSettings();
    QCOMPARE(fixture.window.findChildren<QToolButton *>(u"controlMenuButton"_s).size(), neverShown ? 1 : 0);
}

void ControlMenuButtonTest::menuOffersWhatTheToolBarLacks_data()
{
    QTest::addColumn<QStringList>("onToolBar");
    QTest::addColumn<QStringList>("extraMenu");
    QTest::addColumn<bool>("withHelp");
    QTest::addColumn<QStringList>("entries");

    const QStringList tail{u"options_configure"_s, u"-"_s, u"menu:help"_s, u"-"_s, u"options_show_menubar"_s};
    QTest::newRow("empty toolbar") << QStringList() << QStringList() << true
                                   << QStringList{u"file_new"_s, u"file_open"_s, u"-"_s, u"file_save"_s, u"file_save_as"_s, u"-"_s, u"file_quit"_s, u"-"_s}
            + tail;
    QTest::newRow("a group on the toolbar") << QStringList{u"file_save"_s, u"file_save_as"_s} << QStringList() << true
                                            << QStringList{u"file_new"_s, u"file_open"_s, u"-"_s, u"file_quit"_s, u"-"_s} + tail;
    QTest::newRow("a whole menu on the toolbar") << QStringList{u"file_new"_s, u"file_open"_s, u"file_save"_s, u"file_save_as"_s, u"file_quit"_s}
                                                 << QStringList() << true << tail;
    QTest::newRow("a menu of toolbar entries and a trailing separator")
        << QStringList{u"lap"_s} << QStringList{u"lap"_s, u"-"_s} << true
        << QStringList{u"file_new"_s, u"file_open"_s, u"-"_s, u"file_save"_s, u"file_save_as"_s, u"-"_s, u"file_quit"_s, u"-"_s} + tail;
    QTest::newRow("a submenu") << QStringList() << QStringList{u"copy_laps"_s, u"menu:recent"_s} << true
                               << QStringList{u"file_new"_s,
                                              u"file_open"_s,
                                              u"-"_s,
                                              u"file_save"_s,
                                              u"file_save_as"_s,
                                              u"-"_s,
                                              u"file_quit"_s,
                                              u"-"_s,
                                              u"options_configure"_s,
                                              u"-"_s,
                                              u"copy_laps"_s,
                                              u"menu:recent"_s,
                                              u"-"_s,
                                              u"menu:help"_s,
                                              u"-"_s,
                                              u"options_show_menubar"_s};
    QTest::newRow("no help menu") << QStringList{u"file_new"_s, u"file_open"_s, u"file_save"_s, u"file_save_as"_s, u"file_quit"_s} << QStringList() << false
                                  << QStringList{u"options_configure"_s, u"-"_s, u"options_show_menubar"_s};
}

void ControlMenuButtonTest::menuOffersWhatTheToolBarLacks()
{
    QFETCH(QStringList, onToolBar);
    QFETCH(QStringList, extraMenu);
    QFETCH(bool, withHelp);
    QFETCH(QStringList, entries);

    Window fixture(withHelp);
    if (!extraMenu.isEmpty()) {
        fixture.menu(u"extra"_s, extraMenu);
    }
    for (const QString &name : std::as_const(onToolBar)) {
        fixture.window.toolBar()->addAction(fixture.window.actionCollection()->action(name));
    }
    fixture.controlMenu.loadSettings();
    QVERIFY(fixture.button());

    QCOMPARE(fixture.openControlMenu(), entries);
    // Opening it again builds it anew rather than adding to it.
    QCOMPARE(fixture.openControlMenu(), entries);

    // A command taken off the toolbar shows up in the menu the next time it opens.
    if (!onToolBar.isEmpty()) {
        fixture.window.toolBar()->removeAction(fixture.window.actionCollection()->action(onToolBar.constFirst()));
        QVERIFY(fixture.openControlMenu().contains(onToolBar.constFirst()));
    }
}

void ControlMenuButtonTest::showingAndHidingTheMenuBar()
{
    Window fixture;
    fixture.controlMenu.loadSettings();
    QSignalSpy settingsChanged(&fixture.controlMenu, &ControlMenuButton::settingsChanged);

    // The toggle is reached through the event loop, after the action flipped its own state.
    fixture.toggle()->trigger();
    QVERIFY(fixture.window.menuBar()->isHidden());
    QTRY_VERIFY(!fixture.window.menuBar()->isHidden());
    QVERIFY(fixture.toggle()->isChecked());
    QVERIFY(!fixture.button());
    QCOMPARE(settingsChanged.count(), 1);
    QVERIFY(!TickwardenConfig::menuBarNeverShown());

    fixture.toggle()->trigger();
    QTRY_VERIFY(fixture.window.menuBar()->isHidden());
    QVERIFY(!fixture.toggle()->isChecked());
    QVERIFY(fixture.buttonIsLastOnToolBar());
    // The setting changes once for good.
    QCOMPARE(settingsChanged.count(), 1);

    fixture.toggle()->trigger();
    QTRY_VERIFY(!fixture.window.menuBar()->isHidden());
    QCOMPARE(settingsChanged.count(), 1);
}

void ControlMenuButtonTest::buttonComesBackAfterTheToolBarDroppedIt()
{
    Window fixture;
    fixture.controlMenu.loadSettings();
    // What the framework does to the toolbar's content when it builds the toolbar anew.
    QPointer<QToolButton> old = fixture.button();
    QVERIFY(old);
    delete old.data();
    QVERIFY(!fixture.button());
    QTRY_VERIFY(fixture.buttonIsLastOnToolBar());
    QVERIFY(fixture.button() != old);
    QCOMPARE(fixture.window.findChildren<QToolButton *>(u"controlMenuButton"_s).size(), 1);
    QVERIFY(!fixture.openControlMenu().isEmpty());
}

void ControlMenuButtonTest::buttonFollowsTheToolBarsLook()
{
    Window fixture;
    KToolBar *bar = fixture.window.toolBar();
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    fixture.controlMenu.loadSettings();
    QCOMPARE(fixture.button()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setIconSize(QSize(48, 48));
    QCOMPARE(fixture.button()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    QCOMPARE(fixture.button()->iconSize(), QSize(48, 48));
}

QTEST_MAIN(ControlMenuButtonTest)

#include "controlmenubuttontest.moc"
