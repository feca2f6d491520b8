#!/usr/bin/env bash
# Runs the Windows compile check over a copy of the fixture tree and checks
# its verdict: util/posix_call.cpp fails with its lstat call named,
# app/clean.cpp passes, platform/platform_posix.cpp is not checked at all. A
# second run over the same pass cache takes app/clean.cpp's pass from it and
# still fails util/posix_call.cpp; after a POSIX call is added to
# app/clean.h, a third run fails app/clean.cpp too; with the header back as
# it was and a function that only non-Windows code uses added to
# app/clean.cpp, a fourth run with warnings as errors fails it again (a
# warning that comes after parsing). Exits 77 when the check is skipped (no cross compiler).
set -uo pipefail
script=$1 fixture=$2 flags=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$fixture" "$work/tree"
cache=$work/cache

fail() { echo "catches_posix: $*" >&2; exit 1; }
run_check() {
  out=$(bash "$script" "$work/tree" "$flags" "$cache" 2>&1)
  status=$?
  printf '%s\n' "$out"
  [ "$status" -eq 77 ] && exit 77
  [ "$status" -eq 1 ] || fail "$1 run: expected exit status 1, got $status"
  grep -q '^FAIL util/posix_call\.cpp: ' <<<"$out" || fail "$1 run: util/posix_call.cpp not reported"
  grep -q 'posix_call\.cpp:.*lstat' <<<"$out" || fail "$1 run: the failing call (lstat) is not among the errors shown"
  grep -q '^FAIL platform/platform_posix' <<<"$out" && fail "$1 run: the POSIX side of the platform layer was checked"
  grep -q '^Left out, the POSIX side of the platform layer: platform/platform_posix\.cpp$' <<<"$out" \
    || fail "$1 run: the file left out is not named"
}

for run in first second; do
  run_check "$run"
  grep -q 'app/clean\.cpp' <<<"$out" && fail "$run run: app/clean.cpp reported although it compiles"
  grep -q '^1 of 2 sources do not compile for Windows' <<<"$out" || fail "$run run: wrong summary"
done
grep -q '1 unchanged since they last passed' <<<"$out" || fail "second run: app/clean.cpp's pass not taken from the cache"

cat >>"$work/tree/app/clean.h" <<'HEADER'
#include <sys/stat.h>
inline bool FixtureIsLink(const char *path)
{
    struct stat st;
    return ::lstat(path, &st) == 0 && S_ISLNK(st.st_mode);
}
HEADER
run_check third
grep -q '^FAIL app/clean\.cpp: ' <<<"$out" || fail "third run: app/clean.cpp passed from the cache although its header changed"
grep -q '^2 of 2 sources do not compile for Windows' <<<"$out" || fail "third run: wrong summary"

cp "$fixture/app/clean.h" "$work/tree/app/clean.h"
cat >>"$work/tree/app/clean.cpp" <<'SOURCE'
namespace {
int fixtureOffWindows()
{
    return 1;
}
} // namespace
#ifndef _WIN32
int FixtureUsesIt()
{
    return fixtureOffWindows();
}
#endif
SOURCE
# As a build with warnings as errors has it (the sanitizer build has not).
{ cat "$flags"; echo "option=-Werror"; } >"$work/flags"
flags=$work/flags
run_check fourth
grep -q '^FAIL app/clean\.cpp: ' <<<"$out" || fail "fourth run: a function unused on Windows was not caught"
grep -q 'fixtureOffWindows' <<<"$out" || fail "fourth run: the unused function is not named"
echo "catches_posix: ok"
