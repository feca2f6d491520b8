#!/usr/bin/env bash
# Builds the Windows program, its installer, its zip and its tests in
# build-windows/, and runs the test suite under Wine (README, "Windows").
# The static Qt for Windows must be in the cache: scripts/build-windows-qt.sh
# builds it once (about 40 minutes on 2 cores).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --windows
if ! bash scripts/build-windows-qt.sh --check; then
  echo "skipped: no Qt for Windows in the cache; build it once with scripts/build-windows-qt.sh" \
       "(about 40 minutes)"
  exit 77
fi
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/windows-toolchain.cmake -DVERDANE_WERROR=ON >/dev/null
cmake --build build-windows --parallel "$(nproc)"
cd build-windows
ctest --output-on-failure --parallel "$(nproc)"
