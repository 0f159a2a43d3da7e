// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QFont>
#include <QWidget>

class QLabel;

/**
 * One digit group of the time display: up to three digits, each in its own centred label.
 *
 * Keeping the digits in separate labels stops a proportional font from shifting the whole
 * group sideways on every tick.
 */
class DigitDisplay : public QWidget
{
    Q_OBJECT

public:
    // The values match TimeFormat::SecondFraction, so a precision can be passed as a count.
    enum DigitCount {
        OneDigit = 0,
        TwoDigits = 1,
        ThreeDigits = 2,
        NoDigits = 3,
    };
    Q_ENUM(DigitCount)

    explicit DigitDisplay(QWidget *parent = nullptr, DigitCount digits = NoDigits);

    void setDigits(DigitCount count);
    [[nodiscard]] DigitCount digits() const;

    /** Takes @p text only when it has exactly one character per digit in use. */
    void showDigits(const QString &text);

    /** Font of the digits; unlike QWidget::setFont it is not inherited by anything else. */
    void setFont(const QFont &font);

    [[nodiscard]] QSize minimumSizeHint() const override;

private:
    [[nodiscard]] int usedLabelCount() const;

    QLabel *m_firstDigit;
    QLabel *m_secondDigit;
    QLabel *m_thirdDigit;
    QFont m_font;
    DigitCount m_digits = NoDigits;
};
