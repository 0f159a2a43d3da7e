// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "timeformat.h"
#include "ui_timedisplay.h"

#include <QWidget>

class QColor;
class QFont;

/**
 * The digit groups of a window: hours, minutes, seconds and second fractions.
 *
 * The stopwatch feeds it elapsed milliseconds through setTime(); the main window chooses the
 * fields through setTimeFormat(). When the time outgrows the chosen fields the display turns
 * the hours or minutes group on by itself, and reset() returns to the chosen fields.
 * The hours group counts the total hours, past a day too, with three digits from 100 on.
 */
class TimeDisplay : public QWidget, protected Ui::TimeDisplay
{
    Q_OBJECT

public:
    explicit TimeDisplay(QWidget *parent = nullptr);

    void setTimeFormat(const TimeFormat &format);
    void setHoursFont(const QFont &font);
    void setMinutesFont(const QFont &font);
    void setSecondsFont(const QFont &font);
    void setFractionsFont(const QFont &font);
    void setBackgroundColor(const QColor &color);
    void setTextColor(const QColor &color);

    /** The shown time with dividers, for the clipboard: exactly the fields on screen. */
    [[nodiscard]] QString currentTime() const;

    /** The elapsed milliseconds last given to setTime(). */
    [[nodiscard]] int time() const;

    /** The fields shown now, including those switched on as the time grew. */
    [[nodiscard]] TimeFormat timeFormat() const;

public Q_SLOTS:
    void setTime(int time);
    void reset();

private:
    void updateTimeFormat();
    void updateTime();
    void updateMinimumWidths();
    void setGroupsColor(QPalette::ColorRole (QWidget::*role)() const, const QColor &color);
    [[nodiscard]] int totalHours() const;

    TimeFormat m_currentFormat;
    TimeFormat m_defaultFormat;
    int m_time = 0;
};
