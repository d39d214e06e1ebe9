#!/usr/bin/env bash
# Builds Vexilo and runs it on the bundled sample log. Until the main window exists this
# runs the furthest steps there are, with vexilo-cli: the import of the sample into an
# analysed log, the load the main program runs (site, visitors, search words, browsers)
# and the HTML report, which it leaves in build/sample-report/.
set -eu  # no pipefail: "head" may close a pipe early
top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$top/scripts/setup.sh"
bin=$top/build/bin
sample=$top/samples/sample.log.gz
out=$top/build/sample.vxlog
home=$top/build/sample-home
report=$top/build/sample-report
mkdir -p "$home"

echo "Importing $sample ..."
"$bin/vexilo-cli" import -o "$out" "$sample" >/dev/null
echo "Wrote $out ($(stat -c %s "$out") bytes). First records:"
"$bin/vexilo-cli" dump "$out" | head -n 5 | cut -c1-160 | iconv -f CP932 -t UTF-8 -c

echo
echo "Loading it as the main program does (data folder $home):"
"$bin/vexilo-cli" load "$out" --home "$home" | grep -v '^step'
echo "Search words found (referer, query, word, rank, engine), a few:"
"$bin/vexilo-cli" load "$out" --home "$home" --search | awk -F'\t' 'NF == 5 && $3 != ""' |
    head -n 5 | cut -f3- | iconv -f CP932 -t UTF-8 -c

echo
rm -rf "$report"
"$bin/vexilo-cli" report "$out" -o "$report" --home "$home" >/dev/null
echo "HTML report: $report/index.html"
echo "The analysis wizard on its own (needs a display): $bin/wizard-demo"
