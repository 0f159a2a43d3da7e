// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "adjusttimedialog.h"

#include "ui_adjusttimedialog.h"

#include <KLocalizedString>
#include <KMessageWidget>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

AdjustTimeDialog::AdjustTimeDialog(Adjust adjust, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::AdjustTimeDialog>())
    , m_message(new KMessageWidget(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
    , m_adjust(std::move(adjust))
{
    setObjectName(u"adjustTimeDialog"_s);
    setWindowTitle(i18nc("@title:window", "Adjust Time"));
    auto form = new QWidget(this);
    m_ui->setupUi(form);

    m_message->setObjectName(u"adjustTimeRefusal"_s);
    m_message->setMessageType(KMessageWidget::Error);
    m_message->setWordWrap(true);
    m_message->setCloseButtonVisible(false);
    m_message->hide();

    auto layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
    layout->addWidget(form);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A refusal speaks of the amount it was given; a new amount is a new question.
    connect(m_ui->amount, &QTimeEdit::timeChanged, m_message, &KMessageWidget::animatedHide);
    connect(m_ui->direction, &QComboBox::currentIndexChanged, m_message, &KMessageWidget::animatedHide);
}

AdjustTimeDialog::~AdjustTimeDialog() = default;

int AdjustTimeDialog::amount() const
{
    const int magnitude = m_ui->amount->time().msecsSinceStartOfDay();
    return m_ui->direction->currentIndex() == 1 ? -magnitude : magnitude;
}

void AdjustTimeDialog::setAmount(int milliseconds)
{
    m_ui->direction->setCurrentIndex(milliseconds < 0 ? 1 : 0);
    m_ui->amount->setTime(QTime::fromMSecsSinceStartOfDay(std::abs(milliseconds)));
}

QString AdjustTimeDialog::refusal() const
{
    return m_message->isHidden() || m_message->isHideAnimationRunning() ? QString() : m_message->text();
}

void AdjustTimeDialog::accept()
{
    QString refusal;
    if (!m_adjust(amount(), &refusal)) {
        m_message->setText(refusal);
        m_message->animatedShow();
        return;
    }
    QDialog::accept();
}

#include "moc_adjusttimedialog.cpp"
