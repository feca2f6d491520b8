#!/usr/bin/env bash
# Runs the Windows compile check over the fixture tree and checks its verdict:
# util/posix_call.cpp fails with its lstat call named, app/clean.cpp passes,
# util/platform_posix.cpp is not checked at all. Exits 77 when the check is
# skipped (no cross compiler).
set -uo pipefail
script=$1 fixture=$2 flags=$3
out=$(bash "$script" "$fixture" "$flags" 2>&1)
status=$?
printf '%s\n' "$out"
[ "$status" -eq 77 ] && exit 77

fail() { echo "catches_posix: $*" >&2; exit 1; }
[ "$status" -eq 1 ] || fail "expected exit status 1, got $status"
grep -q '^FAIL util/posix_call\.cpp: ' <<<"$out" || fail "util/posix_call.cpp not reported"
grep -q "lstat" <<<"$out" || fail "the failing call (lstat) is not among the errors shown"
grep -q 'app/clean\.cpp' <<<"$out" && fail "app/clean.cpp reported although it compiles"
grep -q '^FAIL util/platform_posix' <<<"$out" && fail "the POSIX side of the platform layer was checked"
grep -q '^Left out, the POSIX side of the platform layer: util/platform_posix\.cpp$' <<<"$out" || fail "the file left out is not named"
grep -q '^1 of 2 sources do not compile for Windows' <<<"$out" || fail "wrong summary"
echo "catches_posix: ok"
