#!/usr/bin/env bash
# Builds a static Qt 6 for 64-bit Windows with mingw-w64, once, from Debian's
# own qt6-base source package, into a cache folder outside the clone. The
# Windows build of the program and its tests under Wine are configured with
# that folder's bin/qt-cmake. A Windows developer does not need this script
# (README: MSVC or MSYS2, with Qt from the usual installers).
#
# Usage: scripts/build-windows-qt.sh [--print-prefix | --check] [--no-nice]
#   (no option)     build when no complete copy is there; the last line of
#                   stdout is the Qt folder: QT_WIN=$(scripts/build-windows-qt.sh | tail -1)
#   --print-prefix  print the folder this machine's copy is (or would be) in,
#                   build nothing
#   --check         exit 0 only when a complete copy is there, build nothing
#   --no-nice       compile at normal priority (default: nice -n 19, so that
#                   someone working on the same machine keeps a usable one)
# Progress goes to stderr; stdout has only the folder. Safe to run twice: a
# complete copy is left as it is, a second run waits for a first one (lock).
# The folder is keyed by the Qt source version, the compiler's packages and
# the configure options, so changing any of them builds a new copy beside it.
#
# Using the copy (checked on this machine):
#   "$QT_WIN/bin/qt-cmake" -S . -B build-win -G Ninja: its toolchain file
#   (mingw-w64-toolchain.cmake in the copy) links programs -static and passes
#   --no-zstd to AUTORCC. The windows platform plugin is linked in by itself;
#   the offscreen one must be asked for:
#     qt_import_plugins(target INCLUDE Qt6::QOffscreenIntegrationPlugin)
#   Under Wine, variables named QT_* are not passed to the program: give them
#   as WINEQT_QPA_PLATFORM=offscreen (no X server needed then),
#   WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu' (offscreen has
#   no fonts otherwise), WINEQT_FORCE_STDERR_LOGGING=1 (else QtTest writes to
#   the debugger, not stdout).
set -euo pipefail

mode=build
use_nice=1
for arg in "$@"; do
  case "$arg" in
    --print-prefix) mode=print ;;
    --check) mode=check ;;
    --no-nice) use_nice=0 ;;
    -h | --help) sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
    *) echo "Unknown option: $arg (see --help)" >&2; exit 2 ;;
  esac
done

# Keep stdout for the folder alone: everything else (apt, cmake, ninja) goes
# to stderr.
exec 3>&1 1>&2
export LC_ALL=C # apt's and dpkg's output is parsed below
say() { echo "[build-windows-qt $(date +%H:%M:%S)] $*"; }

cache_root="${XDG_CACHE_HOME:-$HOME/.cache}/verdane"
triple=x86_64-w64-mingw32

# --- Packages ------------------------------------------------------------------

packages=(
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  qt6-base-dev qt6-base-dev-tools # moc, rcc, uic of the same Qt, run on this machine
  dpkg-dev                        # dpkg-source, dpkg-architecture
  cmake ninja-build xz-utils
  perl                            # Qt 6.4's syncqt.pl writes the public headers
)
is_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=()
for p in "${packages[@]}"; do
  is_installed "$p" || missing+=("$p")
