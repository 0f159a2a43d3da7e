// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ui_colorsettings.h"

#include <QWidget>

/** The settings page for the display colours; KConfigDialog binds its "kcfg_" widgets. */
class ColorSettings : public QWidget, protected Ui::ColorSettings
{
    Q_OBJECT

public:
    explicit ColorSettings(QWidget *parent = nullptr);
};
