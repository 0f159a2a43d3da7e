// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "digitdisplay.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QtMath>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Screen readers get the digits as one text instead of an unnamed picture.
class DigitDisplayAccessible : public QAccessibleWidget
{
public:
    explicit DigitDisplayAccessible(DigitDisplay *display)
        : QAccessibleWidget(display, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            return static_cast<const DigitDisplay *>(widget())->text();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *accessibleFactory(const QString &className, QObject *object)
{
    if (className == "DigitDisplay"_L1 && object && object->isWidgetType()) {
        return new DigitDisplayAccessible(static_cast<DigitDisplay *>(object));
    }
    return nullptr;
}
}

DigitDisplay::DigitDisplay(QWidget *parent, DigitCount digits)
    : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled)

    setDigits(digits);
}

void DigitDisplay::setDigits(DigitCount count)
{
    if (count != OneDigit && count != TwoDigits && count != ThreeDigits) {
        count = NoDigits;
    }
    if (count == m_digits) {
        return;
    }
    m_digits = count;
    updateGeometry();
    update();
}

DigitDisplay::DigitCount DigitDisplay::digits() const
{
    return m_digits;
}

void DigitDisplay::showDigits(const QString &text)
{
    const int used = usedCount();
    if (used == 0 || text.size() != used) {
        return;
    }
    bool changed = false;
    for (int i = 0; i < used; ++i) {
        if (m_text[i] != text.at(i)) {
            m_text[i] = text.at(i);
            changed = true;
            update(cellRect(i));
        }
    }
    if (changed && QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString DigitDisplay::text() const
{
    QString shown;
    for (int i = 0; i < usedCount(); ++i) {
        if (!m_text[i].isNull()) {
            shown += m_text[i];
        }
    }
    return shown;
}

void DigitDisplay::setFont(const QFont &font)
{
    m_font = font;
    updateGeometry();
    update();
}

QFont DigitDisplay::digitFont() const
{
    return m_font;
}

QSize DigitDisplay::minimumSizeHint() const
{
    const QMargins margins = layoutMargins();
    const int used = usedCount();
    if (used == 0) {
        return {0, margins.top() + margins.bottom()};
    }
    // The widest digit stands for every digit, so that no tick can change the hint.
    const int width = used * widestDigitWidth();
    return {width + width / 10, margins.top() + margins.bottom() + QFontMetrics(m_font).height()};
}

QSize DigitDisplay::sizeHint() const
{
    const QMargins margins = layoutMargins();
    const int used = usedCount();
    if (used == 0) {
        return {margins.left() + margins.right(), margins.top() + margins.bottom()};
    }
    const int cells = used * QFontMetrics(m_font).horizontalAdvance(u"0"_s) + (used - 1) * cellSpacing();
    return {margins.left() + margins.right() + std::max(cells, minimumSizeHint().width()), minimumSizeHint().height()};
}

void DigitDisplay::paintEvent(QPaintEvent *event)
{
    // As a centred label draws its text, over whatever the parents painted.
    QPainter painter(this);
    painter.setFont(m_font);
    painter.setPen(digitColor());
    const QRegion &region = event->region();
    for (int i = 0; i < usedCount(); ++i) {
        const QRect cell = cellRect(i);
        if (!m_text[i].isNull() && region.intersects(cell)) {
            painter.save();
            painter.setClipRect(cell, Qt::IntersectClip);
            painter.drawText(penPosition(i, m_text[i]), QString(m_text[i]));
            painter.restore();
        }
    }
}

int DigitDisplay::usedCount() const
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

// The cells are laid out as a box layout with the style's margins and spacing would lay out
// equal labels.
QRect DigitDisplay::cellRect(int index) const
{
    const int used = usedCount();
    if (index < 0 || index >= used) {
        return {};
    }
    const QRect area = rect().marginsRemoved(layoutMargins());
    const int spacing = cellSpacing();
    const int available = std::max(0, area.width() - (used - 1) * spacing);
    // Shares rounded one after another, as a box layout hands out the room.
    const int left = area.left() + qRound(qreal(index * available) / used) + index * spacing;
    const int right = area.left() + qRound(qreal((index + 1) * available) / used) + index * spacing;
    return {left, area.top(), right - left, area.height()};
}

QMargins DigitDisplay::layoutMargins() const
{
    const QStyle *s = style();
    return {s->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this),
            s->pixelMetric(QStyle::PM_LayoutTopMargin, nullptr, this),
            s->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr, this),
            s->pixelMetric(QStyle::PM_LayoutBottomMargin, nullptr, this)};
}

int DigitDisplay::cellSpacing() const
{
    int spacing = style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, this);
    if (spacing < 0) {
        spacing = style()->layoutSpacing(QSizePolicy::Label, QSizePolicy::Label, Qt::Horizontal, nullptr, this);
    }
    return std::max(spacing, 0);
}

int DigitDisplay::widestDigitWidth() const
{
    const QFontMetrics metrics(m_font);
    int widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit) {
        widest = std::max(widest, metrics.boundingRect(QChar::fromLatin1(digit)).width());
    }
    return widest;
}

// Where a centred label would put the pen for this character; text is laid out in
// fractions of a pixel.
QPointF DigitDisplay::penPosition(int index, QChar character) const
{
    const QRect cell = cellRect(index);
    const QFontMetricsF metrics(m_font);
    const qreal width = metrics.horizontalAdvance(character);
    const qreal height = metrics.ascent() + metrics.descent();
    return {cell.x() + (cell.width() - width) / 2, cell.y() + (cell.height() - height) / 2 + metrics.ascent()};
}

QColor DigitDisplay::digitColor() const
{
    return palette().color(foregroundRole());
}

#include "moc_digitdisplay.cpp"
