# Cross-builds the Windows program on Linux: mingw-w64 against the static Qt
# for Windows that scripts/build-windows-qt.sh keeps in the cache.
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/windows-toolchain.cmake
#
# VERDANE_WINDOWS_QT names that Qt's folder; by default, the one the script
# prints for this machine. Qt's own toolchain file, in that folder, brings
# the compilers (the posix-thread mingw-w64 ones), Windows as the target and
# the host's moc, rcc and uic.
if(NOT VERDANE_WINDOWS_QT AND DEFINED ENV{VERDANE_WINDOWS_QT})
  set(VERDANE_WINDOWS_QT "$ENV{VERDANE_WINDOWS_QT}")
endif()
if(NOT VERDANE_WINDOWS_QT)
  execute_process(
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../scripts/build-windows-qt.sh --print-prefix
    OUTPUT_VARIABLE VERDANE_WINDOWS_QT OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "scripts/build-windows-qt.sh --print-prefix failed")
  endif()
endif()
set(VERDANE_WINDOWS_QT "${VERDANE_WINDOWS_QT}" CACHE PATH "The static Qt for Windows")
if(NOT EXISTS "${VERDANE_WINDOWS_QT}/lib/cmake/Qt6/qt.toolchain.cmake")
  message(FATAL_ERROR "No Qt for Windows in ${VERDANE_WINDOWS_QT}: "
                      "build it with scripts/build-windows-qt.sh (about 40 minutes).")
endif()
# Try-compiles read this file again, in a project of their own.
set(ENV{VERDANE_WINDOWS_QT} "${VERDANE_WINDOWS_QT}")
include("${VERDANE_WINDOWS_QT}/lib/cmake/Qt6/qt.toolchain.cmake")
