// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "laptargetdialog.h"

#include "durationedit.h"
#include "lapalerts.h"

#include <KActionCollection>
#include <KLocalizedString>

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

LapTargetDialog::LapTargetDialog(LapAlerts *alerts, bool comparing, QWidget *parent)
    : QDialog(parent)
    , m_alerts(alerts)
    , m_target(new DurationEdit(this))
    , m_comparedLaps(new QCheckBox(i18nc("@option:check", "Use the compared run's lap where it has one"), this))
{
    setWindowTitle(i18nc("@title:window", "Lap Target"));
    m_target->setObjectName(u"lapTargetEdit"_s);
    m_target->setMilliseconds(alerts->target());
    m_comparedLaps->setObjectName(u"comparedLapsBox"_s);
    m_comparedLaps->setChecked(alerts->usesComparedLaps());
    if (!comparing) {
        m_comparedLaps->setToolTip(i18nc("@info:tooltip", "Choose a run to compare with in View → Compare With first"));
    }
    // Kept as chosen while nothing is compared, so it applies again once something is.
    m_comparedLaps->setEnabled(comparing || alerts->usesComparedLaps());

    auto layout = new QFormLayout(this);
    auto explanation = new QLabel(i18nc("@info", "A notification tells when the running lap takes longer than its target."), this);
    explanation->setWordWrap(true);
    layout->addRow(explanation);
    layout->addRow(i18nc("@label:spinbox", "Target:"), m_target);
    layout->addRow(m_comparedLaps);
    auto buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::accepted, this, &LapTargetDialog::apply);
}

QAction *LapTargetDialog::createAction(LapAlerts *alerts, std::function<bool()> comparing, KActionCollection *collection, QWidget *window)
{
    QAction *action = collection->addAction(u"lap_target"_s);
    action->setText(i18nc("@action:inmenu", "Lap &Target…"));
    action->setIcon(QIcon::fromTheme(u"notifications"_s));
    action->setToolTip(i18nc("@info:tooltip", "Be notified when a lap runs longer than a time you set"));
    QObject::connect(action, &QAction::triggered, window, [alerts, comparing = std::move(comparing), window] {
        // Window-modal and without blocking: the stopwatch goes on while it is open.
        auto dialog = new LapTargetDialog(alerts, comparing(), window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        dialog->show();
    });
    return action;
}

DurationEdit *LapTargetDialog::targetEdit() const
{
    return m_target;
}

QCheckBox *LapTargetDialog::comparedLapsBox() const
{
    return m_comparedLaps;
}

void LapTargetDialog::apply()
{
    m_alerts->setTarget(m_target->milliseconds());
    m_alerts->setUseComparedLaps(m_comparedLaps->isChecked());
}

#include "moc_laptargetdialog.cpp"
