#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, runs every test.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh --tests
# Every C++ source as .clang-format says, before anything is built.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDANE_WERROR=ON >/dev/null
cmake --build build --parallel "$(nproc)"
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"

# Fault finding (README, "Fault finding"): the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, on the byte scans'
# portable path (the main build takes SSE2 on x86-64), then each libFuzzer
# target for a few seconds when clang is installed.
cd ..
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDANE_SANITIZE=ON \
  -DVERDANE_PORTABLE_SCANS=ON >/dev/null
cmake --build build-asan --parallel "$(nproc)"
(cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)")
if command -v clang++-14 >/dev/null; then
  CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDANE_FUZZ=ON >/dev/null
  cmake --build build-fuzz --parallel "$(nproc)" --target fuzz_all
  (cd build-fuzz && ctest -L fuzz --output-on-failure)
fi
