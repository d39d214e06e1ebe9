#!/usr/bin/env bash
# Makes the Debian package from the build, unpacks it into a temporary root (dpkg -x) and
# runs what it installed: vexilo-cli on the sample, Vexilo offscreen on the sample until a
# TERM signal closes it, the libraries found through the RPATH, the data under share/, the
# desktop files, the MIME type and the manual.
#   package_test.sh BUILD_DIR SAMPLE_LOG_GZ
set -euo pipefail
build=$1 sample=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "package_test: $*" >&2; exit 1; }

(cd "$build" && cpack --config CPackConfig.cmake >/dev/null) || fail "cpack failed"
deb=$(ls -t "$build"/package/vexilo_*.deb | head -n 1)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6webenginecore6' || fail "no Qt dependency in $deb"
dpkg -x "$deb" "$root"
usr=$root/usr

for f in bin/vexilo bin/vexilo-cli bin/vexilo-sortwell bin/vexilo-wordlens bin/vexilo-combine \
         lib/vexilo/crunchbox share/vexilo/res/referer2searchword.ini share/vexilo/res/report \
         share/vexilo/manual/index.html share/vexilo/manual/manual.pdf \
         share/vexilo/manual/index_sw.html share/vexilo/manual/index_wl.html \
         share/applications/vexilo.desktop share/mime/packages/vexilo.xml \
         share/metainfo/org.orvane.vexilo.metainfo.xml share/icons/hicolor/256x256/apps/vexilo.png \
         share/icons/hicolor/48x48/apps/vexilo-sortwell.png; do
    [ -e "$usr/$f" ] || fail "$f is not installed"
done
# The libraries come from the program folder, never from the build.
for p in Vexilo Sortwell Wordlens combine crunchbox vexilo-cli; do
    ldd "$usr/lib/vexilo/$p" | grep -q 'not found' && fail "$p: a library is not found"
    readelf -d "$usr/lib/vexilo/$p" | grep -q "$build" && fail "$p: its RPATH names the build folder"
done
ldd "$usr/lib/vexilo/Vexilo" | grep -q "$usr/lib/vexilo/libui.so" || fail "Vexilo does not load the installed libui.so"
grep -q '^MimeType=application/x-vexilo-log;' "$usr/share/applications/vexilo.desktop" || fail "no MIME type"
grep -q 'pattern="\*.vxlog"' "$usr/share/mime/packages/vexilo.xml" || fail "no *.vxlog glob"
if command -v desktop-file-validate >/dev/null; then
    for d in "$usr"/share/applications/*.desktop; do desktop-file-validate "$d" || fail "$d"; done
fi

# The installed command line on the sample, with the rule files from share/.
home=$root/home
mkdir -p "$home"
log=$root/sample.vxlog
"$usr/bin/vexilo-cli" import -o "$log" "$sample" >/dev/null || fail "vexilo-cli import"
out=$("$usr/bin/vexilo-cli" load "$log" --home "$home" 2>"$root/err") || fail "vexilo-cli load"
grep -q '^LocalSite' <<<"$out" || fail "vexilo-cli load printed no site"
[ -s "$root/err" ] && { cat "$root/err" >&2; fail "vexilo-cli load complained"; }
words=$("$usr/bin/vexilo-cli" load "$log" --home "$home" --search | awk -F'\t' 'NF == 5 && $3 != ""' | wc -l)
[ "$words" -gt 0 ] || fail "no search words: the rule files were not found"

# The installed window program, offscreen, on the sample; TERM closes it as the close
# button does.
home=$root/window-home
mkdir -p "$root/config/Orvane" "$home"
printf '[SOFTWARE\\Orvane\\Vexilo]\r\nHomeDir=%s\r\n' "$home" >"$root/config/Orvane/registry.ini"
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$root/config VEXILO_NAME_SERVICE=offline \
    QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu" \
    "$usr/bin/vexilo" "$log" >"$root/vexilo.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
    [ -f "$home/searchword.cache" ] && break # the load has run its search-word step
    kill -0 "$pid" 2>/dev/null || { cat "$root/vexilo.log" >&2; fail "Vexilo ended early"; }
    sleep 0.2
done
[ -f "$home/searchword.cache" ] || { cat "$root/vexilo.log" >&2; fail "Vexilo did not load the sample"; }
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" = 0 ] || { cat "$root/vexilo.log" >&2; fail "Vexilo ended with $status"; }
echo "package_test: $(basename "$deb") installs and runs"
