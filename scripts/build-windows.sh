#!/usr/bin/env bash
# Builds the Windows program on Linux and leaves in OUT what a release
# publishes for Windows: Verdane.exe, Verdane-<version>-setup.exe and
# Verdane-<version>-portable.zip.
#
#   scripts/build-windows.sh OUT
#
# Installs what is missing, builds the static Qt for Windows into the cache
# when it is not there yet (scripts/build-windows-qt.sh: about 40 minutes,
# once), then cross-builds in build-windows/. Safe to run again.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 OUT" >&2
  exit 2
fi
mkdir -p "$1"
out=$(cd "$1" && pwd)
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --windows
qt=$(bash scripts/build-windows-qt.sh | tail -n 1)
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/windows-toolchain.cmake -DVERDANE_WINDOWS_QT="$qt" \
  -DVERDANE_WERROR=ON >/dev/null
cmake --build build-windows --parallel "$(nproc)" --target Verdane windows_packages
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
cp build-windows/Verdane.exe "build-windows/Verdane-$version-setup.exe" \
  "build-windows/Verdane-$version-portable.zip" "$out/"
ls -l "$out/Verdane.exe" "$out/Verdane-$version-setup.exe" "$out/Verdane-$version-portable.zip"
