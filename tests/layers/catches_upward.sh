#!/usr/bin/env bash
# check_layers.sh on a small tree: the two upward includes are reported with
# file and line, the downward ones are not, and the status says so.
set -uo pipefail
out=$(bash "$1" "$2")
status=$?
fail() { echo "FAIL: $*"; echo "--- output:"; echo "$out"; exit 1; }
[ "$status" -eq 1 ] || fail "exit status $status, expected 1"
grep -qx 'core/store.cpp:3: includes ui/frm_cis.h, a layer above core/' <<<"$out" \
  || fail "core reaching up to the window not reported"
grep -qx 'ui/style/look.cpp:3: includes ui/dialogs/msg_dialog.h, a layer above ui/style/' <<<"$out" \
  || fail "the style reaching up to the dialogs not reported"
[ "$(wc -l <<<"$out")" -eq 2 ] || fail "a downward include was reported"
echo "passed"
