// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "recoverablewindow.h"

#include "windowsnapshot.h"

RecoverableWindow::~RecoverableWindow() = default;

WindowSnapshot RecoverableWindow::snapshotWithoutLaps() const
{
    WindowSnapshot withoutLaps = snapshot();
    withoutLaps.laps.clear();
    return withoutLaps;
}
