// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "secondarytime.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

SecondaryTime::SecondaryTime(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(u"secondaryTime"_s);
    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_rawFont = QRawFont::fromFont(this->font());
}

void SecondaryTime::setText(const QString &text)
{
    if (text == m_text) {
        return;
    }
    const QString previous = std::exchange(m_text, text);
    const bool wasPlain = m_plainText;
    const qreal previousWidth = m_textWidth;
    const QList<QPointF> previousPositions = m_glyphs.positions();
    layOutGlyphs();

    // Only a longer or shorter text can need another width; digits of one font all have
    // about one width.
    if (text.size() != previous.size()) {
        updateGeometry();
    }
    if (!wasPlain || !m_plainText || text.size() != previous.size() || m_textWidth != previousWidth) {
        update();
        return;
    }
    // Everything else stays where it was: repaint from the first changed character to the
    // end of the last.
    qsizetype first = 0;
    while (text.at(first) == previous.at(first)) {
        ++first;
    }
    qsizetype last = text.size() - 1;
    while (text.at(last) == previous.at(last)) {
        --last;
    }
    const qreal lastEnd = last + 1 < text.size() ? m_glyphs.positions().at(last + 1).x() : m_textWidth;
    const qreal left = textOrigin().x() + std::min(previousPositions.at(first).x(), m_glyphs.positions().at(first).x());
    const qreal right = textOrigin().x() + lastEnd;
    // A pixel on either side for glyphs that reach past their advance.
    update(QRect(QPoint(int(std::floor(left)) - 1, 0), QPoint(int(std::ceil(right)) + 1, height())));
}

QString SecondaryTime::text() const
{
    return m_text;
}

void SecondaryTime::setColors(const QColor &background, const QColor &text)
{
    // As the digit groups take them: the text in the digits' colour over what lies behind
    // the display, so that the line looks like part of it.
    QPalette palette = this->palette();
    palette.setBrush(QPalette::All, backgroundRole(), QBrush(background));
    palette.setBrush(QPalette::All, foregroundRole(), QBrush(text));
    setPalette(palette);
}

void SecondaryTime::announce()
{
    // Setting the description sends the change to screen readers; an unchanged one sends
    // nothing.
    setAccessibleDescription(m_text);
}

QSize SecondaryTime::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text) + 2 * metrics.averageCharWidth(), metrics.height()};
}

QSize SecondaryTime::minimumSizeHint() const
{
    // The height stays when the text is empty, so the digits above do not move when it comes.
    return {0, QFontMetrics(font()).height()};
}

void SecondaryTime::layOutGlyphs()
{
    m_plainText = m_rawFont.isValid();
    m_textWidth = 0;
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(m_text.size());
    positions.reserve(m_text.size());
    for (const QChar character : std::as_const(m_text)) {
        // Beyond Latin, marks and surrogates may join, combine or run right to left.
        if (character.unicode() >= 0x0250 || character.isMark() || character.isSurrogate()) {
            m_plainText = false;
            break;
        }
        auto glyph = m_glyphCache.constFind(character.unicode());
        if (glyph == m_glyphCache.cend()) {
            const QList<quint32> found = m_rawFont.glyphIndexesForString(QString(character));
            // Not in this font: the ordinary way finds a font that has it.
            if (found.size() != 1 || found.constFirst() == 0) {
                m_plainText = false;
                break;
            }
            glyph = m_glyphCache.insert(character.unicode(), {found.constFirst(), m_rawFont.advancesForGlyphIndexes(found).constFirst().x()});
        }
        indexes.append(glyph->first);
        positions.append(QPointF(m_textWidth, 0));
        m_textWidth += glyph->second;
    }
    if (!m_plainText) {
        m_glyphs.clear();
        m_textWidth = 0;
        return;
    }
    m_glyphs.setRawFont(m_rawFont);
    m_glyphs.setGlyphIndexes(indexes);
    m_glyphs.setPositions(positions);
}

QPointF SecondaryTime::textOrigin() const
{
    return {(width() - m_textWidth) / 2, (height() - m_rawFont.ascent() - m_rawFont.descent()) / 2 + m_rawFont.ascent()};
}

void SecondaryTime::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    if (m_text.isEmpty()) {
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    if (m_plainText) {
        painter.drawGlyphRun(textOrigin(), m_glyphs);
    } else {
        painter.drawText(rect(), Qt::AlignCenter, m_text);
    }
}

void SecondaryTime::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        m_rawFont = QRawFont::fromFont(font());
        m_glyphCache.clear();
        layOutGlyphs();
        updateGeometry();
        update();
    } else if (event->type() == QEvent::PaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

#include "moc_secondarytime.cpp"
