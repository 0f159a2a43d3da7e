// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QScreen;
class QWidget;
class QWindow;
class Stopwatch;

/**
 * Keeps a stopwatch's ticks to what the window showing its time can show.
 *
 * Ticks come no faster than the screen of the window refreshes, and none come at all while
 * the window cannot be seen (hidden, minimized, unmapped or reported as not exposed). When
 * the window can be seen again, the stopwatch announces the exact time at once. The clock
 * itself never stops, so laps and pauses taken meanwhile stay exact.
 */
class TickPacer : public QObject
{
    Q_OBJECT

public:
    TickPacer(Stopwatch *stopwatch, QWidget *display, QObject *parent = nullptr);

    /** Milliseconds between two frames at @p refreshRate, rounded up; 60 Hz when unknown. */
    [[nodiscard]] static int frameInterval(qreal refreshRate);

    /**
     * Whether ticks finer than a frame follow the window's update requests rather than the
     * stopwatch's timer. On by default where update requests come with the compositor's
     * frames; elsewhere they come from a plain timer and would only add a wake-up.
     */
    void setFollowsFrameClock(bool follows);
    /** Whether the ticks follow the frames right now: seen, running and finer than a frame. */
    [[nodiscard]] bool isFollowingFrames() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void attachTopLevel();
    void attachWindow();
    void attachScreen(QScreen *screen);
    void updateTicks();
    void frameRequested();
    void requestFrame();

    Stopwatch *m_stopwatch;
    QPointer<QWidget> m_display;
    QPointer<QWidget> m_topLevel;
    QPointer<QWindow> m_window;
    QPointer<QScreen> m_screen;
    bool m_followsFrameClock;
    bool m_followingFrames = false;
    // An update request of the pacer's own is pending on the window.
    bool m_frameRequested = false;
    int m_frameInterval = 0;
    QElapsedTimer m_lastFrame;
    QTimer m_frameDelay;
};
