// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "generalsettings.h"

GeneralSettings::GeneralSettings(QWidget *parent)
    : QWidget(parent)
{
    setupUi(this);

    connect(kcfg_showSecondFractions, &QAbstractButton::toggled, this, &GeneralSettings::showFractionsToggled);
    connect(kcfg_showLapSecondFractions, &QAbstractButton::toggled, this, &GeneralSettings::showLapFractionsToggled);
    connect(kcfg_isLapsRecordingEnabled, &QAbstractButton::toggled, this, &GeneralSettings::enableLapsToggled);

    // The dialog loads a value only through a change of the check state, so a loaded value
    // equal to the form's own state would otherwise leave its dependent widgets as the form built them.
    showFractionsToggled(kcfg_showSecondFractions->isChecked());
    showLapFractionsToggled(kcfg_showLapSecondFractions->isChecked());
    enableLapsToggled(kcfg_isLapsRecordingEnabled->isChecked());
    setTrayAvailable(true);
}

void GeneralSettings::setTrayAvailable(bool available)
{
    trayUnavailableLabel->setVisible(!available);
}

void GeneralSettings::showFractionsToggled(bool toggled)
{
    kcfg_fractionsType->setEnabled(toggled);
}

void GeneralSettings::showLapFractionsToggled(bool toggled)
{
    kcfg_lapFractionsType->setEnabled(toggled);
}

void GeneralSettings::enableLapsToggled(bool toggled)
{
    lapSettings->setVisible(toggled);
}

#include "moc_generalsettings.cpp"
