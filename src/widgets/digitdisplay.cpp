// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "digitdisplay.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QGraphicsEffect>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QtMath>

#include <algorithm>
#include <cmath>

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

// Qt's raster engine shares a draw of more than a few dozen rows out among the threads of
// its pool, which wakes two threads on every frame for a copy of a few kilobytes; strips
// of a few rows are copied on the painting thread alone.
constexpr int StripRows = 16;

void drawInStrips(QPainter &painter, const QPoint &at, const QPixmap &picture)
{
    const qreal ratio = picture.devicePixelRatio();
    for (int row = 0; row < picture.height(); row += StripRows) {
        const int rows = std::min(StripRows, picture.height() - row);
        painter.drawPixmap(QPointF(at.x(), at.y() + row / ratio), picture, QRectF(0, row, picture.width(), rows));
    }
}

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
    watchAncestors();
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
    // The cells take new places, so no picture of the old ones fits them.
    dropPictures();
    updateGeometry();
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
    dropPictures();
    updateGeometry();
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
    const QRegion &region = event->region();
    if (!testAttribute(Qt::WA_OpaquePaintEvent)) {
        // As a centred label draws its text, over whatever the parents painted.
        QPainter painter(this);
        painter.setFont(m_font);
        painter.setPen(digitColor());
        for (int i = 0; i < usedCount(); ++i) {
            const QRect cell = cellRect(i);
            if (!m_text[i].isNull() && region.intersects(cell)) {
                painter.save();
                painter.setClipRect(cell, Qt::IntersectClip);
                painter.drawText(penPosition(i, m_text[i]), QString(m_text[i]));
                painter.restore();
            }
        }
        return;
    }

    if (!m_background.isNull() && m_background.devicePixelRatio() != devicePixelRatio()) {
        // Moved to a screen of another pixel ratio, which may not allow a copy.
        dropPictures();
        if (!testAttribute(Qt::WA_OpaquePaintEvent)) {
            return;
        }
    }
    if (m_background.isNull()) {
        captureBackground();
    }
    QPainter painter(this);
    QRegion rest = region;
    for (int i = 0; i < usedCount(); ++i) {
        const QRect cell = cellRect(i);
        if (!m_text[i].isNull() && region.intersects(cell)) {
            drawInStrips(painter, cell.topLeft(), cellPicture(i, m_text[i]));
            rest -= cell;
        }
    }
    if (!rest.isEmpty()) {
        painter.setClipRegion(rest);
        drawInStrips(painter, QPoint(0, 0), m_background);
    }
}

void DigitDisplay::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    dropPictures();
}

void DigitDisplay::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    dropPictures();
}

void DigitDisplay::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    dropPictures();
}

void DigitDisplay::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        watchAncestors();
        dropPictures();
        break;
    // The colour group of the palette follows the enabled state.
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::FontChange:
    case QEvent::EnabledChange:
        dropPictures();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

// What lies behind the widget changes with the ancestors, often without the widget itself
// moving or changing size: a group box laid out again around it, a parent moved within the
// window, a new palette for the window.
bool DigitDisplay::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Move:
        // Where the window stands on the screen does not change what it paints.
        if (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow()) {
            break;
        }
        dropPictures();
        break;
    case QEvent::Resize:
    case QEvent::LayoutRequest:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::FontChange:
        dropPictures();
        break;
    case QEvent::ParentChange:
        watchAncestors();
        dropPictures();
        break;
    // Only the window hears of its activation, which picks the colour group of every palette
    // in it; the program mostly runs in the background, so a focus change that shows the same
    // colours keeps the pictures.
    case QEvent::ActivationChange:
        if (!palette().isEqual(QPalette::Active, QPalette::Inactive)) {
            dropPictures();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
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

// Only an opaque window paints everything behind the widget itself; a graphics effect or a
// background of the widget's own would be painted differently on screen than in the copy.
// At a fractional pixel ratio the cells start between device pixels, so a picture copied
// there would put the glyphs up to a pixel off where direct painting puts them.
bool DigitDisplay::canCopyBackground() const
{
    const qreal ratio = devicePixelRatio();
    if (!parentWidget() || window()->testAttribute(Qt::WA_TranslucentBackground) || autoFillBackground() || testAttribute(Qt::WA_StyledBackground)
        || ratio != std::floor(ratio)) {
        return false;
    }
    for (const QWidget *widget = this; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget()) {
        if (widget->graphicsEffect()) {
            return false;
        }
    }
    return true;
}

void DigitDisplay::watchAncestors()
{
    for (const QPointer<QWidget> &ancestor : std::as_const(m_watched)) {
        if (ancestor) {
            ancestor->removeEventFilter(this);
        }
    }
    m_watched.clear();
    for (QWidget *ancestor = isWindow() ? nullptr : parentWidget(); ancestor; ancestor = ancestor->isWindow() ? nullptr : ancestor->parentWidget()) {
        ancestor->installEventFilter(this);
        m_watched.append(ancestor);
    }
}

void DigitDisplay::dropPictures()
{
    m_background = QPixmap();
    m_cellPictures.clear();
    setAttribute(Qt::WA_OpaquePaintEvent, canCopyBackground());
    update();
}

// Painted from the window down to the parent, each without its children, as the window's
// backing store paints them behind a transparent widget.
void DigitDisplay::captureBackground()
{
    const qreal ratio = devicePixelRatio();
    m_background = QPixmap(size() * ratio);
    m_background.setDevicePixelRatio(ratio);
    m_background.fill(Qt::transparent);

    QList<QWidget *> ancestors;
    for (QWidget *ancestor = parentWidget(); ancestor; ancestor = ancestor->isWindow() ? nullptr : ancestor->parentWidget()) {
        ancestors.prepend(ancestor);
    }
    for (QWidget *ancestor : std::as_const(ancestors)) {
        const QPoint origin = mapTo(ancestor, QPoint(0, 0));
        // The part of the widget that lies outside an ancestor is not painted by it.
        const QRect source = QRect(origin, size()) & ancestor->rect();
        if (source.isEmpty()) {
            continue;
        }
        ancestor->render(&m_background,
                         source.topLeft() - origin,
                         QRegion(source),
                         ancestor->isWindow() ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
    }
}

const QPixmap &DigitDisplay::cellPicture(int index, QChar character)
{
    const quint32 key = (quint32(index) << 16) | character.unicode();
    auto it = m_cellPictures.constFind(key);
    if (it != m_cellPictures.cend()) {
        return *it;
    }
    // Drawn as the transparent paint draws straight onto the parents, so the two look alike
    // to the pixel.
    const QRect cell = cellRect(index);
    const qreal ratio = m_background.devicePixelRatio();
    QPixmap picture(cell.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    QPainter painter(&picture);
    painter.drawPixmap(-cell.topLeft(), m_background);
    painter.setFont(m_font);
    painter.setPen(digitColor());
    painter.drawText(penPosition(index, character) - cell.topLeft(), QString(character));
    painter.end();
    return *m_cellPictures.insert(key, picture);
}

#include "moc_digitdisplay.cpp"
