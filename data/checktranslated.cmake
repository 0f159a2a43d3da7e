# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: BSD-3-Clause
#
# Checks that the merged desktop entry and metainfo carry, for every language given, a
# translated name and summary (and the desktop entry's generic name and comment).
# Run with -DDESKTOP_FILE=... -DMETAINFO_FILE=... -DLANGUAGES=de;fr;...

if(NOT LANGUAGES)
    message(FATAL_ERROR "no languages given; is the po folder empty?")
endif()
file(READ "${DESKTOP_FILE}" desktop)
file(READ "${METAINFO_FILE}" metainfo)
set(failures "")
foreach(lang IN LISTS LANGUAGES)
    foreach(key IN ITEMS Name GenericName Comment Keywords)
        if(NOT desktop MATCHES "\n${key}\\[${lang}\\]=[^\n]+")
            string(APPEND failures "  desktop entry has no ${key}[${lang}]\n")
        endif()
    endforeach()
    foreach(element IN ITEMS name summary)
        if(NOT metainfo MATCHES "<${element} xml:lang=\"${lang}\">[^<]+</${element}>")
            string(APPEND failures "  metainfo has no <${element} xml:lang=\"${lang}\">\n")
        endif()
    endforeach()
endforeach()
if(failures)
    message(FATAL_ERROR "untranslated desktop integration files:\n${failures}")
endif()
message(STATUS "desktop entry and metainfo translated into: ${LANGUAGES}")
