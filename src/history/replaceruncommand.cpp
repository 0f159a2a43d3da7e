// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "replaceruncommand.h"

#include "recoverablewindow.h"

ReplaceRunCommand::ReplaceRunCommand(RecoverableWindow *window, const WindowSnapshot &before, const WindowSnapshot &after, const QString &text)
    : QUndoCommand(text)
    , m_window(window)
    , m_before(before)
    , m_after(after)
{
}

void ReplaceRunCommand::undo()
{
    m_window->applyHistoryStep(m_before);
}

void ReplaceRunCommand::redo()
{
    m_window->applyHistoryStep(m_after);
}
