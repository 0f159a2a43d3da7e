// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ui_fontsettings.h"

#include <QWidget>

/** The settings page for the fonts of the four digit groups; KConfigDialog binds its "kcfg_" widgets. */
class FontSettings : public QWidget, protected Ui::FontSettings
{
    Q_OBJECT

public:
    explicit FontSettings(QWidget *parent = nullptr);
};
