// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "recoverynotice.h"

#include <QMainWindow>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace
{
const auto noticeAreaName = u"recoveryNoticeArea"_s;
}

RecoveryNotice::RecoveryNotice(KMessageWidget::MessageType type, const QString &text)
{
    setObjectName(u"recoveryNotice"_s);
    setMessageType(type);
    setText(text);
    setWordWrap(true);
    setCloseButtonVisible(true);
    // Closing only hides it; a closed message has nothing more to say.
    connect(this, &KMessageWidget::hideAnimationFinished, this, &QObject::deleteLater);
}

RecoveryNotice *RecoveryNotice::show(QMainWindow *window, KMessageWidget::MessageType type, const QString &text)
{
    QWidget *area = window->centralWidget();
    if (!area || area->objectName() != noticeAreaName) {
        QWidget *content = window->takeCentralWidget();
        area = new QWidget(window);
        area->setObjectName(noticeAreaName);
        auto layout = new QVBoxLayout(area);
        layout->setContentsMargins(0, 0, 0, 0);
        if (content) {
            layout->addWidget(content, 1);
        }
        window->setCentralWidget(area);
    }
    auto notice = new RecoveryNotice(type, text);
    // Newest on top, above the window's content, which is always the last item.
    static_cast<QVBoxLayout *>(area->layout())->insertWidget(0, notice);
    notice->animatedShow();
    return notice;
}

#include "moc_recoverynotice.cpp"
