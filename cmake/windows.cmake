# Windows: the program is a GUI program (no console window opens behind it).
#
# Against a static Qt (the one scripts/build-windows-qt.sh builds, and the
# usual way to ship one file) Verdane.exe carries everything: Qt, its
# platform plugin, Qt's French texts and the C and C++ run-times; it imports
# system DLLs only. `windows_packages` then makes the installer and the
# portable zip. Against a shared Qt (MSVC, MSYS2), `cmake --install` runs
# Qt's deployment step, which puts Qt's libraries and plugins beside it.
if(NOT WIN32)
  return()
endif()

set_target_properties(Verdane PROPERTIES WIN32_EXECUTABLE ON)

get_target_property(verdane_qt_core_type Qt6::Core TYPE)
if(verdane_qt_core_type STREQUAL "STATIC_LIBRARY")
  set(VERDANE_STATIC_QT ON)
else()
  set(VERDANE_STATIC_QT OFF)
endif()

if(MINGW AND VERDANE_STATIC_QT)
  # Without these, every program needs libstdc++-6.dll, libgcc_s_seh-1.dll
  # and libwinpthread-1.dll beside it. The tests, made after this, are
  # linked the same way.
  target_link_options(Verdane PRIVATE -static -static-libgcc -static-libstdc++)
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# Qt's own French texts (buttons and menus of Qt's dialogs, the boxes'
# context menus) built in: Qt's translation catalogs are the same files on
# every system, so the build machine's copy serves (Debian package
# qt6-translations-l10n). A shared Qt on Windows brings its own folder.
set(VERDANE_QT_FR_CATALOG "/usr/share/qt6/translations/qtbase_fr.qm"
    CACHE FILEPATH "Qt's French catalog built into the Windows program")
if(EXISTS ${VERDANE_QT_FR_CATALOG})
  set(qrc ${CMAKE_BINARY_DIR}/app/qt_french.qrc)
  file(COPY ${VERDANE_QT_FR_CATALOG} DESTINATION ${CMAKE_BINARY_DIR}/app/translations)
  file(WRITE ${qrc} "<RCC><qresource prefix=\"/translations\">\n"
                    "  <file alias=\"qtbase_fr.qm\">translations/qtbase_fr.qm</file>\n"
                    "</qresource></RCC>\n")
  target_sources(vela_app PRIVATE ${qrc})
elseif(VERDANE_STATIC_QT)
  message(WARNING "${VERDANE_QT_FR_CATALOG} not found: Qt's own texts will be in English "
                  "(install qt6-translations-l10n, or set VERDANE_QT_FR_CATALOG).")
endif()

if(VERDANE_STATIC_QT)
  # The installer and the portable zip, from the one program file.
  find_program(VERDANE_MAKENSIS makensis)
  set(setup ${CMAKE_BINARY_DIR}/Verdane-${PROJECT_VERSION}-setup.exe)
  set(zip ${CMAKE_BINARY_DIR}/Verdane-${PROJECT_VERSION}-portable.zip)
  set(zip_dir ${CMAKE_BINARY_DIR}/portable)
  set(nsi ${CMAKE_SOURCE_DIR}/packaging/windows/verdane.nsi)
  # The portable copy is a folder of its own: its settings go beside it.
  add_custom_command(OUTPUT ${zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${zip_dir}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${zip_dir}/Verdane
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Verdane> ${zip_dir}/Verdane/Verdane.exe
    COMMAND ${CMAKE_COMMAND} -E chdir ${zip_dir}
            ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip Verdane
    DEPENDS Verdane
    COMMENT "Making Verdane-${PROJECT_VERSION}-portable.zip"
    VERBATIM)
  set(outputs ${zip})
  if(VERDANE_MAKENSIS)
    add_custom_command(OUTPUT ${setup}
      COMMAND ${VERDANE_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION}
              -DEXE=$<TARGET_FILE:Verdane>
              -DICON=${CMAKE_SOURCE_DIR}/resources/icons/verdane.ico
              -DLICENSE=${CMAKE_SOURCE_DIR}/LICENSE -DOUTFILE=${setup} ${nsi}
      DEPENDS Verdane ${nsi}
      COMMENT "Making Verdane-${PROJECT_VERSION}-setup.exe"
      VERBATIM)
    list(APPEND outputs ${setup})
  else()
    message(STATUS "makensis not found (Debian package nsis): no installer is made.")
  endif()
  add_custom_target(windows_packages ALL DEPENDS ${outputs})
  return()
endif()

# A shared Qt: Qt's deployment script runs windeployqt over the installed
# program and writes a qt.conf beside it.
include(GNUInstallDirs)
if(COMMAND qt_generate_deploy_app_script)
  if(Qt6_VERSION VERSION_LESS 6.5)
    # Qt 6.3 and 6.4 name the output variable FILENAME_VARIABLE.
    qt_generate_deploy_app_script(TARGET Verdane
      FILENAME_VARIABLE verdane_deploy_script
      NO_UNSUPPORTED_PLATFORM_ERROR)
  else()
    qt_generate_deploy_app_script(TARGET Verdane
      OUTPUT_SCRIPT verdane_deploy_script
      NO_UNSUPPORTED_PLATFORM_ERROR)
  endif()
  # Run last, at the end of the top-level CMakeLists.txt: after every install
  # rule of the program, wherever it is written.
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR}
    CALL install SCRIPT "${verdane_deploy_script}")
else()
  message(STATUS "This Qt has no deployment script: after `cmake --install`, "
                 "run windeployqt on the installed Verdane.exe (see README.md).")
endif()
