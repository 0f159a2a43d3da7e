#! /usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: BSD-3-Clause
$EXTRACTRC `find . -name \*.rc -o -name \*.ui -o -name \*.kcfg | grep -v autotests` >> rc.cpp
$XGETTEXT `find src -name \*.cpp -o -name \*.h` rc.cpp -o $podir/tickwarden.pot
rm -f rc.cpp
