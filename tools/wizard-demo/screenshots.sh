#!/usr/bin/env bash
# Takes the pictures of docs/screenshots/ under Xvfb: the data-folder dialog, the splash,
# the Loading dialog, every wizard page (and the file page's note when the folder is not
# there), the Add button's open dialog and the Analyzing dialog; then, on a screen scaled by
# 2, the data-folder dialog, the splash and the welcome page again (name@2x.png). A private
# home, settings folder and temporary folder keep the user's own settings out of it.
# Usage: tools/wizard-demo/screenshots.sh [BUILD_DIR]   (default build/)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$top/build}
shots=$top/docs/screenshots
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/logs" "$work/tmp" "$work/x2"
# A log big enough for the Analyzing dialog to show a remaining time.
"$build/bin/genlog" --lines 1500000 --days 60 --gzip -o "$work/logs/access.log.gz" >/dev/null
cp "$top/samples/sample.log.gz" "$work/logs/"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config TMPDIR=$work/tmp LANG=C.UTF-8
unset QT_QPA_PLATFORM QT_SCALE_FACTOR
xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build/bin/wizard-demo" --screenshots "$shots" --logs "$work/logs"
rm -rf "$work/home" && mkdir -p "$work/home"
QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2048x1536x24" \
    "$build/bin/wizard-demo" --screenshots "$work/x2" --logs "$work/logs"
for name in home-folder splash wizard-106-welcome; do
    cp "$work/x2/$name.png" "$shots/$name@2x.png"
done
