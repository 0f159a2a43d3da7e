// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <KMessageWidget>

class Stopwatch;

/**
 * Tells, inside its window, that the stopwatch stopped at the longest time it can hold,
 * until it runs again or starts a new run.
 */
class TimeLimitMessage : public KMessageWidget
{
    Q_OBJECT

public:
    TimeLimitMessage(Stopwatch *stopwatch, QWidget *parent);
};