done
SUDO=""
apt_updated=0
if [ "$mode" = build ] && [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "Run as root, or install sudo, to install: ${missing[*]}" >&2
      exit 1
    fi
    SUDO="sudo"
  fi
  say "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  apt_updated=1
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# --- What the copy is made of (the cache key) --------------------------------

# Installed version of a package, else the version apt would install.
pkg_version() {
  local v
  v=$(dpkg-query -W -f='${Status} ${Version}' "$1" 2>/dev/null |
    sed -n 's/^install ok installed //p')
  if [ -z "$v" ]; then
    v=$(apt-cache policy "$1" 2>/dev/null | sed -n 's/^ *Candidate: //p')
  fi
  [ "$v" = "(none)" ] && v=""
  echo "$v"
}

# The host tools (moc, rcc, uic from qt6-base-dev) must be the same Qt as the
# one built, so the source is taken at the version of qt6-base-dev. A binary
# rebuild suffix (+b1) is not part of the source's version.
qt_deb_version=$(pkg_version qt6-base-dev)
qt_deb_version=${qt_deb_version%+b[0-9]*}
if [ -z "$qt_deb_version" ]; then
  say "qt6-base-dev is neither installed nor known to apt (run apt-get update)."
  exit 1
fi
qt_version=${qt_deb_version#*:}  # no epoch
qt_version=${qt_version%%[+~-]*} # upstream version: 6.4.2

# Qt's cross-build wants the posix thread model of mingw-w64 (std::thread,
# std::mutex); the win32 model lacks them in GCC 12.
toolchain_text="# Written by scripts/build-windows-qt.sh: mingw-w64 (posix threads) for Windows x86_64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Programs carry the C and C++ run-times inside: without this they need
# libstdc++-6.dll, libgcc_s_seh-1.dll and libwinpthread-1.dll beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT \"-static -static-libgcc -static-libstdc++\")
# The host rcc (Debian's) compresses with zstd, which this Qt cannot read
# (no zstd for mingw-w64 in Debian): qt_add_resources says --no-zstd by
# itself, CMAKE_AUTORCC does not (the link fails on qResourceFeatureZstd).
set(CMAKE_AUTORCC_OPTIONS --no-zstd)
"

# Only what the program needs: Core, Gui, Widgets (Fusion is inside Widgets;
# the program's style is a QProxyStyle over Fusion), Test, and the windows and
# offscreen platform plugins (the tests run offscreen under Wine). Everything
# the program does not use is off, which also shortens the build.
configure_options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=OFF
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF
  -DFEATURE_network=OFF
  -DFEATURE_dbus=OFF
  -DINPUT_opengl=no
  -DFEATURE_opengl=OFF
  -DFEATURE_vulkan=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_icu=OFF
  -DFEATURE_jpeg=OFF
  -DFEATURE_zstd=OFF
  # Direct2D itself stays on: Qt 6.4's Gui compiles its DirectWrite font
  # engine and font database only with it, and the windows plugin needs them
  # (with it off, linking a program fails on QWindowsDirectWriteFontDatabase).
  # 1.1 only adds the direct2d platform plugin, which the program does not use.
  -DFEATURE_direct2d1_1=OFF
  -DFEATURE_testlib=ON
  -DFEATURE_widgets=ON
  # Qt's own copies, built in: nothing to ship beside the program. Host
  # pkg-config must not hand Linux libraries to a Windows build either.
  -DFEATURE_pkg_config=OFF
  -DFEATURE_system_zlib=OFF
  -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF
  # FreeType also brings the offscreen platform plugin (it has no feature of
  # its own: qtbase builds it whenever freetype is on).
  -DFEATURE_freetype=ON
  -DFEATURE_system_freetype=OFF
  -DFEATURE_png=ON
  -DFEATURE_system_png=OFF
  # Debian's source leaves out the third-party wintab.h that the windows
  # platform plugin includes for tablet input; the program needs none.
  -DFEATURE_tabletevent=OFF
)

key_text="qt6-base source ${qt_deb_version}
g++-mingw-w64-x86-64-posix $(pkg_version g++-mingw-w64-x86-64-posix)
mingw-w64-x86-64-dev $(pkg_version mingw-w64-x86-64-dev)
${configure_options[*]}
${toolchain_text}"
key_hash=$(printf '%s' "$key_text" | sha256sum | cut -c1-8)
name="qt-${qt_version}-mingw-w64-static-${key_hash}"
prefix="$cache_root/$name"
stamp="$prefix/.complete"

is_complete() { [ -f "$stamp" ]; }

case "$mode" in
  print) echo "$prefix" >&3; exit 0 ;;
  # The copy is usable only with its host tools and compiler installed.
  check)
    is_complete && is_installed qt6-base-dev && is_installed g++-mingw-w64-x86-64-posix &&
      exit 0 || exit 1 ;;
esac

if is_complete; then
  say "Complete copy already there, nothing to do."
  echo "$prefix" >&3
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# --- One run at a time -----------------------------------------------------------

mkdir -p "$cache_root"
exec 9>"$cache_root/.$name.lock"
if ! flock -n 9; then
  say "Another run is building $name; waiting for it."
  flock 9
fi
if is_complete; then
  say "Complete copy made by the other run."
  echo "$prefix" >&3
  exit 0
fi

# --- Source ----------------------------------------------------------------------

