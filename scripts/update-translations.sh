#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: GPL-2.0-or-later
#
# Extracts the translatable texts with Messages.sh into po/tickwarden.pot (not kept in
# git) and merges them into every po/<language>/tickwarden.po, then prints how complete
# each translation is. Needs gettext and python3; run it from the checkout or through
# "scripts/tickwarden-dev shell scripts/update-translations.sh".
#
#   scripts/update-translations.sh            extract and merge
#   scripts/update-translations.sh --new LANG also start po/LANG/tickwarden.po
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

export EXTRACTRC="$PWD/scripts/i18n/extractrc"
export XGETTEXT="xgettext --from-code=UTF-8 -C --kde --add-comments=i18n: -ci18n
 -ki18n:1 -ki18nc:1c,2 -ki18np:1,2 -ki18ncp:1c,2,3
 -kki18n:1 -kki18nc:1c,2 -kki18np:1,2 -kki18ncp:1c,2,3
 -kxi18n:1 -kxi18nc:1c,2 -kxi18np:1,2 -kxi18ncp:1c,2,3
 -kkxi18n:1 -kkxi18nc:1c,2 -kkxi18np:1,2 -kkxi18ncp:1c,2,3
 -kI18N_NOOP:1 -kI18NC_NOOP:1c,2 --msgid-bugs-address=https://tickwarden.invalid/bugs
 --package-name=tickwarden"
export podir="$PWD/po"
mkdir -p "$podir"
bash Messages.sh

if [ "${1:-}" = --new ]; then
    lang=${2:?--new needs a language code such as fr or pt_BR}
    mkdir -p "po/$lang"
    [ -e "po/$lang/tickwarden.po" ] || msginit --no-translator -l "$lang" -i po/tickwarden.pot -o "po/$lang/tickwarden.po"
fi

for po in po/*/tickwarden.po; do
    [ -e "$po" ] || continue
    msgmerge --quiet --update --backup=none --previous "$po" po/tickwarden.pot
    printf '%s: ' "$po"
    msgfmt --check --statistics -o /dev/null "$po"
done
