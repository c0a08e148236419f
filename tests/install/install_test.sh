#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what the desktop reads from it: the
# programs, the desktop entry with the .tun type, the shared MIME info (and the MIME cache
# built from it), the AppStream metainfo and the icon.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
for f in bin/vegal-tuner bin/vegal-cli bin/vegal-bench \
         share/applications/vegal-tuner.desktop share/mime/packages/vegal-tuner.xml \
         share/metainfo/com.quillmoretuner.VegalTuner.metainfo.xml \
         share/icons/hicolor/128x128/apps/vegal-tuner.png; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done

desktop=$share/applications/vegal-tuner.desktop
type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$share/mime/packages/vegal-tuner.xml")
[ -n "$type" ] || fail "no MIME type in vegal-tuner.xml"
grep -q '<glob pattern="\*\.tun"/>' "$share/mime/packages/vegal-tuner.xml" || fail "no *.tun glob"
grep -qx "MimeType=$type;" "$desktop" || fail "the desktop entry does not name $type"
grep -qx 'Exec=vegal-tuner --open %f' "$desktop" || fail "the desktop entry does not open its file"
grep -q "<mediatype>$type</mediatype>" "$share/metainfo/"*.metainfo.xml ||
  fail "the metainfo does not provide $type"

if command -v update-mime-database >/dev/null; then
  # The install refreshed the prefix's MIME cache: *.tun now maps to the type.
  grep -q "^[0-9]*:$type:\*\.tun" "$share/mime/globs2" || fail "the MIME cache lacks *.tun"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$share/metainfo/"*.metainfo.xml >/dev/null ||
    fail "appstreamcli validate"
fi
echo "install: all files in place and valid"
