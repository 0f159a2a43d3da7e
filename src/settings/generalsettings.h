// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ui_generalsettings.h"

#include <QWidget>

/**
 * The settings page for the shown fields of display and laps, laps recording, starting at
 * once and the tray item.
 *
 * KConfigDialog binds the "kcfg_" widgets to the settings; the page itself only keeps the
 * widgets that depend on a check box enabled or visible in step with it.
 */
class GeneralSettings : public QWidget, protected Ui::GeneralSettings
{
    Q_OBJECT

public:
    explicit GeneralSettings(QWidget *parent = nullptr);

    /** Whether the desktop has a system tray for the item; without one the page says so. */
    void setTrayAvailable(bool available);

private Q_SLOTS:
    void showFractionsToggled(bool toggled);
    void showLapFractionsToggled(bool toggled);
    void enableLapsToggled(bool toggled);
};
