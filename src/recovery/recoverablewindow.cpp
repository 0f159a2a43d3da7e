// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "recoverablewindow.h"

RecoverableWindow::~RecoverableWindow() = default;
