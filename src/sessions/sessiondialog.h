// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "session.h"
#include "ui_sessiondialog.h"

#include <QDialog>

class QKeyEvent;
class QPushButton;
class QModelIndex;
class QSortFilterProxyModel;
class SessionModel;

/**
 * Lists the saved sessions so that the user can pick one to open, rename a session, edit
 * its note or remove it.
 *
 * Renames, note edits and removals go straight into the session store, whether the dialog
 * is accepted or not. After it finished with QDialog::Accepted, selectedSession() is the
 * session to open.
 */
class SessionDialog : public QDialog, protected Ui::SessionDialog
{
    Q_OBJECT

public:
    SessionDialog(SessionModel *sessionModel, QWidget *parent);

    [[nodiscard]] Session selectedSession() const;
    /** The text of the button that takes the selected session; "Open session" by default. */
    void setAcceptText(const QString &text);
    /** Whether New Run is offered beside Open: a new run of the selected session's activity. */
    void setNewRunOffered(bool offered);
    /** Whether the dialog was finished with New Run rather than Open. */
    [[nodiscard]] bool isNewRunRequested() const;

    // Asks, then removes the selected session from the store.
    void removeSession();

public Q_SLOTS:
    void accept() override;
    void slotDoubleClicked(const QModelIndex &index);
    void slotSelectionChanged();
    void slotSessionAdded();
    void slotEmptyModel();
    // A rename, note or removal could not be written; the list shows what is stored.
    void slotWriteFailed(const QString &fileName, const QString &reason);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    SessionModel *m_sessionModel;
    QSortFilterProxyModel *m_proxyModel;
    Session m_selectedSession;
    QPushButton *m_newRunButton = nullptr;
    bool m_newRunRequested = false;
};
