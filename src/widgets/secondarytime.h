// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QWidget>

#include <utility>

class QColor;

/**
 * One line of small text under the digits, such as "Lap 7  00:58.20" while the digits show
 * the total, or "Total 01:02:03.40" while they show the current lap.
 *
 * It paints its text itself, in the display's colours, and repaints only when the text
 * changes, and then only the characters that changed. Unlike a label it tells a screen
 * reader nothing when its text changes: whoever feeds it calls announce() when the time
 * settles (a lap, a pause), never at a tick.
 */
class SecondaryTime : public QWidget
{
    Q_OBJECT

public:
    explicit SecondaryTime(QWidget *parent = nullptr);

    void setText(const QString &text);
    [[nodiscard]] QString text() const;

    void setColors(const QColor &background, const QColor &text);

    /** Tells screen readers the text shown now, as its accessible description. */
    void announce();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Places the glyphs of the text, when it needs no shaping; see m_glyphs.
    void layOutGlyphs();
    [[nodiscard]] QPointF textOrigin() const;

    QString m_text;
    // A tick changes a digit or two of a short text in one script. Laying out the text anew
    // at each tick (shaping, line breaking) would cost more than painting all the digits
    // above, so the glyphs of plain characters are looked up once and placed side by side.
    // A text with characters that need shaping is drawn the ordinary way.
    QRawFont m_rawFont;
    QHash<char16_t, std::pair<quint32, qreal>> m_glyphCache;
    QGlyphRun m_glyphs;
    bool m_plainText = false;
    qreal m_textWidth = 0;
};
