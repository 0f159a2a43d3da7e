# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: BSD-3-Clause

# The forms reach the catalogue through the headers that ki18n_wrap_ui generates.
file(GLOB_RECURSE sources "${SOURCE_DIR}/*.cpp" "${SOURCE_DIR}/*.h")
file(GLOB_RECURSE forms "${BUILD_DIR}/ui_*.h")
list(SORT sources)
list(SORT forms)
if(NOT forms)
    message(FATAL_ERROR "no generated form headers under ${BUILD_DIR}")
endif()

execute_process(
    COMMAND ${XGETTEXT} --from-code=UTF-8 -C --kde -ci18n
        -ki18n:1 -ki18nc:1c,2 -ki18np:1,2 -ki18ncp:1c,2,3
        -kki18n:1 -kki18nc:1c,2 -kxi18n:1 -kxi18nc:1c,2
        -ktr2i18n:1 -ktr2i18n:1,2c -ktr2xi18n:1 -ktr2xi18n:1,2c
        -o ${OUTPUT} ${sources} ${forms}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "xgettext failed: ${result}")
endif()

file(READ "${OUTPUT}" catalogue)
string(REPLACE "\"\n\"" "" catalogue "${catalogue}")
file(STRINGS "${EXPECTED}" expected REGEX "^[^#]")
set(missing)
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
        list(APPEND missing "${line}")
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " missing_text)
    message(FATAL_ERROR "texts missing from the extracted catalogue:\n  ${missing_text}")
endif()
list(LENGTH expected count)
message(STATUS "all ${count} expected texts were extracted")
