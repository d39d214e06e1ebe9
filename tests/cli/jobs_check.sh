#!/bin/bash
# vexilo-cli import --jobs N: a generated log of a million lines (plain and gzipped, with
# the side files) gives the same analysed log and side files at 1, 2 and 8 parsing threads;
# the load and the filter panes over it give the same at any number of cores (VEXILO_JOBS).
#   jobs_check.sh VEXILO_CLI GENLOG WORKDIR
set -eu
cli=$1 genlog=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$genlog" --seed 11 --days 30 --lines 1000000 --machines -o big.log
gzip -1 -k -n big.log
for input in big.log big.log.gz; do
    for jobs in 1 2 8; do
        "$cli" import --jobs "$jobs" -o "out-$jobs.vxlog" --excluded "excluded-$jobs.log" \
            --truncated "truncated-$jobs.log" "$input" 2> import.txt ||
            fail "import of $input at $jobs failed: $(tail -3 import.txt)"
    done
    [ -s out-1.vxlog ] && [ -s excluded-1.log ] || fail "$input gave no records or no excluded lines"
    for jobs in 2 8; do
        for f in out-%s.vxlog excluded-%s.log truncated-%s.log; do
            cmp -s "$(printf "$f" 1)" "$(printf "$f" "$jobs")" ||
                fail "$input: $(printf "$f" "$jobs") differs from one thread's"
        done
    done
done
# Every agent kept: enough records that the load and the panes cut their loops into parts.
# What the load finds (search words and ranks, engines, browsers, OSes and visitor kinds
# through the rules in parts) and what each pane exports are those of one thread.
"$cli" import --all-agents -o all.vxlog big.log 2> import.txt || fail "import of every agent failed"
panes=(--period 2026/01/01:2030/12/31 --pane req --pane ref,path --pane query --pane browser
       --pane reqend --pane searchword,split)
for jobs in 1 2 5; do
    mkdir -p "home-$jobs"
    VEXILO_JOBS=$jobs "$cli" load all.vxlog --home "home-$jobs" --search --agents --visitor-kinds |
        grep -av '^step' > "load-$jobs.txt" ||
        fail "load at $jobs failed"
    VEXILO_JOBS=$jobs "$cli" filter all.vxlog --home "home-$jobs" "${panes[@]}" > "filter-$jobs.txt" ||
        fail "filter at $jobs failed"
done
grep -aq '^records	[0-9]\{6,\}$' load-1.txt || fail "too few records to cut: $(grep records load-1.txt)"
[ "$(grep -c "^#" filter-1.txt)" -ge 7 ] || fail "the filter printed no panes"
for jobs in 2 5; do
    cmp -s load-1.txt "load-$jobs.txt" || fail "the load at $jobs threads differs"
    cmp -s filter-1.txt "filter-$jobs.txt" || fail "the panes at $jobs threads differ"
done
rm -rf "$work"
echo ok
