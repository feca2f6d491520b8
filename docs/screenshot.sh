#!/usr/bin/env bash
# Builds the program and takes a picture of its main window at work (after a
# search) into docs/main-window.png, as a French user sees it (French dates).
# Runs under a virtual X server at 96 dpi, so the window has its designed
# size. Uses the real CIS file from ../shared/data when it is there, else the
# committed sample file. Needs xvfb-run, xwininfo, xdotool and import: the
# set-up script (scripts/install-deps.sh) installs them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/install-deps.sh
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
  cp "$root/tests/data/cis_sample_cp1252.txt" "$work/cis.txt"
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
# The program at work: a search typed and run as a user would.
xdotool windowfocus --sync "$id"
xdotool type --delay 20 PARACETAMOL
xdotool key Return
sleep 1
import -window "$id" "$2"
kill "$pid"
wait "$pid" 2>/dev/null || true
INNER

# Qt takes the date format from LANG, so the status bar shows the file's date
# as in France even where no French system locale is installed (xwininfo then
# warns that it cannot set the locale: harmless).
env -u LC_ALL -u LC_TIME LANG=fr_FR.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
  bash "$work/shoot.sh" "$work" "$root/docs/main-window.png"
echo "docs/main-window.png written"
