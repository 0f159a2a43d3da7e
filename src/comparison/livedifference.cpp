// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "livedifference.h"

#include "lapanalysismodel.h"
#include "runcomparison.h"

#include <KColorScheme>
#include <KLocalizedString>

#include <QEvent>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

LiveDifference::LiveDifference(RunComparison *comparison, LapAnalysisModel *format, QWidget *parent)
    : QWidget(parent)
    , m_comparison(comparison)
    , m_format(format)
{
    setObjectName(u"liveDifference"_s);
    setAccessibleName(i18nc("@info accessible name", "Difference to the compared run"));
    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    setFont(font);
    connect(comparison, &RunComparison::comparisonChanged, this, [this] {
        refresh(true);
    });
    connect(comparison, &RunComparison::runChanged, this, [this] {
        refresh(true);
    });
    connect(format, &LapAnalysisModel::statisticsChanged, this, [this] {
        // The lap format may have changed with the figures.
        refresh(false);
    });
    refresh(true);
}

QString LiveDifference::text() const
{
    return m_text;
}

void LiveDifference::setElapsed(int milliseconds)
{
    m_elapsed = milliseconds;
    refresh(false);
}

void LiveDifference::refresh(bool announce)
{
    m_difference = m_comparison ? m_comparison->liveDifference(m_elapsed) : std::nullopt;
    const QString text = m_difference && m_format ? m_format->formatDifference(double(*m_difference)) : QString();
    setVisible(m_comparison && m_comparison->isComparing());
    if (text != m_text) {
        const bool widthChanged = text.size() != m_text.size();
        m_text = text;
        if (widthChanged) {
            updateGeometry();
        }
        QWidget::update();
    }
    if (announce) {
        setAccessibleDescription(m_text);
        setToolTip(m_comparison && m_comparison->isComparing() ? i18nc("@info:tooltip %1 is what the run is compared with",
                                                                       "Difference to %1 at this moment; ahead is negative",
                                                                       m_comparison->referenceTitle())
                                                               : QString());
    }
}

QSize LiveDifference::sizeHint() const
{
    // Wide enough for the longest difference of the format, so the digits beside it stay put.
    const QString widest = m_format ? m_format->formatDifference(-(99 * 3600 * 1000.0 + 59 * 60 * 1000.0 + 59999)) : m_text;
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(widest.size() > m_text.size() ? widest : m_text) + 2 * metrics.averageCharWidth(), metrics.height()};
}

QSize LiveDifference::minimumSizeHint() const
{
    return sizeHint();
}

void LiveDifference::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    if (m_text.isEmpty()) {
        return;
    }
    QPainter painter(this);
    const KColorScheme scheme(QPalette::Active, KColorScheme::Window);
    QColor color = palette().color(QPalette::WindowText);
    if (m_difference && m_text != m_format->formatDuration(0)) {
        color = scheme.foreground(*m_difference < 0 ? KColorScheme::PositiveText : KColorScheme::NegativeText).color();
    }
    painter.setPen(color);
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}

void LiveDifference::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        updateGeometry();
        QWidget::update();
    }
    QWidget::changeEvent(event);
}

#include "moc_livedifference.cpp"
