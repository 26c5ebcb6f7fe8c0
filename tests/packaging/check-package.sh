#!/usr/bin/env bash
# Usage: check-package.sh SOURCE_DIR BUILD_DIR. Builds the package, then checks its files,
# its metadata and its contents with the validators the distributions use.
set -euo pipefail
src=$1 build=$2
mkdir -p "$build"
deb=$("$src/scripts/package.sh" "$build" 2>"$build/package.log") || { tail -30 "$build/package.log"; exit 1; }
root=$(mktemp -d) && trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
fail() { echo "FAIL: $*"; exit 1; }

for f in /usr/bin/tarnwick /usr/libexec/tarnwick/tarnwick-helper \
  /usr/share/dbus-1/system-services/com.lorvens.TarnwickHelper.service \
  /usr/share/dbus-1/system.d/com.lorvens.TarnwickHelper.conf \
  /usr/share/applications/tarnwick.desktop /usr/share/metainfo/com.lorvens.Tarnwick.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/tarnwick.svg \
  /usr/share/icons/hicolor/symbolic/apps/tarnwick-symbolic.svg \
  /usr/share/man/man1/tarnwick.1.gz /usr/share/doc/tarnwick/copyright; do
  [ -s "$root$f" ] || fail "missing $f"; done
# The bus starts what the activation file names; the menu starts what the entry names.
exec_path=$(sed -n 's/^Exec=//p' "$root"/usr/share/dbus-1/system-services/*.service)
[ -x "$root$exec_path" ] || fail "activation file starts $exec_path, not in the package"
app=$root/usr/share/applications/tarnwick.desktop
[ -x "$root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$app")" ] || fail "menu entry's Exec"
[ -e "$root/usr/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$app").svg" ] ||
  fail "menu entry's Icon"
desktop-file-validate "$app"
meta=$root/usr/share/metainfo/com.lorvens.Tarnwick.metainfo.xml
appstreamcli validate --no-net "$meta"
grep -q "<launchable type=\"desktop-id\">tarnwick.desktop<" "$meta" || fail "launchable"
for shot in $(sed -n 's|.*<image>.*/\([^/]*\.png\)</image>.*|\1|p' "$meta"); do
  [ -e "$src/docs/screenshots/$shot" ] || fail "screenshot $shot is not in docs/screenshots"; done
# Every option of --help heads a paragraph of the manual page.
heads=$(zcat "$root/usr/share/man/man1/tarnwick.1.gz" | grep -A1 '^\.TP' | sed -n 's/\\-/-/g; s/"//g; /^\.B/p')
for opt in $("$root/usr/bin/tarnwick" --help | grep -o '^ *\(-[a-z?], \)\?--[a-z-]*' |
  grep -o -- '--[a-z-]*'); do
  grep -qE -- "[ ]$opt( |\$)" <<<"$heads" || fail "$opt has no paragraph in tarnwick.1"; done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6dbus6 qt6-qpa-plugins; do [[ $depends == *"$d"* ]] || fail "Depends lacks $d"; done
[[ $(dpkg-deb -f "$deb" Recommends) == *gvfs-backends* ]] || fail "Recommends lacks gvfs"
# Errors fail the check; warnings are listed.
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "OK $(basename "$deb") $(du -k "$deb" | cut -f1) KiB"
