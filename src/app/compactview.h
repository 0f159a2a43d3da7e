// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QObject>
#include <QSize>
#include <qwindowdefs.h>

class KXmlGuiWindow;
class QAction;
class QToolButton;
class StopwatchActions;

/**
 * A window's compact view and its Keep Above Others.
 *
 * The compact view leaves the digits (the display container with whatever sits under the
 * digits) and one row of buttons on the window's own Start, Pause, Lap and Reset actions;
 * menu bar, toolbars, status bar, lap pane and docks go, and leaving brings back exactly
 * what was shown before, at the size it had.
 *
 * The window framework saves its layout on its own, also while compact, so the layout to
 * go back to is kept beside it in the window's state and a window that opens compact
 * returns to that one, not to the compact layout the framework saved.
 *
 * Keep Above Others is asked of the X11 window manager. Elsewhere there is no way for a
 * program to ask for it, and the action is disabled with a tooltip that says so.
 */
class CompactView : public QObject
{
    Q_OBJECT

public:
    /** @p display stays in sight; @p lapPane goes while compact. */
    CompactView(KXmlGuiWindow *window, QWidget *display, QWidget *lapPane, StopwatchActions *actions);

    /** The row of buttons the window places below its display; hidden unless compact. */
    [[nodiscard]] QWidget *buttonRow() const;
    [[nodiscard]] QAction *compactAction() const;
    [[nodiscard]] QAction *keepAboveAction() const;

    [[nodiscard]] bool isCompact() const;
    void setCompact(bool compact);
    [[nodiscard]] bool isKeptAbove() const;
    void setKeepAbove(bool above);

    /** Brings back the compact view and Keep Above as the last window left them; call it
     *  once the window has applied its saved state. */
    void restoreRemembered();

    /** Why Keep Above Others cannot work here, empty where it can. */
    [[nodiscard]] static QString keepAboveUnavailableReason();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Layout {
        QByteArray state;
        QSize size;
        bool menuBar = false;
        bool statusBar = false;
        bool lapPane = true;
    };

    /** Shrinks the window to show the digits at @p digits; an invalid size keeps its size. */
    void enter(QSize digits);
    void leave();
    [[nodiscard]] Layout currentLayout() const;
    void remember() const;
    void updateButtons();
    void slotWindowStateChanged(WId id);

    KXmlGuiWindow *m_window;
    QWidget *m_display;
    QWidget *m_lapPane;
    StopwatchActions *m_actions;
    QWidget *m_buttonRow;
    QToolButton *m_startButton;
    QToolButton *m_pauseButton;
    QToolButton *m_lapButton;
    QToolButton *m_resetButton;
    QAction *m_compact;
    QAction *m_keepAbove;
    Layout m_normal;
    bool m_isCompact = false;
    bool m_isKeptAbove = false;
};
