#!/usr/bin/env bash
# Installs the Debian 12 packages the program needs to build, run and be
# tested. Installs only what is missing, so it is safe to run again.
set -euo pipefail
packages=(
  g++ cmake ninja-build
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-wine fonts-dejavu-core  # the faces the program's style asks for
  xvfb xauth                     # docs/screenshot.sh draws under a virtual X server
  x11-utils imagemagick xdotool  # docs/screenshot.sh finds the window, types a search, takes the picture
  qt6-translations-l10n          # Qt's own texts (context menus, scroll bars) in French
  # The installed-program tests: validators, the Debian package and lintian;
  # the installed program is driven under the virtual X server (xdotool, xprop).
  desktop-file-utils appstream
  dpkg-dev lintian
  clang-14 libclang-rt-14-dev    # the fuzz targets' libFuzzer build (README, "Fault finding")
)
# The Windows program (--windows, and the test command): cross-built with
# mingw-w64 (its posix-thread compilers, which Qt needs), run under Wine,
# packed by NSIS and zip.
windows_packages=(g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix wine64 nsis)
case "${1:-}" in
  --tests)
    packages+=("${windows_packages[@]}")
    packages+=(clang-format)  # the format check over every C++ source
    ;;
  --windows) packages+=("${windows_packages[@]}") ;;
esac
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "Run as root, or install sudo, to install: ${missing[*]}" >&2
    exit 1
  fi
  SUDO="sudo"
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
