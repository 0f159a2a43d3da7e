// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapchart.h"

#include "lapanalysismodel.h"

#include <KColorScheme>
#include <KLocalizedString>

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int BarWidth = 8;
constexpr int BarGap = 3;
constexpr int BarStep = BarWidth + BarGap;
constexpr int MarkSize = 7;
constexpr int Margin = 6;
}

LapChart::LapChart(LapAnalysisModel *analysis, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_analysis(analysis)
{
    setObjectName(u"lapChart"_s);
    setAccessibleName(i18nc("@info:whatsthis", "Lap chart"));
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    horizontalScrollBar()->setSingleStep(BarStep);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);

    connect(m_analysis, &QAbstractItemModel::rowsInserted, this, &LapChart::slotLapsChanged);
    connect(m_analysis, &QAbstractItemModel::rowsRemoved, this, &LapChart::slotLapsChanged);
    connect(m_analysis, &QAbstractItemModel::modelReset, this, &LapChart::slotLapsChanged);
    // Marks and the mean change with the setting and with laps; both only need a repaint.
    connect(m_analysis, &QAbstractItemModel::dataChanged, this, [this] {
        if (isVisible()) {
            viewport()->update();
        }
    });
}

QSize LapChart::sizeHint() const
{
    return {400, 160};
}

QSize LapChart::minimumSizeHint() const
{
    return {BarStep * 6, 80};
}

int LapChart::lapCount() const
{
    return m_analysis->rowCount();
}

void LapChart::slotLapsChanged()
{
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    updateScrollRange();
    viewport()->update();
}

void LapChart::updateScrollRange()
{
    QScrollBar *bar = horizontalScrollBar();
    // Following the newest laps unless the user scrolled away from them.
    const bool atNewest = bar->value() >= bar->maximum();
    const int content = lapCount() * BarStep + Margin;
    bar->setPageStep(viewport()->width());
    bar->setRange(0, std::max(0, content - viewport()->width()));
    if (atNewest || m_stale) {
        bar->setValue(bar->maximum());
    }
    m_stale = false;
}

void LapChart::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void LapChart::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    if (m_stale) {
        updateScrollRange();
    }
}

int LapChart::firstVisibleLap() const
{
    return std::min(lapCount(), horizontalScrollBar()->value() / BarStep);
}

int LapChart::endOfVisibleLaps() const
{
    const int end = (horizontalScrollBar()->value() + viewport()->width()) / BarStep + 1;
    return std::min(lapCount(), end);
}

int LapChart::lapAt(const QPoint &position) const
{
    const int offset = position.x() + horizontalScrollBar()->value() - Margin;
    if (offset < 0 || offset % BarStep >= BarWidth) {
        return -1;
    }
    const int lap = offset / BarStep;
    return lap < lapCount() ? lap : -1;
}

void LapChart::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(viewport());
    const LapStatistics &statistics = m_analysis->statistics();
    if (statistics.isEmpty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(viewport()->rect(), Qt::AlignCenter, i18nc("@info", "The laps will show here."));
        return;
    }

    const KColorScheme scheme(QPalette::Active, KColorScheme::View);
    const QColor barColor = palette().color(QPalette::Highlight);
    const QColor fastestColor = scheme.foreground(KColorScheme::PositiveText).color();
    const QColor slowestColor = scheme.foreground(KColorScheme::NegativeText).color();

    const QRect area = viewport()->rect().adjusted(0, Margin + MarkSize + 2, 0, -Margin);
    // Scaled to the slowest lap of all, so bars keep their height while scrolling.
    const double scale = statistics.slowest() > 0 ? area.height() / double(statistics.slowest()) : 0.0;
    const int scroll = horizontalScrollBar()->value();

    painter.setRenderHint(QPainter::Antialiasing);
    for (int lap = firstVisibleLap(); lap < endOfVisibleLaps(); ++lap) {
        const int x = Margin + lap * BarStep - scroll;
        const int height = std::max(1, int(m_analysis->duration(lap) * scale));
        const QRect bar(x, area.bottom() - height + 1, BarWidth, height);
        const auto mark = m_analysis->mark(lap);
        const QColor color = mark == LapAnalysisModel::FastestMark ? fastestColor : mark == LapAnalysisModel::SlowestMark ? slowestColor : barColor;
        painter.fillRect(bar, color);
        if (mark == LapAnalysisModel::NoMark) {
            continue;
        }
        // The same shapes as in the lap table, above the bar.
        QPainterPath triangle;
        const qreal middle = x + BarWidth / 2.0;
        const qreal tip = bar.top() - 2;
        if (mark == LapAnalysisModel::FastestMark) {
            triangle.moveTo(middle, tip - MarkSize);
            triangle.lineTo(middle + MarkSize / 2.0, tip);
            triangle.lineTo(middle - MarkSize / 2.0, tip);
        } else {
            triangle.moveTo(middle - MarkSize / 2.0, tip - MarkSize);
            triangle.lineTo(middle + MarkSize / 2.0, tip - MarkSize);
            triangle.lineTo(middle, tip);
        }
        triangle.closeSubpath();
        painter.fillPath(triangle, color);
    }

    const int meanY = area.bottom() - int(statistics.mean() * scale);
    QPen meanPen(palette().color(QPalette::Text));
    meanPen.setStyle(Qt::DashLine);
    painter.setPen(meanPen);
    painter.drawLine(0, meanY, viewport()->width(), meanY);
    const QString meanText = i18nc("@label the mean lap time in the chart", "Mean %1", m_analysis->formatDuration(statistics.mean()));
    const QRect textRect = painter.fontMetrics().boundingRect(meanText);
    painter.drawText(viewport()->width() - textRect.width() - Margin, std::max(textRect.height(), meanY - 3), meanText);
}

bool LapChart::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto help = static_cast<QHelpEvent *>(event);
        const int lap = lapAt(help->pos());
        if (lap < 0) {
            QToolTip::hideText();
            return true;
        }
        QString text = i18nc("@info:tooltip lap number and its time", "Lap %1: %2", lap + 1, m_analysis->formatDuration(double(m_analysis->duration(lap))));
        const QString description = m_analysis->index(lap, 1).data(Qt::ToolTipRole).toString();
        if (!description.isEmpty()) {
            text += u'\n' + description;
        }
        QToolTip::showText(help->globalPos(), text, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

#include "moc_lapchart.cpp"
