// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <KMessageWidget>

class QMainWindow;

/**
 * An inline message above a window's content: that its times were recovered, or that they
 * cannot be kept safe. The window's own layout is not touched; the message and the old
 * central widget share a new one.
 */
class RecoveryNotice : public KMessageWidget
{
    Q_OBJECT

public:
    /** Puts a new message of @p type with @p text at the top of @p window and shows it. */
    static RecoveryNotice *show(QMainWindow *window, KMessageWidget::MessageType type, const QString &text);

private:
    RecoveryNotice(KMessageWidget::MessageType type, const QString &text);
};
