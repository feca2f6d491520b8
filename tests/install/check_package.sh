#!/usr/bin/env bash
# Builds the Debian package into a temporary folder and checks it: the files
# it installs, its control fields, and lintian (no error or warning).
# Usage: check_package.sh <build folder> <application id>
set -euo pipefail
build=$(cd "$1" && pwd)
id=$2
for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/verdane_*.deb)

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for f in /usr/bin/Verdane \
         "/usr/share/applications/$id.desktop" \
         "/usr/share/metainfo/$id.metainfo.xml" \
         "/usr/share/icons/hicolor/scalable/apps/$id.svg" \
         "/usr/share/icons/hicolor/16x16/apps/$id.png" \
         "/usr/share/icons/hicolor/256x256/apps/$id.png" \
         /usr/share/man/man1/Verdane.1.gz \
         /usr/share/doc/verdane/copyright \
         /usr/share/doc/verdane/changelog.gz; do
  grep -qx "$f" "$work/files" || fail "$f missing from the package"
done
# Nothing but the program's own folders.
if grep -v -e '^/usr/bin/' -e '^/usr/share/' -e '^/usr/$' "$work/files" | grep -q .; then
  fail "unexpected paths: $(grep -v -e '^/usr/bin/' -e '^/usr/share/' -e '^/usr/$' "$work/files" | tr '\n' ' ')"
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = verdane ] || fail "Package: $(field Package)"
[ -n "$(field Version)" ] || fail "no Version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Section)" = science ] || fail "Section: $(field Section)"
depends=$(field Depends)
for dep in libqt6widgets6 libqt6gui6 libqt6core6 libc6 fonts-wine fonts-dejavu-core; do
  grep -q "\b$dep\b" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
description=$(field Description)
grep -q "medicinal products" <<<"$description" || fail "no English description"
grep -q "médicament" <<<"$description" || fail "no French description"

lintian --no-tag-display-limit "$deb" >"$work/lintian" 2>&1 || true
grep -v 'running with root privileges' "$work/lintian" || true
if grep -q '^[EW]: ' "$work/lintian"; then
  fail "lintian reports errors or warnings"
fi
echo "PASS: $(basename "$deb")"
