// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fontsettings.h"

FontSettings::FontSettings(QWidget *parent)
    : QWidget(parent)
{
    setupUi(this);
}

#include "moc_fontsettings.cpp"
