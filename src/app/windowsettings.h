// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>

#include <functional>

class DisplayFeed;
class LapModel;
class LapPane;
class QWidget;
class Stopwatch;
class StopwatchActions;
class TimeDisplay;

/**
 * Brings the settings to the parts of one window: the formats and fonts of the digits and
 * laps, which lap columns and figures show, whether laps are recorded at all, and how
 * often the stopwatch ticks for the digits shown.
 *
 * A window applies the settings once it is built and again after every change; the
 * settings dialog, shared by all windows, is opened here too.
 */
class WindowSettings : public QObject
{
    Q_OBJECT

public:
    WindowSettings(Stopwatch *stopwatch, TimeDisplay *display, LapModel *laps, LapPane *lapPane, StopwatchActions *actions, QObject *parent);

    /** The feed of the digits and the line beneath them, which the settings choose between. */
    void setDisplayFeed(DisplayFeed *feed);

    void apply();

    /**
     * Shows the settings dialog on top of @p window, or brings the open one forward.
     * @p changed runs, for as long as @p window lives, after the dialog changed the settings.
     */
    static void showDialog(QWidget *window, const std::function<void()> &changed);

private:
    Stopwatch *m_stopwatch;
    TimeDisplay *m_display;
    LapModel *m_laps;
    LapPane *m_lapPane;
    StopwatchActions *m_actions;
    DisplayFeed *m_feed = nullptr;
};
