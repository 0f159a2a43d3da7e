// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "secondarytime.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

SecondaryTime::SecondaryTime(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(u"secondaryTime"_s);
    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    setFont(font);
    // Nothing behind it needs painting first: it fills its whole rectangle.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void SecondaryTime::setText(const QString &text)
{
    if (text == m_text) {
        return;
    }
    // Only a longer or shorter text can need another width; digits of one font all have
    // about one width.
    const bool widthChanged = text.size() != m_text.size();
    m_text = text;
    if (widthChanged) {
        updateGeometry();
    }
    update();
}

QString SecondaryTime::text() const
{
    return m_text;
}

void SecondaryTime::setColors(const QColor &background, const QColor &text)
{
    if (background == m_background && text == m_textColor) {
        return;
    }
    m_background = background;
    m_textColor = text;
    update();
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

void SecondaryTime::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), m_background.isValid() ? m_background : palette().color(QPalette::Base));
    if (m_text.isEmpty()) {
        return;
    }
    painter.setPen(m_textColor.isValid() ? m_textColor : palette().color(QPalette::Text));
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}

void SecondaryTime::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        update();
    } else if (event->type() == QEvent::PaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

#include "moc_secondarytime.cpp"
