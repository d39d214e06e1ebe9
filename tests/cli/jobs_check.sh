#!/bin/bash
# vexilo-cli import --jobs N: a generated log of a million lines (plain and gzipped, with
# the side files) gives the same analysed log and side files at 1, 2 and 8 parsing threads.
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
rm -rf "$work"
echo ok
