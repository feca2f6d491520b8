#!/bin/sh
# Makes a fresh Wine prefix for the Windows tests, so that no state of the
# user's own Wine set-up, nor of an earlier run, changes a result.
# Usage: start_prefix.sh PREFIX
set -eu
prefix=$1
if [ -d "$prefix" ]; then
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
  rm -rf "$prefix"
fi
mkdir -p "$prefix"
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot -i
WINEPREFIX=$prefix wineserver -w
echo "Wine prefix ready: $prefix"
