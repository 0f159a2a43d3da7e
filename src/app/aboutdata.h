// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

class KAboutData;

/** The program's identity: name, version, licence and credits, for the About dialog and the help menu. */
[[nodiscard]] KAboutData tickwardenAboutData();
