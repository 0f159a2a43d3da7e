// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "saveerrormessage.h"

#include <KLocalizedString>

#include <QAction>

using namespace Qt::Literals::StringLiterals;

SaveErrorMessage::SaveErrorMessage(QWidget *parent)
    : KMessageWidget(parent)
    , m_retryAction(new QAction(QIcon::fromTheme(u"view-refresh"_s), i18nc("@action:button", "Try Again"), this))
{
    setObjectName(u"saveErrorMessage"_s);
    setMessageType(KMessageWidget::Error);
    setWordWrap(true);
    setCloseButtonVisible(true);

    m_retryAction->setObjectName(u"retrySave"_s);
    connect(m_retryAction, &QAction::triggered, this, [this] {
        // The retry may fail again and show the message anew; it must not find it going.
        hide();
        if (m_retry) {
            const auto retry = m_retry;
            retry();
        }
    });
    addAction(m_retryAction);
    hide();
}

void SaveErrorMessage::showFailure(const QString &fileName, const QString &reason, const std::function<void()> &retry)
{
    m_retry = retry;
    setMessageType(KMessageWidget::Error);
    if (!actions().contains(m_retryAction)) {
        addAction(m_retryAction);
    }
    setText(xi18nc("@info",
                   "The times could not be saved to <filename>%1</filename>: %2<nl/>They are only in this window until a save succeeds.",
                   fileName,
                   reason));
    animatedShow();
}

void SaveErrorMessage::clearFailure()
{
    m_retry = nullptr;
    if (!isHidden()) {
        animatedHide();
    }
}

void SaveErrorMessage::showStoredAnew(const QString &name)
{
    // Nothing failed: there is nothing to try again.
    m_retry = nullptr;
    removeAction(m_retryAction);
    setMessageType(KMessageWidget::Information);
    setText(xi18nc("@info", "The session <resource>%1</resource> had been removed meanwhile; its times are saved as a session again.", name));
    animatedShow();
}

#include "moc_saveerrormessage.cpp"
