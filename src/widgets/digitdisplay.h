// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

#include <array>

/**
 * One digit group of the time display: up to three digits, each centred in a cell of its own.
 *
 * The display repaints on every tick, so it paints the digits itself and a tick repaints only
 * the cells whose digit changed. It is transparent: whatever lies behind it (the group box,
 * the window) is painted by its parents as they are now, so no copy of it can go stale when
 * the groups are laid out again. Neither the group box nor the window layout is touched by a
 * tick: the size hints depend on the font and the digit count, never on the digits shown.
 * Fixed cells also keep a proportional font from shifting the group sideways.
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

    /** The digits in use as shown, also the accessible name; empty cells are left out. */
    [[nodiscard]] QString text() const;

    /** Font of the digits; unlike QWidget::setFont it is not inherited by anything else. */
    void setFont(const QFont &font);
    [[nodiscard]] QFont digitFont() const;

    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    [[nodiscard]] int usedCount() const;
    [[nodiscard]] QRect cellRect(int index) const;
    [[nodiscard]] QMargins layoutMargins() const;
    [[nodiscard]] int cellSpacing() const;
    [[nodiscard]] int widestDigitWidth() const;
    [[nodiscard]] QPointF penPosition(int index, QChar character) const;
    [[nodiscard]] QColor digitColor() const;

    std::array<QChar, 3> m_text{};
    QFont m_font;
    DigitCount m_digits = NoDigits;
};
