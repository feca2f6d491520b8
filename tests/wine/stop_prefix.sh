#!/bin/sh
# Ends the Wine server of the test run's prefix and removes the prefix.
# Usage: stop_prefix.sh PREFIX
set -eu
prefix=$1
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
rm -rf "$prefix"
