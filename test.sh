#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, runs every test.
set -euo pipefail
cd "$(dirname "$0")"
bash cmake/install-deps.sh --tests
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDANE_WERROR=ON >/dev/null
cmake --build build --parallel "$(nproc)"
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"
