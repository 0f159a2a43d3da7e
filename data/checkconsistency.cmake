# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: BSD-3-Clause
#
# Cross-checks the desktop entry, the AppStream metadata and the icon against each other
# and against the build. Run with -DDATA_DIR=... -DAPP_ID=... -DBINARY=... -DVERSION=...

set(failures "")
macro(expect what actual expected)
    if(NOT "${actual}" STREQUAL "${expected}")
        string(APPEND failures "  ${what}: found '${actual}', expected '${expected}'\n")
    endif()
endmacro()

set(desktop_file "${DATA_DIR}/${APP_ID}.desktop")
set(metainfo_file "${DATA_DIR}/${APP_ID}.metainfo.xml")
foreach(f IN ITEMS "${desktop_file}" "${metainfo_file}")
    if(NOT EXISTS "${f}")
        message(FATAL_ERROR "missing ${f}")
    endif()
endforeach()

# Desktop entry: the first value of each key in the [Desktop Entry] group.
file(STRINGS "${desktop_file}" desktop_lines)
set(in_main_group FALSE)
foreach(line IN LISTS desktop_lines)
    if(line MATCHES "^\\[(.*)\\]$")
        set(in_main_group FALSE)
        if(CMAKE_MATCH_1 STREQUAL "Desktop Entry")
            set(in_main_group TRUE)
        endif()
    elseif(in_main_group AND line MATCHES "^([A-Za-z0-9-]+)=(.*)$")
        if(NOT DEFINED "entry_${CMAKE_MATCH_1}")
            set("entry_${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
        endif()
    endif()
endforeach()

# Exec may carry field codes such as %U after the program.
string(REGEX REPLACE "[ \t].*$" "" exec_program "${entry_Exec}")
expect("desktop entry Exec" "${exec_program}" "${BINARY}")
if(NOT EXISTS "${DATA_DIR}/sc-apps-${entry_Icon}.svg")
    string(APPEND failures "  desktop entry Icon '${entry_Icon}' has no sc-apps-${entry_Icon}.svg beside it\n")
endif()

file(READ "${metainfo_file}" metainfo)
# Comments may quote elements; they must not count.
string(REGEX REPLACE "<!--([^-]|-[^-])*-->" "" metainfo "${metainfo}")

string(REGEX MATCH "<id>([^<]*)</id>" _ "${metainfo}")
expect("metainfo id" "${CMAKE_MATCH_1}" "${APP_ID}")
string(REGEX MATCH "<launchable type=\"desktop-id\">([^<]*)</launchable>" _ "${metainfo}")
expect("metainfo desktop-id launchable" "${CMAKE_MATCH_1}" "${APP_ID}.desktop")
string(REGEX MATCH "<binary>([^<]*)</binary>" _ "${metainfo}")
expect("metainfo provided binary" "${CMAKE_MATCH_1}" "${BINARY}")
string(REGEX MATCH "<name>([^<]*)</name>" _ "${metainfo}")
expect("metainfo name against desktop entry Name" "${CMAKE_MATCH_1}" "${entry_Name}")
# Releases are listed newest first; the newest must be the one being built.
string(REGEX MATCH "<release [^>]*version=\"([^\"]*)\"" _ "${metainfo}")
expect("newest metainfo release" "${CMAKE_MATCH_1}" "${VERSION}")

if(failures)
    message(FATAL_ERROR "desktop integration files disagree:\n${failures}")
endif()
message(STATUS "desktop entry, metainfo and icon agree (${APP_ID}, ${BINARY} ${VERSION})")
