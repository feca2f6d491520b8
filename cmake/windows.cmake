# Windows: the program is a GUI program (no console window opens behind it),
# and `cmake --install` makes a folder that runs on its own: the program, the
# Qt libraries it uses, the platform plugin and other plugins, Qt's
# translations (the French ones among them, for Qt's own dialog buttons and
# texts) and the compiler's run-time libraries.
if(NOT WIN32)
  return()
endif()

include(GNUInstallDirs)

set_target_properties(Verdane PROPERTIES WIN32_EXECUTABLE ON)

# The program itself is installed by cmake/install.cmake, on every system.
# Qt's deployment script runs windeployqt over the installed program and
# writes a qt.conf beside it. When cross-compiling there is no deployment
# tool to run: the script then only says so instead of failing.
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
