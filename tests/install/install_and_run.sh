#!/usr/bin/env bash
# Installs the program into a staging folder, makes the installed program's
# folder read-only, and runs the installed program as an ordinary user (the
# "nobody" user when the tests run as root) under a virtual X server:
#   1. start-up finds cis.txt in the per-user data folder;
#   2. Escape on the empty search box closes the window, which writes the
#      per-user settings file, and the program ends;
#   3. a file dropped on the window (from a small drag source, as a file
#      manager makes the drag) is loaded and copied into the per-user data
#      folder; deleted as the report advises, it is found again at the next
#      start through that copy;
# and nothing is ever written beside the installed program. The window must
# carry the program's icon.
# Usage: install_and_run.sh <build folder> <drag source program>
set -euo pipefail
build=$(cd "$1" && pwd)
drag_source=$2

for tool in Xvfb xdpyinfo xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
drag_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$drag_pid" ] && kill "$drag_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
picture() {
  import -window root "$build/install_and_run-failure.png" 2>/dev/null || true
  echo "(picture of the screen: $build/install_and_run-failure.png)" >&2
}

# ---- Install, then make the program's folder read-only ----------------------
stage="$work/stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
program="$stage/usr/bin/Verdane"
[ -x "$program" ] || fail "no installed program at $program"
# A settings file an administrator left beside the program: neither read nor
# written by the user's runs.
admin_base="$work/admin-base.txt"
printf '70000001\tBASE ADMINISTRATEUR\tgel\tcutan\xe9e\tAutorisation active\r\n' > "$admin_base"
printf '[ANSM]\r\nCIS.TXT=%s\r\n' "$admin_base" > "$stage/usr/bin/Verdane.INI"
chmod -R a-w "$stage/usr/bin"
listing_before=$(ls -la --time-style=+%s.%N "$stage/usr/bin")

# ---- The user: own home, XDG folders inside it ------------------------------
home="$work/home"
config="$home/.config"
data="$home/.local/share"
runtime="$work/runtime"
mkdir -p "$home" "$runtime"
chmod 755 "$work"
chmod 700 "$runtime"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$home" "$runtime"
  run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
as_user() { "${run_as[@]}" "$@"; }
as_user mkdir -p "$data/Verdane"
sample=$'60000001\tDOLIPRANE 500 mg, comprim\xe9\tcomprim\xe9\torale\tAutorisation active\tProc\xe9dure nationale\tCommercialis\xe9e\t12/03/1998\t\t\tNon\r\n'
as_user bash -c 'printf "%s" "$1" > "$2"' _ "$sample" "$data/Verdane/cis.txt"

# ---- A virtual X server, open to local clients ------------------------------
# A display number away from the ones other tools take first (xvfb-run and
# -displayfd start at :0 and :99), tried until one is free.
display=""
for _ in $(seq 1 20); do
  n=$((200 + RANDOM % 700))
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -nolisten tcp -noreset -screen 0 1280x1024x24 -dpi 96 >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    xdpyinfo -display ":$n" >/dev/null 2>&1 && kill -0 "$xvfb_pid" 2>/dev/null && { display=$n; break; }
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$display" ] && break
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[ -n "$display" ] || fail "the virtual X server did not start"
export DISPLAY=":$display"

title='ANSM CIS - Verdane'
# In the sanitizer build the installed program and the drag source are
# sanitizer builds too, and leak-checked at exit: the build names the
# suppressions for leaks that are not the program's (copied where the user
# can read them). The sanitizer's options reach the program through its
# otherwise empty environment; they steer only the sanitizer's run-time.
if [ -n "${VERDANE_LSAN_SUPPRESSIONS:-}" ]; then
  install -m 644 "$VERDANE_LSAN_SUPPRESSIONS" "$work/lsan_suppressions.txt"
  export LSAN_OPTIONS="suppressions=$work/lsan_suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
fi
sanitizer_env=()
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
  [ -n "${!name:-}" ] && sanitizer_env+=("$name=${!name}")
done
# Starts the installed program as the user, exactly as a menu entry would:
# no argument, no option.
start_program() {
  env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" LANG=C.UTF-8 \
    XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$runtime" \
    "${sanitizer_env[@]}" "${run_as[@]}" "$program" >"$work/program.log" 2>&1 &
  app_pid=$!
  window=""
  for _ in $(seq 1 200); do
    window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    kill -0 "$app_pid" 2>/dev/null || { cat "$work/program.log" >&2; fail "the program ended at start-up"; }
    sleep 0.1
  done
  [ -n "$window" ] || fail "no main window"
  sleep 1 # the first paint
}

