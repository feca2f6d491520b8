#!/bin/sh
# Runs a Windows test program under Wine with Qt's "windows" platform
# plugin, on the X display it is given (xvfb-run), in a prefix of its own
# made for this run: Wine draws the program's windows through that display,
# as Windows would.
# Usage: xvfb-run -a run_native.sh PROGRAM.exe [ARGUMENTS...]
set -eu
prefix=$(mktemp -d "${TMPDIR:-/tmp}/verdane-wine-native.XXXXXX")
cleanup() {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export QT_QPA_PLATFORM=windows
wine wineboot -i >/dev/null 2>&1
wine "$@"
