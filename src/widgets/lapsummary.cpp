// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapsummary.h"

#include "lapanalysismodel.h"

#include <KLocalizedString>

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

LapSummary::LapSummary(LapAnalysisModel *analysis, QWidget *parent)
    : QWidget(parent)
    , m_analysis(analysis)
{
    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_toggle = new QToolButton(this);
    m_toggle->setObjectName(u"lapSummaryToggle"_s);
    m_toggle->setText(i18nc("@action:button title of the folding lap summary", "Lap Summary"));
    m_toggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toggle->setAutoRaise(true);
    m_toggle->setCheckable(true);
    m_toggle->setChecked(true);
    m_toggle->setArrowType(Qt::DownArrow);
    layout->addWidget(m_toggle);

    m_figures = new QWidget(this);
    m_figures->setObjectName(u"lapSummaryFigures"_s);
    auto grid = new QGridLayout(m_figures);
    m_count = addFigure(i18nc("@label number of laps", "Laps:"), u"lapCount"_s, 0, 0);
    m_fastest = addFigure(i18nc("@label", "Fastest:"), u"fastestLap"_s, 0, 1);
    m_slowest = addFigure(i18nc("@label", "Slowest:"), u"slowestLap"_s, 0, 2);
    m_lastToMean = addFigure(i18nc("@label difference of the last lap to the mean lap time", "Last lap to mean:"), u"lastLapToMean"_s, 0, 3);
    m_mean = addFigure(i18nc("@label", "Mean:"), u"meanLap"_s, 1, 1);
    m_median = addFigure(i18nc("@label", "Median:"), u"medianLap"_s, 1, 2);
    m_deviation = addFigure(i18nc("@label", "Standard deviation:"), u"lapDeviation"_s, 1, 3);
    grid->setColumnStretch(8, 1);
    layout->addWidget(m_figures);

    connect(m_toggle, &QToolButton::toggled, this, [this](bool expanded) {
        m_toggle->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
        m_figures->setVisible(expanded);
        Q_EMIT expandedChanged(expanded);
    });
    connect(m_analysis, &LapAnalysisModel::statisticsChanged, this, &LapSummary::slotUpdateFigures);
    slotUpdateFigures();
}

QLabel *LapSummary::addFigure(const QString &caption, const QString &objectName, int row, int column)
{
    auto grid = static_cast<QGridLayout *>(m_figures->layout());
    auto captionLabel = new QLabel(caption, m_figures);
    auto value = new QLabel(m_figures);
    value->setObjectName(objectName);
    // Reachable with Tab and readable by a screen reader, which announces the caption with it.
    value->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    value->setFocusPolicy(Qt::TabFocus);
    value->setAccessibleName(caption.chopped(caption.endsWith(u':') ? 1 : 0));
    captionLabel->setBuddy(value);
    captionLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(captionLabel, row, column * 2);
    grid->addWidget(value, row, column * 2 + 1);
    return value;
}

void LapSummary::addFigures(QWidget *figures)
{
    auto grid = static_cast<QGridLayout *>(m_figures->layout());
    figures->setParent(m_figures);
    grid->addWidget(figures, grid->rowCount(), 0, 1, -1);
}

void LapSummary::setExpanded(bool expanded)
{
    m_toggle->setChecked(expanded);
}

bool LapSummary::isExpanded() const
{
    return m_toggle->isChecked();
}

void LapSummary::slotUpdateFigures()
{
    const LapStatistics &statistics = m_analysis->statistics();
    m_count->setText(QString::number(statistics.count()));
    if (statistics.isEmpty()) {
        const QString none = i18nc("no value, shown while there are no laps", "–");
        for (QLabel *label : {m_fastest, m_slowest, m_lastToMean, m_mean, m_median, m_deviation}) {
            label->setText(none);
        }
        return;
    }
    m_fastest->setText(m_analysis->formatDuration(double(statistics.fastest())));
    m_slowest->setText(m_analysis->formatDuration(double(statistics.slowest())));
    m_lastToMean->setText(m_analysis->formatDifference(statistics.differenceToMean(statistics.last())));
    m_mean->setText(m_analysis->formatDuration(statistics.mean()));
    m_median->setText(m_analysis->formatDuration(statistics.median()));
    m_deviation->setText(m_analysis->formatDuration(statistics.standardDeviation()));
}

#include "moc_lapsummary.cpp"
