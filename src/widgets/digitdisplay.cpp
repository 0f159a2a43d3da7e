// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "digitdisplay.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>

DigitDisplay::DigitDisplay(QWidget *parent, DigitCount digits)
    : QWidget(parent)
{
    auto layout = new QHBoxLayout(this);
    m_firstDigit = new QLabel(this);
    m_secondDigit = new QLabel(this);
    m_thirdDigit = new QLabel(this);
    for (QLabel *label : {m_firstDigit, m_secondDigit, m_thirdDigit}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    setDigits(digits);
}

void DigitDisplay::setDigits(DigitCount count)
{
    m_digits = count;
    const int used = usedLabelCount();
    m_firstDigit->setVisible(used >= 1);
    m_secondDigit->setVisible(used >= 2);
    m_thirdDigit->setVisible(used >= 3);
}

DigitDisplay::DigitCount DigitDisplay::digits() const
{
    return m_digits;
}

void DigitDisplay::showDigits(const QString &text)
{
    const int used = usedLabelCount();
    if (used == 0 || text.size() != used) {
        return;
    }
    QLabel *const labels[] = {m_firstDigit, m_secondDigit, m_thirdDigit};
    for (int i = 0; i < used; ++i) {
        labels[i]->setText(text.at(i));
    }
}

void DigitDisplay::setFont(const QFont &font)
{
    m_font = font;
    m_firstDigit->setFont(font);
    m_secondDigit->setFont(font);
    m_thirdDigit->setFont(font);
}

QSize DigitDisplay::minimumSizeHint() const
{
    const QFontMetrics metrics(m_font);
    const QLabel *const labels[] = {m_firstDigit, m_secondDigit, m_thirdDigit};
    int width = 0;
    for (int i = 0; i < usedLabelCount(); ++i) {
        const QString text = labels[i]->text();
        if (!text.isEmpty()) {
            width += metrics.boundingRect(text).width();
        }
    }
    return {width + width / 10, QWidget::minimumSizeHint().height()};
}

int DigitDisplay::usedLabelCount() const
{
    switch (m_digits) {
    case OneDigit:
        return 1;
    case TwoDigits:
        return 2;
    case ThreeDigits:
        return 3;
    case NoDigits:
        break;
    }
    return 0;
}

#include "moc_digitdisplay.cpp"
