// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "controlmenubutton.h"

#include "tickwardenconfig.h"

#include <KActionCollection>
#include <KStandardAction>
#include <KToolBar>
#include <KXmlGuiWindow>

#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

ControlMenuButton::ControlMenuButton(KXmlGuiWindow *window)
    : QObject(window)
    , m_window(window)
    , m_toggleMenuBarAction(window->actionCollection()->addAction(KStandardAction::ShowMenubar))
{
    // Queued: the checkable action has flipped its own state by the time the slot runs,
    // and the slot then sets it from the menu bar's real visibility.
    connect(m_toggleMenuBarAction, &QAction::triggered, this, &ControlMenuButton::slotToggleMenuBar, Qt::QueuedConnection);
}

ControlMenuButton::~ControlMenuButton()
{
    // The button goes away with the toolbar, after this; it must not start the rebuild
    // timer or reach the window any more by then.
    if (m_button) {
        m_button->disconnect();
    }
}

void ControlMenuButton::loadSettings()
{
    QMenuBar *menuBar = m_window->menuBar();
    if (TickwardenConfig::menuBarNeverShown()) {
        menuBar->hide();
    }
    if (menuBar->isHidden()) {
        m_toggleMenuBarAction->setChecked(false);
        setupButton();
    }
}

void ControlMenuButton::setupButton()
{
    if (m_button) {
        return;
    }
    KToolBar *bar = m_window->toolBar();
    m_button = new QToolButton(m_window);
    m_button->setObjectName(u"controlMenuButton"_s);
    m_button->setIcon(QIcon::fromTheme(u"application-menu"_s));
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setToolButtonStyle(bar->toolButtonStyle());

    auto controlMenu = new QMenu(m_button);
    connect(controlMenu, &QMenu::aboutToShow, this, &ControlMenuButton::slotUpdateControlMenu);
    m_button->setMenu(controlMenu);

    bar->addWidget(m_button);
    connect(bar, &QToolBar::iconSizeChanged, m_button, &QToolButton::setIconSize);
    connect(bar, &QToolBar::toolButtonStyleChanged, m_button, &QToolButton::setToolButtonStyle);

    // The framework drops the button with the old toolbar content when it rebuilds the
    // toolbar; it comes back half a second later.
    m_toolBarUpdateTimer = std::make_unique<QTimer>();
    m_toolBarUpdateTimer->setInterval(500);
    m_toolBarUpdateTimer->setSingleShot(true);
    connect(m_button, &QObject::destroyed, m_toolBarUpdateTimer.get(), qOverload<>(&QTimer::start));
    connect(m_toolBarUpdateTimer.get(), &QTimer::timeout, this, &ControlMenuButton::slotToolBarUpdated);
}

void ControlMenuButton::slotToolBarUpdated()
{
    if (!m_window->menuBar()->isHidden()) {
        return;
    }
    setupButton();
}

void ControlMenuButton::slotUpdateControlMenu()
{
    auto menu = qobject_cast<QMenu *>(sender());
    if (!menu) {
        return;
    }
    menu->clear();

    // Built from the hidden menu bar each time it opens, so a command added to a menu can
    // never be out of reach while the menu bar is hidden. The help menu stays a submenu,
    // and showing the menu bar comes last, where the user looks for the way back.
    QMenu *helpMenu = nullptr;
    const auto entries = m_window->menuBar()->actions();
    for (QAction *entry : entries) {
        QMenu *submenu = entry->menu();
        if (!submenu) {
            continue;
        }
        if (submenu->objectName() == "help"_L1) {
            helpMenu = submenu;
            continue;
        }
        const auto actions = submenu->actions();
        for (QAction *action : actions) {
            if (action == m_toggleMenuBarAction) {
                continue;
            }
            if (action->isSeparator()) {
                addSeparatorToMenu(menu);
            } else if (action->menu()) {
                menu->addMenu(action->menu());
            } else {
                addActionToMenu(action, menu);
            }
        }
        addSeparatorToMenu(menu);
    }
    if (helpMenu) {
        menu->addMenu(helpMenu);
        menu->addSeparator();
    }
    addActionToMenu(m_toggleMenuBarAction, menu);
}

void ControlMenuButton::addSeparatorToMenu(QMenu *menu)
{
    // Menus of the menu bar may end with a separator, or hold nothing but toolbar entries.
    const auto actions = menu->actions();
    if (!actions.isEmpty() && !actions.constLast()->isSeparator()) {
        menu->addSeparator();
    }
}

bool ControlMenuButton::addActionToMenu(QAction *action, QMenu *menu)
{
    if (!action || !menu) {
        return false;
    }
    if (action->associatedObjects().contains(m_window->toolBar())) {
        return false;
    }
    menu->addAction(action);
    return true;
}

void ControlMenuButton::slotToggleMenuBar()
{
    if (TickwardenConfig::menuBarNeverShown()) {
        TickwardenConfig::setMenuBarNeverShown(false);
        Q_EMIT settingsChanged();
    }

    // isHidden() rather than isVisible(): the answer must not depend on whether the
    // window itself is on screen yet.
    QMenuBar *menuBar = m_window->menuBar();
    menuBar->setVisible(menuBar->isHidden());
    m_toggleMenuBarAction->setChecked(!menuBar->isHidden());

    if (menuBar->isHidden()) {
        setupButton();
    } else {
        delete m_button;
        m_toolBarUpdateTimer.reset();
    }
}

#include "moc_controlmenubutton.cpp"
