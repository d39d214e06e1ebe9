#!/bin/sh
# vexilo-cli graph and log on the sample: their numbers must agree with the store's and the
# filter chain's. Prints "ok" when they do, otherwise what differs (status 1).
#   views_check.sh vexilo-cli sample.vxlog data-folder
set -u
cli=$1 vxlog=$2 home=$3
export LC_ALL=C TZ=UTC # local time: the days below are read as the store reads them
fail() { echo "$*"; exit 1; }
cr=$(printf '\r')

# The whole log as the period: its first and last day.
first=$("$cli" dump "$vxlog" | cut -f1 | sort -n | head -n 1)
last=$("$cli" dump "$vxlog" | cut -f1 | sort -n | tail -n 1)
period=$(date -u -d "@$first" +%Y/%m/%d):$(date -u -d "@$last" +%Y/%m/%d)
load=$("$cli" load "$vxlog" --home "$home") || fail "load failed"
records=$(printf '%s\n' "$load" | awk -F'\t' '$1 == "records" { print $2 }')
visitors=$(printf '%s\n' "$load" | awk -F'\t' '$1 == "visitors" { print $2 }')

# graph: every visitor counts once, in the bucket of its day; stage 1 holds the visitors
# the search-word pane reads.
"$cli" graph "$vxlog" --home "$home" --period "$period" --pane req --pane searchword --rank \
    > graph.csv || fail "graph failed"
"$cli" filter "$vxlog" --home "$home" --period "$period" --pane req --pane searchword \
    > filter.txt || fail "filter failed"
stage1=$(awk -F'\t' '$1 == "#" && $3 == "WC_FILTER_SEARCHWORD" { print $4 }' filter.txt)
head -n 1 graph.csv | grep -q ",Rank$cr\$" || fail "no Rank column: $(head -n 1 graph.csv)"
bad=$(tail -n +2 graph.csv |
      grep -cv "^[0-9]\{4\}/[0-9][0-9]/[0-9][0-9],[0-9]*,[0-9]*,[0-9]*,\([0-9]*\.[0-9]\{6\}\)\?$cr\$")
[ "$bad" -eq 0 ] || fail "$bad lines of graph.csv are not day, three counts and a rank"
sums=$(tail -n +2 graph.csv | tr -d '\r' | awk -F, '{ a += $2; b += $3 } END { print a, b }')
[ "$sums" = "$visitors $stage1" ] ||
    fail "graph sums $sums, expected $visitors visitors and $stage1 in stage 1"
days=$(( (last / 86400) - (first / 86400) + 1 ))
[ "$(tail -n +2 graph.csv | wc -l)" -eq "$days" ] || fail "not one line per day of $days"

# No search-word pane: no Rank column, though --rank is given. --pct and --source change the
# drawing, not the export.
"$cli" graph "$vxlog" --home "$home" --pane req --rank > plain.csv || fail "graph failed"
head -n 1 plain.csv | grep -q 'Rank' && fail "a Rank column without a searchword pane"
"$cli" graph "$vxlog" --home "$home" --pane req --pct --source 1 > pct.csv || fail "graph failed"
cmp -s plain.csv pct.csv || fail "--pct --source changed the export"

# log: one row per record, five columns, oldest first.
"$cli" log "$vxlog" --home "$home" --period "$period" > log.tsv || fail "log failed"
[ "$(wc -l < log.tsv)" -eq "$records" ] || fail "$(wc -l < log.tsv) rows, $records records"
awk -F'\t' 'NF != 5 { exit 1 }' log.tsv || fail "a row without five columns"
cut -f2 log.tsv | sort -c 2>/dev/null || fail "rows not in time order"

# A page chooser entry: only that page's requests.
page=/shop/textile/
"$cli" log "$vxlog" --home "$home" --period "$period" --page "$page" > page.tsv ||
    fail "log --page failed"
[ -s page.tsv ] || fail "no rows for $page"
awk -F'\t' -v p="$page" '$3 != p && index($3, p "?") != 1 { exit 1 }' page.tsv ||
    fail "a row of another page under --page $page"

# A stage: its visitors' records, fewer than the period's.
"$cli" log "$vxlog" --home "$home" --period "$period" --pane req --select "$page" \
    --source 1 > stage.tsv || fail "log --source 1 failed"
[ -s stage.tsv ] && [ "$(wc -l < stage.tsv)" -lt "$records" ] ||
    fail "stage 1 has $(wc -l < stage.tsv) rows of $records"
grep -q "	$page	" stage.tsv || fail "stage 1 lacks the page it was selected by"
echo ok
