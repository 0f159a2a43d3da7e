// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class KStatusNotifierItem;
class QAction;
class QMenu;
class StopwatchControl;

/**
 * The optional status item of the whole program, on while the setting showTrayItem is.
 *
 * Its tooltip shows the time of the most recently active window in whole seconds, renewed
 * once a second while that stopwatch runs; its menu starts, pauses, laps and resets that
 * window and lists all windows; a click shows or hides it.
 *
 * While the item is on and the desktop has a tray to show it (TrayHost), closing the last
 * visible window whose stopwatch runs only hides it, so the time goes on in the tray, and
 * the program no longer ends with its last visible window but with its last window: a
 * hidden one still holds a time worth keeping. When the tray goes away, hidden windows
 * come back.
 */
class ControlTray : public QObject
{
    Q_OBJECT

public:
    explicit ControlTray(QObject *parent = nullptr);
    ~ControlTray() override;

    [[nodiscard]] bool isEnabled() const;
    void setEnabled(bool enabled);

    /** Null while the item is off. */
    [[nodiscard]] KStatusNotifierItem *item() const;
    [[nodiscard]] QMenu *menu() const;
    [[nodiscard]] QString toolTip() const;

    /** What a click on the item does: shows the active window, or hides it when in front. */
    void toggleActiveWindow();

    /** The time in whole seconds, as the tooltip shows it. */
    [[nodiscard]] static QString wholeSeconds(int milliseconds);

Q_SIGNALS:
    /** A running window was hidden instead of closed; said once per run with a message. */
    void hiddenToTray(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void slotApplySetting();
    void slotRefresh();
    void slotUpdateToolTip();
    void slotRebuildWindowList();
    void slotQuitRequested();
    void watch(StopwatchControl *control);
    void showHiddenWindows();
    [[nodiscard]] bool hideInsteadOfClosing(QWidget *window) const;

    KStatusNotifierItem *m_item = nullptr;
    QMenu *m_menu = nullptr;
    QAction *m_toggleAction = nullptr;
    QAction *m_lapAction = nullptr;
    QAction *m_resetAction = nullptr;
    QAction *m_windowsSeparator = nullptr;
    QList<QAction *> m_windowActions;
    QTimer m_toolTipTimer;
    bool m_quitting = false;
    bool m_toldAboutHiding = false;
};
