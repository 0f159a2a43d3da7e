// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "windowsnapshot.h"

#include <QUndoCommand>

class RecoverableWindow;

/**
 * One run of a window replaced by another as a whole, session and modified mark
 * included: a Reset (by an empty run) or laps imported into the window.
 */
class ReplaceRunCommand : public QUndoCommand
{
public:
    ReplaceRunCommand(RecoverableWindow *window, const WindowSnapshot &before, const WindowSnapshot &after, const QString &text);

    void undo() override;
    void redo() override;

private:
    RecoverableWindow *m_window;
    const WindowSnapshot m_before;
    const WindowSnapshot m_after;
};
