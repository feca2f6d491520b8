#!/usr/bin/env bash
# Builds the program and takes a picture of its main window, as started, into
# docs/main-window.png. Runs under a virtual X server at 96 dpi, so the window
# has its designed size. Uses the real CIS file from ../shared/data when it is
# there, else a small demonstration file.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD_DIR:-$root/build}

cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target Verdane -- -j1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program looks for cis.txt and its settings file beside itself.
cp "$build/Verdane" "$work/Verdane"
real="$root/../shared/data/CIS_bdpm_2019_cp1252.txt"
if [ -f "$real" ]; then
  cp "$real" "$work/cis.txt"
else
  printf '%s\r\n' \
    $'60000001\tDOLIPRANE 500 mg, comprim\xe9\tcomprim\xe9\torale\tAutorisation active\tProc\xe9dure nationale\tCommercialis\xe9e\t12/03/1998\t\t\tNon' \
    $'60000002\tASPIRINE 100 mg, comprim\xe9\tcomprim\xe9\torale\tAutorisation active\tProc\xe9dure nationale\tNon commercialis\xe9e\t01/01/2000\t\t\tNon' \
    > "$work/cis.txt"
fi
touch -d '2019-03-15 12:00' "$work/cis.txt"

cat > "$work/shoot.sh" <<'INNER'
set -eu
"$1/Verdane" &
pid=$!
title='ANSM CIS - Verdane 2015 ***{:-'
for _ in $(seq 1 100); do
  if xwininfo -name "$title" >/dev/null 2>&1; then break; fi
  sleep 0.1
done
sleep 1 # let the first paint finish
id=$(xwininfo -name "$title" | awk '/Window id:/ {print $4}')
import -window "$id" "$2"
kill "$pid"
wait "$pid" 2>/dev/null || true
INNER

LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
  bash "$work/shoot.sh" "$work" "$root/docs/main-window.png"
echo "docs/main-window.png written"
