#!/usr/bin/env bash
# Builds the programs, imports the bundled sample log once into build/sample.vxlog and starts
# Vexilo on it, with a demo data folder and demo settings under build/demo/ so that a first
# run never touches your own settings. Without a display it says so in one line and runs
# the command-line tour instead (import, load, report with vexilo-cli). The browser view
# shows the sample's site from a copy in build/demo-site (made by genlog --site), served on
# the loopback under the site's own address http://www.hanamizuki-zakka.jp/.
set -eu  # no pipefail: "head" may close a pipe early
top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$top/scripts/setup.sh" --programs # the tests and benchmarks are ./test.sh's
bin=$top/build/bin
sample=$top/samples/sample.log.gz
out=$top/build/sample.vxlog
demo=$top/build/demo

if [ ! -f "$out" ] || [ "$sample" -nt "$out" ]; then
    echo "Importing $sample ..."
    "$bin/vexilo-cli" import -o "$out" "$sample" >/dev/null
fi
site=$top/build/demo-site
[ -f "$site/site.txt" ] && [ "$site/site.txt" -nt "$bin/genlog" ] || "$bin/genlog" --site "$site"
mkdir -p "$demo/home" "$demo/config/Orvane"
registry=$demo/config/Orvane/registry.ini
[ -f "$registry" ] || printf '[SOFTWARE\\Orvane\\Vexilo]\r\nHomeDir=%s\r\n' "$demo/home" >"$registry"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting Vexilo on $out (data folder $demo/home)"
    echo "The browser view (表示 > ブラウザ) shows the sample's site: http://www.hanamizuki-zakka.jp/"
    exec env XDG_CONFIG_HOME="$demo/config" VEXILO_DEMO_SITE="$site" "$bin/Vexilo" "$out"
fi

echo "No display (DISPLAY is not set): the command-line tour instead of the window."
echo "Records of $out, the first five:"
"$bin/vexilo-cli" dump "$out" | head -n 5 | cut -c1-160 | iconv -f CP932 -t UTF-8 -c
echo
echo "Loading it as the main program does:"
"$bin/vexilo-cli" load "$out" --home "$demo/home" | grep -v '^step'
echo "Search words found (word, rank, engine), a few:"
"$bin/vexilo-cli" load "$out" --home "$demo/home" --search | awk -F'\t' 'NF == 5 && $3 != ""' |
    head -n 5 | cut -f3- | iconv -f CP932 -t UTF-8 -c
report=$top/build/sample-report
"$bin/vexilo-cli" report "$out" -o "$report" --home "$demo/home" >/dev/null
echo
echo "HTML report: $report/index.html"
echo "With a display (or xvfb-run ./run.sh) the same command starts the window."
