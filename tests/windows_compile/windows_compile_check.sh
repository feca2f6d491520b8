#!/usr/bin/env bash
# Compiles every source of the program for Windows (the object thrown away)
# with the mingw-w64 cross compiler against the Qt headers and with the definitions
# and warning options of the build: a call that exists only on POSIX fails
# here the day it is written, not on a Windows machine months later.
#
#   windows_compile_check.sh <source root> <flags file> [<pass cache folder>]
#
# The sources are found at run time (every .cpp under app/, core/,
# platform/, ui/ and util/ of the source root), so a new file is covered
# without a CMake change.
# Files named *_posix.cpp are the POSIX side of the platform layer, never
# built for Windows, and are left out. The flags file is written by CMake
# (see CMakeLists.txt beside this script): one "kind=value" per line.
#
# The Qt headers are the Linux build's. That is enough: the compiler defines
# _WIN32, so Qt's headers take their Windows branches (Q_OS_WIN, 16-bit
# wchar_t); only the feature list of Qt's configuration header is Linux's,
# so a Qt feature that Windows lacks would not be caught here.
#
# Each source costs a couple of seconds (all of Qt Widgets' headers). With a
# pass cache folder, a source whose preprocessed text, compiler and options
# are those of an earlier pass is not compiled again: the same input gives
# the same verdict. Only passes are remembered.
#
# Exit status: 0 all compile, 1 some do not (each named with its first
# errors), 2 bad use, 77 skipped (no cross compiler on this machine).
set -uo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 <source root> <flags file> [<pass cache folder>]" >&2
  exit 2
fi
root=$1
flags_file=$2
cache=${3:-}

# Qt's own MinGW builds and MSYS2 use the POSIX thread model; Debian ships
# that variant under its own name beside the default one.
cxx=""
for candidate in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++; do
  if command -v "$candidate" >/dev/null 2>&1; then
    cxx=$candidate
    break
  fi
done
if [ -z "$cxx" ]; then
  echo "skipped: x86_64-w64-mingw32-g++ not found (Debian package g++-mingw-w64-x86-64)"
  exit 77
fi
if [ ! -r "$flags_file" ]; then
  echo "flags file not found: $flags_file" >&2
  exit 2
fi

args=()
project=""
binary=""
includes=()
while IFS= read -r line; do
  kind=${line%%=*}
  value=${line#*=}
  [ -n "$value" ] || continue
  case $kind in
    project) project=$value ;;
    binary) binary=$value ;;
    std) args+=("-std=c++$value") ;;
    include) includes+=("$value") ;;
    define) args+=("-D$value") ;;
    # Warnings only: code generation and sanitizer options are the host's.
    option)
      case $value in
        -W*) args+=("$value") ;;
        *) ;;
      esac ;;
    *) echo "unknown line in $flags_file: $line" >&2; exit 2 ;;
  esac
done <"$flags_file"
if [ -z "$project" ] || [ -z "$binary" ]; then
  echo "$flags_file names no project or build folder" >&2
  exit 2
fi
# The project's own folders (sources, and headers generated into the build
# tree), and Qt's header folders as system headers (as in the build). Any
# other folder is Linux's (/usr/include, Qt's linux-g++ mkspec) and would
# hide the Windows headers; moc's output is not checked.
for dir in "${includes[@]}"; do
  case $dir in
    *_autogen*) ;;
    "$project" | "$project"/* | "$binary"/*) args+=("-I$dir") ;;
    *)
      name=${dir##*/}
      if [ "${name#Qt}" != "$name" ] || [ -d "$dir/QtCore" ]; then
        args+=(-isystem "$dir")
      fi ;;
  esac
done
# What Qt's Windows packages add to every program built with them.
args+=(-DUNICODE -D_UNICODE -DWIN32 -DMINGW_HAS_SECURE_API=1)
# Compiled for real, not only parsed: some warnings (an unused function in
# a branch only Windows takes) come after parsing. No optimisation: the
# code is thrown away.
args+=(-O0)

mapfile -t sources < <(cd "$root" && find app core platform ui util -name '*.cpp' ! -name '*_posix.cpp' 2>/dev/null | LC_ALL=C sort)
mapfile -t posix_side < <(cd "$root" && find app core platform ui util -name '*_posix.cpp' 2>/dev/null | LC_ALL=C sort)
if [ ${#posix_side[@]} -gt 0 ]; then
  echo "Left out, the POSIX side of the platform layer: ${posix_side[*]}"
fi
if [ ${#sources[@]} -eq 0 ]; then
  echo "no source found under $root/{app,core,platform,ui,util}" >&2
  exit 2
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
if [ -n "$cache" ]; then
  mkdir -p "$cache" || exit 2
fi
compiler_id=$("$cxx" --version 2>/dev/null | head -n 1)

# Leaves <index>.ok when the source compiles, <index>.log with what the
# compiler said, and <index>.cached when an earlier pass stood for it.
check_one() {
  local index=$1 file=$2 key=""
  if [ -n "$cache" ]; then
    if key=$({ printf '%s\n' "$compiler_id" "${args[@]}" "$file"
               "$cxx" "${args[@]}" -E "$root/$file" 2>/dev/null; } | sha256sum); then
      key=${key%% *}
      echo "$key" >"$logs/$index.key"
    else
      key="" # not even preprocessed: the compile below says why
    fi
    if [ -n "$key" ] && [ -e "$cache/$key" ]; then
      : >"$logs/$index.ok"
      : >"$logs/$index.cached"
      return
    fi
  fi
  if "$cxx" "${args[@]}" -c -o "$logs/$index.o" "$root/$file" >"$logs/$index.log" 2>&1; then
    rm -f "$logs/$index.o"
    : >"$logs/$index.ok"
    if [ -n "$key" ]; then
      : >"$cache/$key"
    fi
  fi
}

# As many at a time as there are processors.
jobs=$(nproc 2>/dev/null || echo 2)
running=0
for i in "${!sources[@]}"; do
  check_one "$i" "${sources[$i]}" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

failed=()
cached=0
for i in "${!sources[@]}"; do
  if [ -e "$logs/$i.ok" ]; then
    [ -e "$logs/$i.cached" ] && cached=$((cached + 1))
    continue
  fi
  file=${sources[$i]}
  failed+=("$file")
  count=$(grep -c 'error:' "$logs/$i.log")
  echo "FAIL $file: $count error(s) compiling for Windows; the first ones:"
  # Only the error lines, with the file's path made relative to the root.
  grep 'error:' "$logs/$i.log" | head -n 8 | sed "s|^$root/||; s|^|    |"
  if [ "$count" -eq 0 ]; then
    head -n 8 "$logs/$i.log" | sed 's|^|    |'
  fi
done

# The cache keeps only what stands for today's sources.
if [ -n "$cache" ]; then
  cat "$logs"/*.key 2>/dev/null | LC_ALL=C sort >"$logs/keys"
  for entry in "$cache"/*; do
    [ -e "$entry" ] || continue
    grep -qxF "${entry##*/}" "$logs/keys" || rm -f "$entry"
  done
fi

version=$("$cxx" -dumpversion 2>/dev/null)
note=""
if [ "$cached" -gt 0 ]; then
  note=", $cached unchanged since they last passed"
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "${#failed[@]} of ${#sources[@]} sources do not compile for Windows ($cxx $version$note): ${failed[*]}"
  exit 1
fi
echo "All ${#sources[@]} sources compile for Windows ($cxx $version$note)."
