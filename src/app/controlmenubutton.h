// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class KXmlGuiWindow;
class QAction;
class QMenu;
class QTimer;
class QToolButton;

/**
 * The menu bar of a window, hidden until the user shows it for the first time, and while
 * it is hidden a button at the end of the toolbar whose menu offers every command of the
 * menu bar that the toolbar does not show already.
 *
 * It adds the Show Menubar action to the window's action collection. The menu is built
 * anew from the hidden menu bar each time it opens, so it follows the toolbar as the user
 * configures it.
 */
class ControlMenuButton : public QObject
{
    Q_OBJECT

public:
    explicit ControlMenuButton(KXmlGuiWindow *window);
    ~ControlMenuButton() override;

    // Hides the menu bar until it was once shown, and puts up the button while it is hidden.
    void loadSettings();

Q_SIGNALS:
    // The menu bar was shown for the first time; the setting that hid it is changed, not saved.
    void settingsChanged();

private:
    void setupButton();
    void slotToolBarUpdated();
    void slotUpdateControlMenu();
    void slotToggleMenuBar();
    bool addActionToMenu(QAction *action, QMenu *menu);
    void addSeparatorToMenu(QMenu *menu);

    KXmlGuiWindow *m_window;
    std::unique_ptr<QTimer> m_toolBarUpdateTimer;
    QPointer<QToolButton> m_button;
    QAction *m_toggleMenuBarAction;
};
