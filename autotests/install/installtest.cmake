# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: BSD-3-Clause

file(REMOVE_RECURSE "${STAGE_DIR}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${STAGE_DIR}"
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${STAGE_DIR}" "${STAGE_DIR}/*")
list(SORT installed)
file(STRINGS "${EXPECTED_FILES}" expected REGEX "^[^#]")
# Qt's plugin folder differs between systems (it names the architecture on Debian).
list(TRANSFORM expected REPLACE "^@PLUGINDIR@" "${PLUGIN_DIR}")
list(SORT expected)
if(NOT installed STREQUAL expected)
    list(JOIN installed "\n  " installed_text)
    list(JOIN expected "\n  " expected_text)
    message(FATAL_ERROR "installed files differ.\nInstalled:\n  ${installed_text}\nExpected:\n  ${expected_text}")
endif()

# Every catalogue's language reaches the files the desktop reads without the program: the
# launcher's entry and the notification events.
file(GLOB catalogues "${SOURCE_DIR}/po/*/tickwarden.po")
foreach(catalogue IN LISTS catalogues)
    get_filename_component(language_dir "${catalogue}" DIRECTORY)
    get_filename_component(language "${language_dir}" NAME)
    foreach(translated IN ITEMS share/applications/org.tickwarden.Tickwarden.desktop share/knotifications6/tickwarden.notifyrc)
        file(STRINGS "${STAGE_DIR}/${translated}" names REGEX "^Name\\[${language}\\]=")
        if(NOT names)
            message(FATAL_ERROR "${translated} has no names in ${language}")
        endif()
    endforeach()
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} -E env "TICKWARDEN_SMOKE_BINARY=${STAGE_DIR}/bin/tickwarden" "${SMOKE_TEST}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the installed binary did not start: ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env "TICKWARDEN_INSTALLED_ICONS=${STAGE_DIR}/share/icons" QT_QPA_PLATFORM=offscreen "${ICON_TEST}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the installed icon cannot be drawn without SVG support: ${result}")
endif()
message(STATUS "installed ${STAGE_DIR}: files as expected, binary starts, icon drawn")