# apt-get source needs a deb-src entry. Added once, as a file of its own, with
# the same archives (URIs, suites, components, key) as the Debian deb entries.
deb_src_file=/etc/apt/sources.list.d/verdane-deb-src.sources
if ! grep -qsE '^[[:space:]]*(Types:.*[[:space:]]deb-src([[:space:]]|$)|deb-src[[:space:]])' \
  /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; then
  say "Adding the deb-src entry $deb_src_file"
  entries=$(awk '
    BEGIN { RS = ""; ORS = "\n\n" }
    /(^|\n)Types:[^\n]*deb/ && /(^|\n)URIs:[^\n]*\/debian(-security)?\/?([ \n]|$)/ {
      sub(/Types:[^\n]*/, "Types: deb-src"); print
    }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  if [ -z "$entries" ]; then
    # Only one-line entries (sources.list): take Debian's own archive.
    # shellcheck source=/dev/null
    . /etc/os-release
    entries="Types: deb-src
URIs: http://deb.debian.org/debian
Suites: ${VERSION_CODENAME} ${VERSION_CODENAME}-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: ${VERSION_CODENAME}-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
  fi
  printf '# Added by Verdane scripts/build-windows-qt.sh: the Qt source for the Windows build.\n%s\n' \
    "$entries" | $SUDO tee "$deb_src_file" >/dev/null
  apt_updated=0
fi
if ! apt-cache showsrc --only-source qt6-base 2>/dev/null | grep -qx "Version: $qt_deb_version"; then
  if [ "$apt_updated" -eq 0 ]; then
    say "Updating apt's lists"
    $SUDO apt-get update -qq
  fi
  if ! apt-cache showsrc --only-source qt6-base 2>/dev/null | grep -qx "Version: $qt_deb_version"; then
    say "No source package qt6-base $qt_deb_version in apt's deb-src entries."
    exit 1
  fi
fi

# Scratch space beside the cache, never in the clone; kept after a failure so
# that the next run goes on where this one stopped, removed after success.
scratch="$cache_root/.scratch-$name"
src_dir="$scratch/src"
build_dir="$scratch/build"
mkdir -p "$src_dir"

dsc_name="qt6-base_${qt_deb_version#*:}.dsc"
if [ ! -f "$src_dir/qtbase/.unpacked" ]; then
  say "Fetching the source package qt6-base $qt_deb_version (about 46 MB)"
  # apt checks each file against the archive's signed index as it downloads.
  (cd "$src_dir" && apt-get source --download-only -qq "qt6-base=$qt_deb_version")

  # Then each file named in the .dsc is checked here against its
  # Checksums-Sha256 line and size, so that a damaged or changed file is
  # refused with a clear message; dpkg-source -x below checks them once more.
  say "Checking the files against $dsc_name (Checksums-Sha256)"
  bad=0
  checked=0
  while read -r sum size file; do
    path="$src_dir/$file"
    if [ ! -f "$path" ]; then
      echo "Missing: $file (named in $dsc_name)"
      bad=1
    elif [ "$(stat -c %s "$path")" != "$size" ] ||
      [ "$(sha256sum "$path" | cut -d' ' -f1)" != "$sum" ]; then
      echo "Checksum or size mismatch: $file (expected sha256 $sum, $size bytes)"
      rm -f "$path" # fetched again by the next run
      bad=1
    else
      echo "OK: $file"
      checked=$((checked + 1))
    fi
  done < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$src_dir/$dsc_name")
  if [ "$bad" -ne 0 ] || [ "$checked" -eq 0 ]; then
    say "Refusing to build: the downloaded source does not match $dsc_name."
    exit 1
  fi

  say "Unpacking (Debian's patches applied)"
  rm -rf "$src_dir/qtbase"
  (cd "$src_dir" && dpkg-source -x "$dsc_name" qtbase) >/dev/null
  touch "$src_dir/qtbase/.unpacked"
fi

# --- Configure, build, install -----------------------------------------------

# A copy without its stamp is half-made (an install cut short): start it anew.
rm -rf "$prefix"
mkdir -p "$prefix"
# The toolchain file lives in the copy itself: the installed
# lib/cmake/Qt6/qt.toolchain.cmake loads it again for every project.
toolchain="$prefix/mingw-w64-toolchain.cmake"
printf '%s' "$toolchain_text" >"$toolchain"

nice_cmd=()
[ "$use_nice" -eq 1 ] && nice_cmd=(nice -n 19)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)

start=$(date +%s)
say "Configuring in $build_dir (about 3 minutes)"
"${nice_cmd[@]}" cmake -S "$src_dir/qtbase" -B "$build_dir" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$multiarch/cmake" \
  "${configure_options[@]}"

say "Building with $(nproc) jobs (about 40 minutes on 2 cores)"
"${nice_cmd[@]}" cmake --build "$build_dir" --parallel "$(nproc)"

say "Installing into $prefix"
cmake --install "$build_dir" >/dev/null

# A program that links Widgets, Test and both platform plugins, built with
# the copy's own qt-cmake: a copy that cannot link one is not marked complete.
say "Checking that a program links against it"
smoke="$scratch/smoke"
rm -rf "$smoke"
mkdir -p "$smoke"
cat >"$smoke/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.21)
project(smoke CXX)
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
add_executable(smoke main.cpp)
target_link_libraries(smoke PRIVATE Qt6::Widgets Qt6::Test)
qt_import_plugins(smoke INCLUDE Qt6::QWindowsIntegrationPlugin Qt6::QOffscreenIntegrationPlugin)
EOF
cat >"$smoke/main.cpp" <<'EOF'
#include <QApplication>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QPushButton button(QStringLiteral("OK"));
    button.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    button.show();
    QTest::qWait(1);
    return 0;
}
EOF
"$prefix/bin/qt-cmake" -S "$smoke" -B "$smoke/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
"${nice_cmd[@]}" cmake --build "$smoke/build"
if ${triple}-objdump -p "$smoke/build/smoke.exe" | grep -E 'DLL Name: (libstdc|libgcc|libwinpthread|Qt6)'; then
  say "The test program needs the DLLs above: the copy is not usable as a static Qt."
  exit 1
fi

printf '%s\n' "$key_text" >"$prefix/.key"
touch "$stamp"
rm -rf "$scratch"
say "Done in $(( ($(date +%s) - start) / 60 )) min: $prefix"
echo "$prefix" >&3
