// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <KMessageWidget>

#include <functional>

class QAction;

/**
 * Tells, inside its window, that the window's times could not be saved, why, and that they
 * are still only in the window, with an action that tries again. The window stays marked
 * modified meanwhile, so closing it still asks.
 *
 * It also tells when a save went elsewhere than the user expects: the stored session had
 * been removed meanwhile, so the times are stored as a session again.
 */
class SaveErrorMessage : public KMessageWidget
{
    Q_OBJECT

public:
    explicit SaveErrorMessage(QWidget *parent);

    // @p retry runs when the user asks to try again.
    void showFailure(const QString &fileName, const QString &reason, const std::function<void()> &retry);
    // After a save that succeeded.
    void clearFailure();
    // After a save that stored session @p name anew because its stored copy was gone.
    void showStoredAnew(const QString &name);

private:
    std::function<void()> m_retry;
    QAction *m_retryAction;
};
