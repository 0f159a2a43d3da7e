# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: BSD-3-Clause
#
# Run with -DSOURCE_DIR=<checkout> -DWORK_DIR=<scratch folder> -DEXPECTED=<list>.

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(pot "${WORK_DIR}/tickwarden.pot")

# The same tool settings as scripts/update-translations.sh, which a translator runs.
execute_process(
    COMMAND bash -c "set -e; source <(sed -n '/^export EXTRACTRC/,/^export podir/p' scripts/update-translations.sh | sed 's|^export podir=.*|export podir=\"${WORK_DIR}\"|'); bash Messages.sh"
    WORKING_DIRECTORY "${SOURCE_DIR}"
    RESULT_VARIABLE result
    ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT EXISTS "${pot}")
    message(FATAL_ERROR "Messages.sh failed (${result}):\n${errors}")
endif()

set(failures "")

# 1. Texts from every part of the program reached the catalogue.
execute_process(COMMAND msgcat --no-wrap --no-location -o "${WORK_DIR}/flat.pot" "${pot}")
file(READ "${WORK_DIR}/flat.pot" catalogue)
file(STRINGS "${EXPECTED}" expected REGEX "^[^#]")
foreach(line IN LISTS expected)
    # "context|text" or just "text"
    string(FIND "${line}" "|" bar)
    if(bar GREATER -1)
        string(SUBSTRING "${line}" 0 ${bar} context)
        math(EXPR start "${bar} + 1")
        string(SUBSTRING "${line}" ${start} -1 text)
        set(entry "msgctxt \"${context}\"\nmsgid \"${text}\"")
    else()
        set(text "${line}")
        set(entry "\nmsgid \"${text}\"")
    endif()
    string(FIND "${catalogue}" "${entry}" found)
    if(found EQUAL -1)
        string(APPEND failures "  not extracted: ${line}\n")
    endif()
endforeach()

# 2. Each translation is complete for the current texts and passes msgfmt's checks.
file(GLOB po_files "${SOURCE_DIR}/po/*/tickwarden.po")
foreach(po IN LISTS po_files)
    get_filename_component(lang_dir "${po}" DIRECTORY)
    get_filename_component(lang "${lang_dir}" NAME)
    set(merged "${WORK_DIR}/${lang}.po")
    execute_process(COMMAND msgmerge --quiet --no-wrap --no-location --no-fuzzy-matching -o "${merged}" "${po}" "${pot}"
        RESULT_VARIABLE result ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        string(APPEND failures "  ${lang}: msgmerge failed: ${errors}\n")
        continue()
    endif()
    execute_process(COMMAND msgfmt --check --check-accelerators=& --statistics -o /dev/null "${merged}"
        RESULT_VARIABLE result ERROR_VARIABLE statistics)
    string(STRIP "${statistics}" statistics)
    if(NOT result EQUAL 0 OR statistics MATCHES "untranslated|fuzzy")
        string(APPEND failures "  ${lang}: ${statistics} (run scripts/update-translations.sh and translate po/${lang}/tickwarden.po)\n")
    endif()

    # 3. The agreed terms: wherever the English text uses a word of the glossary, the
    # translation uses its agreed rendering.
    set(glossary "${CMAKE_CURRENT_LIST_DIR}/glossary-${lang}.txt")
    if(NOT EXISTS "${glossary}")
        continue()
    endif()
    file(STRINGS "${glossary}" terms REGEX "^[^#].*\\|")
    file(STRINGS "${merged}" po_lines ENCODING UTF-8)
    set(msgid "")
    foreach(po_line IN LISTS po_lines)
        if(po_line MATCHES "^msgid \"(.*)\"$")
            string(TOLOWER "${CMAKE_MATCH_1}" msgid)
        elseif(po_line MATCHES "^msgstr \"(.+)\"$" AND NOT msgid STREQUAL "")
            string(TOLOWER "${CMAKE_MATCH_1}" msgstr)
            foreach(term IN LISTS terms)
                string(REPLACE "|" ";" pair "${term}")
                list(GET pair 0 english)
                list(GET pair 1 translated)
                if(msgid MATCHES "(^|[^a-z])${english}" AND NOT msgstr MATCHES "${translated}")
                    string(APPEND failures "  ${lang}: \"${msgid}\" uses \"${english}\" but its translation lacks \"${translated}\"\n")
                endif()
            endforeach()
            set(msgid "")
        endif()
    endforeach()
endforeach()

if(failures)
    message(FATAL_ERROR "message catalogue problems:\n${failures}")
endif()
list(LENGTH expected count)
list(LENGTH po_files translations)
message(STATUS "all ${count} expected texts extracted; ${translations} translation(s) complete and consistent")
