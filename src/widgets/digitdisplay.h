// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <array>

/**
 * One digit group of the time display: up to three digits, each centred in a cell of its own.
 *
 * The display repaints on every tick, so it paints the digits itself, opaquely: it keeps a
 * picture of what its parents paint behind it and, for each cell, a picture of every digit
 * drawn over that background with the current font, colour and pixel ratio. A tick copies the
 * pictures of the cells whose digit changed; neither the parents nor any glyph are painted
 * again, whatever the font size. The pictures are drawn again on the next paint after anything
 * that can change how the display or what lies behind it looks: its own size, place, digit
 * count, font or colours, and the size, place, layout, palette, style or font of any ancestor.
 * Where the parents cannot be copied exactly (a translucent window, a graphics effect), the
 * display stays transparent and draws its digits over the live parents instead.
 * Neither the group box nor the window layout is touched by a tick: the size hints depend on
 * the font and the digit count, never on the digits shown.
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
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    [[nodiscard]] int usedCount() const;
    [[nodiscard]] QRect cellRect(int index) const;
    [[nodiscard]] QMargins layoutMargins() const;
    [[nodiscard]] int cellSpacing() const;
    [[nodiscard]] int widestDigitWidth() const;
    [[nodiscard]] QPointF penPosition(int index, QChar character) const;
    [[nodiscard]] QColor digitColor() const;
    [[nodiscard]] bool canCopyBackground() const;
    void watchAncestors();
    void dropPictures();
    void captureBackground();
    const QPixmap &cellPicture(int index, QChar character);

    std::array<QChar, 3> m_text{};
    QFont m_font;
    DigitCount m_digits = NoDigits;

    // What the parents paint behind the widget, empty until the next paint copies it.
    QPixmap m_background;
    // Each cell with each digit it has shown, drawn over m_background, by cell and character.
    QHash<quint32, QPixmap> m_cellPictures;
    // The ancestors whose events can change what lies behind the widget.
    QList<QPointer<QWidget>> m_watched;
};
