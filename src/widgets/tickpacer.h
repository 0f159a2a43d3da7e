// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>
#include <QPointer>

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void attachTopLevel();
    void attachWindow();
    void attachScreen(QScreen *screen);
    void updateTicks();

    Stopwatch *m_stopwatch;
    QPointer<QWidget> m_display;
    QPointer<QWidget> m_topLevel;
    QPointer<QWindow> m_window;
    QPointer<QScreen> m_screen;
};
