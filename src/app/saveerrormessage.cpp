// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "saveerrormessage.h"

#include <KLocalizedString>

#include <QAction>

using namespace Qt::Literals::StringLiterals;

SaveErrorMessage::SaveErrorMessage(QWidget *parent)
    : KMessageWidget(parent)
{
    setObjectName(u"saveErrorMessage"_s);
    setMessageType(KMessageWidget::Error);
    setWordWrap(true);
    setCloseButtonVisible(true);

    auto retryAction = new QAction(QIcon::fromTheme(u"view-refresh"_s), i18nc("@action:button", "Try Again"), this);
    retryAction->setObjectName(u"retrySave"_s);
    connect(retryAction, &QAction::triggered, this, [this] {
        // The retry may fail again and show the message anew; it must not find it going.
        hide();
        if (m_retry) {
            const auto retry = m_retry;
            retry();
        }
    });
    addAction(retryAction);
    hide();
}

void SaveErrorMessage::showFailure(const QString &fileName, const QString &reason, const std::function<void()> &retry)
{
    m_retry = retry;
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

#include "moc_saveerrormessage.cpp"
