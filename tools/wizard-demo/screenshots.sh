#!/usr/bin/env bash
# Takes the pictures of docs/screenshots/ under Xvfb: the data-folder dialog, the splash,
# the Loading dialog, every wizard page and the Analyzing dialog. A private home, settings
# folder and temporary folder keep the user's own settings out of it.
# Usage: tools/wizard-demo/screenshots.sh [BUILD_DIR]   (default build/)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$top/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/logs" "$work/tmp"
# A log big enough for the Analyzing dialog to show a remaining time.
"$build/bin/genlog" --lines 1500000 --days 60 --gzip -o "$work/logs/access.log.gz" >/dev/null
cp "$top/samples/sample.log.gz" "$work/logs/"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config TMPDIR=$work/tmp LANG=C.UTF-8
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build/bin/wizard-demo" --screenshots "$top/docs/screenshots" --logs "$work/logs"
