// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QAccessibleWidget>

class TimeDisplay;

/**
 * What a screen reader learns about the time display: its time in words, taken from the
 * display whenever the reader asks.
 *
 * Readers are told that the time changed only through announce(), which the window calls
 * when the stopwatch pauses or resets; a reader that spoke at every tick would drown out
 * everything else.
 */
class TimeDisplayAccessible : public QAccessibleWidget
{
public:
    explicit TimeDisplayAccessible(TimeDisplay *display);

    [[nodiscard]] QString text(QAccessible::Text type) const override;

    // Makes Qt create this interface for every time display; repeated calls do nothing.
    static void install();
    // Tells screen readers that the time shown has settled on a new value.
    static void announce(TimeDisplay *display);
};
