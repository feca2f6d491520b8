#!/usr/bin/env bash
# Runs the Windows compile check over a small tree of its own and checks its
# verdict on wide vector moves. One source holds an aligned 32-byte move
# written out in assembly; another, AVX2 intrinsics on a stack buffer, which
# an unpatched GCC writes with aligned moves (Debian's does not). With the
# build's options the assembler writes every vector move unaligned, and
# both pass; without the option that does it, the first fails with the move
# shown (and the second with it, where the compiler is unpatched). Exits 77
# when the check is skipped (no cross compiler).
set -uo pipefail
script=$1 flags=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/core"

cat >"$work/tree/core/aligned_asm.cpp" <<'SOURCE'
#if defined(__x86_64__)
void FixtureAlignedMove(void *to)
{
    __asm__ volatile("vmovdqa %%ymm0, (%0)" : : "r"(to) : "memory");
}
#endif
SOURCE
cat >"$work/tree/core/wide_intrinsics.cpp" <<'SOURCE'
#include <immintrin.h>
__attribute__((target("avx2"))) int FixtureWideSum(const unsigned char *p)
{
    alignas(32) unsigned char block[32];
    _mm256_store_si256(reinterpret_cast<__m256i *>(block),
                       _mm256_add_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)),
                                       _mm256_set1_epi8(1)));
    int sum = 0;
    for (unsigned char c : block)
        sum += c;
    return sum;
}
SOURCE

fail() { echo "catches_aligned_moves: $*" >&2; exit 1; }
run_check() {
  out=$(bash "$script" "$work/tree" "$1" 2>&1)
  status=$?
  printf '%s\n' "$out"
  [ "$status" -eq 77 ] && exit 77
}

run_check "$flags"
[ "$status" -eq 0 ] || fail "with the build's options: expected exit status 0, got $status"

grep -v '^windows_option=' "$flags" >"$work/flags"
run_check "$work/flags"
[ "$status" -eq 1 ] || fail "without them: expected exit status 1, got $status"
grep -q '^FAIL core/aligned_asm\.cpp: ' <<<"$out" || fail "core/aligned_asm.cpp not reported"
grep -q 'aligned wide vector move: .*vmovdqa' <<<"$out" || fail "the aligned move is not shown"
grep -q '^[12] of 2 sources do not compile for Windows' <<<"$out" || fail "wrong summary"
echo "catches_aligned_moves: ok"
