#!/bin/sh
# Runs a Windows test program under Wine in a fresh, temporary prefix, so
# that no earlier state of the user's own Wine set-up can change the result.
# Usage: run_under_wine.sh WINE PROGRAM.exe
set -eu
wine=$1
program=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/verdane-wine.XXXXXX")
server=$(dirname "$wine")/wineserver
[ -x "$server" ] || server=wineserver
cleanup() {
  # The server outlives the program for a while: wait for it before the
  # prefix goes away.
  WINEPREFIX=$prefix "$server" -k 2>/dev/null || true
  WINEPREFIX=$prefix "$server" -w 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT
# No display and no Mono or Gecko: a new prefix would otherwise offer to
# download them in a dialog that nobody answers.
unset DISPLAY WAYLAND_DISPLAY
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" "$program"
