#!/bin/sh
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: BSD-3-Clause
#
# Runs a command under a German locale: run-in-german.sh SCRATCH_DIR COMMAND...
# Build roots often have no compiled German locale; setlocale() then falls back to C and
# gettext ignores LANGUAGE. A copy of C.UTF-8 under the German name stands in for it: the
# translations and Qt's own locale data (dates, numbers) need no more than the name.
set -e
scratch=$1
shift
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\{0,1\}8$'; then
    for c in /usr/lib/locale/C.utf8 /usr/lib/locale/C.UTF-8; do
        if [ -d "$c" ]; then
            rm -rf "$scratch/de_DE.UTF-8"
            mkdir -p "$scratch"
            cp -r "$c" "$scratch/de_DE.UTF-8"
            LOCPATH=$scratch
            export LOCPATH
            break
        fi
    done
fi
LANGUAGE=de LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
export LANGUAGE LANG LC_ALL
exec "$@"