# Closes the window with Escape on the empty search box, as a user would, and
# waits for the program to end.
close_program() {
  timeout 10 xdotool windowfocus --sync "$window" || fail "could not focus the window"
  xdotool key --clearmodifiers Escape
  for _ in $(seq 1 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$app_pid" 2>/dev/null; then
    picture
    fail "the program did not end on Escape"
  fi
  wait "$app_pid" || { cat "$work/program.log" >&2; fail "the program ended with an error"; }
  app_pid=""
}

ini="$config/Verdane/Verdane.INI"
value_of() { sed -n "s/^$1=//p" "$ini" | tr -d '\r'; }

# 1, 2: cis.txt found in the per-user data folder; the close saves.
start_program
xprop -id "$window" _NET_WM_ICON >"$work/icon.txt" || fail "xprop failed"
grep -q '_NET_WM_ICON(CARDINAL)' "$work/icon.txt" || fail "the window has no icon"
close_program
[ -f "$ini" ] || fail "no per-user settings file at $ini"
[ "$(value_of CIS.TXT)" = "$data/Verdane/cis.txt" ] ||
  fail "saved database path: '$(value_of CIS.TXT)'"
[ -n "$(value_of Form_CIS)" ] || fail "no saved window geometry"

# 3: a file dropped on the window, imported, then deleted as advised.
downloads="$work/downloads"
mkdir -p "$downloads"
printf '%s' "$sample$sample" >"$downloads/CIS_bdpm.txt"
chmod -R a+rX "$downloads"
# The visible window of that exact name, waited for up to 10 seconds.
find_window() {
  local found=""
  for _ in $(seq 1 100); do
    found=$(timeout 5 xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.1
  done
  picture
  fail "no window '$1'"
}
# Answers the dialog of that caption with Return (its default button).
answer() {
  local dialog
  dialog=$(find_window "$1")
  timeout 10 xdotool windowfocus --sync "$dialog" key Return || fail "could not answer '$1'"
}
start_program
eval "$(xdotool getwindowgeometry --shell "$window")"
# On the virtual X server whatever platform the test command chose for Qt.
QT_QPA_PLATFORM=xcb "$drag_source" "$downloads/CIS_bdpm.txt" >"$work/drag.log" 2>&1 &
drag_pid=$!
source_window=$(find_window 'drag source')
# Press on the source (the drag starts), carry it over the window, release.
xdotool mousemove --window "$source_window" 60 60 mousedown 1
for _ in $(seq 1 100); do
  grep -q dragging "$work/drag.log" && break
  sleep 0.1
done
grep -q dragging "$work/drag.log" || fail "the drag did not start"
for step in 1 2 3 4; do
  xdotool mousemove $((60 + (X + WIDTH / 2 - 60) * step / 4)) $((60 + (Y + HEIGHT / 2 - 60) * step / 4))
  sleep 0.2
done
xdotool mouseup 1
answer Confirmer
answer Informations
for _ in $(seq 1 100); do
  kill -0 "$drag_pid" 2>/dev/null || break
  sleep 0.1
done
wait "$drag_pid" || fail "the window refused the dropped file"
drag_pid=""
copy="$data/Verdane/CIS_bdpm.txt"
cmp -s "$copy" "$downloads/CIS_bdpm.txt" || fail "no import copy at $copy"
close_program
[ "$(value_of CIS.TXT)" = "$downloads/CIS_bdpm.txt" ] ||
  fail "saved database path after the import: '$(value_of CIS.TXT)'"
rm "$downloads/CIS_bdpm.txt"
start_program
close_program
[ "$(value_of CIS.TXT)" = "$copy" ] ||
  fail "import copy not found again; saved path: '$(value_of CIS.TXT)'"

# Nothing ever written beside the installed program.
[ "$(ls -la --time-style=+%s.%N "$stage/usr/bin")" = "$listing_before" ] ||
  fail "the installed program's folder changed"
grep -q "CIS.TXT=$admin_base" "$stage/usr/bin/Verdane.INI" || fail "the administrator's file changed"
echo "PASS: installed program ran as $(as_user id -un), settings in $ini"
