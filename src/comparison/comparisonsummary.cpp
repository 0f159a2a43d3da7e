// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "comparisonsummary.h"

#include "lapanalysismodel.h"
#include "runcomparison.h"

#include <KLocalizedString>

#include <QGridLayout>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

ComparisonSummary::ComparisonSummary(RunComparison *comparison, LapAnalysisModel *format, QWidget *parent)
    : QWidget(parent)
    , m_comparison(comparison)
    , m_format(format)
{
    setObjectName(u"comparisonSummary"_s);
    auto grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    m_sumOfBest = addFigure(i18nc("@label the fastest lap at every position summed", "Sum of best:"),
                            i18nc("@info:tooltip", "The fastest lap at every position of the earlier runs and this one, added up"),
                            u"sumOfBest"_s,
                            0);
    m_predicted = addFigure(i18nc("@label", "Predicted finish:"),
                            i18nc("@info:tooltip", "The time at the last lap and the compared run's laps still to come"),
                            u"predictedFinish"_s,
                            1);
    m_possibleSave = addFigure(i18nc("@label", "Possible time save:"),
                               i18nc("@info:tooltip", "How much sooner than predicted the run could end if every lap still to come were a best lap"),
                               u"possibleTimeSave"_s,
                               2);
    grid->setColumnStretch(6, 1);

    connect(comparison, &RunComparison::comparisonChanged, this, &ComparisonSummary::slotUpdateFigures);
    connect(comparison, &RunComparison::runChanged, this, &ComparisonSummary::slotUpdateFigures);
    connect(format, &LapAnalysisModel::statisticsChanged, this, &ComparisonSummary::slotUpdateFigures);
    slotUpdateFigures();
}

QLabel *ComparisonSummary::addFigure(const QString &caption, const QString &toolTip, const QString &objectName, int column)
{
    auto grid = static_cast<QGridLayout *>(layout());
    auto captionLabel = new QLabel(caption, this);
    auto value = new QLabel(this);
    value->setObjectName(objectName);
    value->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    value->setFocusPolicy(Qt::TabFocus);
    value->setAccessibleName(caption.chopped(caption.endsWith(u':') ? 1 : 0));
    captionLabel->setBuddy(value);
    captionLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    captionLabel->setToolTip(toolTip);
    value->setToolTip(toolTip);
    grid->addWidget(captionLabel, 0, column * 2);
    grid->addWidget(value, 0, column * 2 + 1);
    return value;
}

void ComparisonSummary::slotUpdateFigures()
{
    const bool comparing = m_comparison && m_comparison->isComparing();
    setVisible(comparing);
    if (!comparing || !m_format) {
        return;
    }
    const QString none = i18nc("no value, shown while there are no laps", "–");
    const auto duration = [this, &none](std::optional<qint64> milliseconds) {
        return milliseconds ? m_format->formatDuration(double(*milliseconds)) : none;
    };
    const qint64 sumOfBest = m_comparison->sumOfBest();
    m_sumOfBest->setText(sumOfBest > 0 ? duration(sumOfBest) : none);
    m_predicted->setText(duration(m_comparison->predictedFinish()));
    m_possibleSave->setText(duration(m_comparison->possibleTimeSave()));
}

#include "moc_comparisonsummary.cpp"
