// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "colorsettings.h"

ColorSettings::ColorSettings(QWidget *parent)
    : QWidget(parent)
{
    setupUi(this);
}

#include "moc_colorsettings.cpp"
