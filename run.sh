#!/usr/bin/env bash
# Builds Vexilo and runs it on the bundled sample log. Until the main window exists this
# runs the furthest step there is: the import of the sample into an analysed log with
# vexilo-cli, and a look at its first records.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$top/scripts/setup.sh"
bin=$top/build/bin
sample=$top/samples/sample.log.gz
out=$top/build/sample.vxlog
echo "Importing $sample ..."
"$bin/vexilo-cli" import -o "$out" "$sample" >/dev/null
records=$("$bin/vexilo-cli" dump "$out" | wc -l)
echo "Wrote $out: $records records ($(stat -c %s "$out") bytes)."
echo "First records (time, host, bytes, status, method, path, referer, user, agent, query, referer query):"
"$bin/vexilo-cli" dump "$out" | head -n 10 | iconv -f CP932 -t UTF-8 -c
