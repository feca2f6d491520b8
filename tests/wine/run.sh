#!/bin/sh
# Runs a Windows test program under Wine, in the prefix the test run made
# (start_prefix.sh): CTest's emulator for the Windows build.
# Usage: run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
set -eu
WINEPREFIX=$1
shift
export WINEPREFIX
export WINEDEBUG=-all
# No Mono or Gecko: a prefix would otherwise offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
