#! /usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: BSD-3-Clause
#
# Run by KDE's translation tools, or locally by scripts/update-translations.sh, with
# $EXTRACTRC, $XGETTEXT and $podir set.
$EXTRACTRC `find src -name \*.rc -o -name \*.ui -o -name \*.kcfg | sort` >> rc.cpp
$XGETTEXT `find src -name \*.cpp -o -name \*.h | sort` rc.cpp -o $podir/tickwarden.pot
rm -f rc.cpp
# The desktop entry and the AppStream metadata join the same catalogue; gettext's own
# rules for both formats pick their translatable keys and elements.
xgettext --from-code=UTF-8 --add-comments -L Desktop -o $podir/desktop.pot data/*.desktop
xgettext --from-code=UTF-8 --add-comments -o $podir/metainfo.pot data/*.metainfo.xml
# The notification events are read like a desktop entry: their names and comments.
xgettext --from-code=UTF-8 --add-comments -L Desktop -o $podir/notifyrc.pot src/app/*.notifyrc
msgcat --use-first -o $podir/tickwarden.pot $podir/tickwarden.pot $podir/desktop.pot $podir/metainfo.pot $podir/notifyrc.pot
rm -f $podir/desktop.pot $podir/metainfo.pot $podir/notifyrc.pot
