// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "timeformat.h"

#include <QObject>
#include <QPointer>

class QColor;
class RunningLap;
class SecondaryTime;
class TimeDisplay;

/**
 * Brings the stopwatch's ticks to the digits and to the small line beneath them: the big
 * digits show the total or the current lap, as the user chose, and the line the other one.
 *
 * The line shows the current lap only once a lap was taken (before that it is the total
 * again) and nothing while the stopwatch is reset. Ticks that change no digit of the line
 * form no text; the line tells screen readers its time when a lap is taken or the
 * stopwatch stops, never at a tick.
 *
 * Whatever the digits show, the total stays the time of the run: totalText() writes it as
 * the display would, for those that ask for the run's time from outside.
 */
class DisplayFeed : public QObject
{
    Q_OBJECT

public:
    enum class DigitsShow {
        Total,
        CurrentLap,
    };
    Q_ENUM(DigitsShow)

    DisplayFeed(RunningLap *runningLap, TimeDisplay *display, SecondaryTime *line, QObject *parent = nullptr);

    void setDigitsShow(DigitsShow shown);
    [[nodiscard]] DigitsShow digitsShow() const;
    /** The display's colours, for the line. */
    void setColors(const QColor &background, const QColor &text);
    /** The fields the user chose for the digits; the line writes its time with them. */
    void setTimeFormat(const TimeFormat &format);

    /** The total with the fields the display would show for it, dividers included. */
    [[nodiscard]] QString totalText() const;
    /** The last total given to setTime(). */
    [[nodiscard]] int total() const;

    /** @p milliseconds written with @p format, and with hours and minutes once the time has them. */
    [[nodiscard]] static QString formatTime(const TimeFormat &format, qint64 milliseconds);

public Q_SLOTS:
    /** The stopwatch's elapsed milliseconds at this tick. */
    void setTime(int total);
    /** Tells screen readers the line's time; for the moments the time settles. */
    void announce();

private:
    void refresh(bool force);
    [[nodiscard]] bool lineShowsLap() const;

    QPointer<RunningLap> m_runningLap;
    QPointer<TimeDisplay> m_display;
    QPointer<SecondaryTime> m_line;
    DigitsShow m_digitsShow = DigitsShow::Total;
    TimeFormat m_format;
    // The line is a second reading, not a second display: it stops at tenths, so it changes
    // ten times a second at most whatever the digits show.
    TimeFormat m_lineFormat;
    int m_total = 0;
    int m_step = 10;
    // The line's time cut to its last digit, to see a tick that changes nothing.
    qint64 m_lineStep = -1;
    int m_lineNumber = -1;
    // The line's translated text with a stand-in where the time goes.
    QString m_lineTemplate;
};
