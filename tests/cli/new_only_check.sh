#!/bin/bash
# vexilo-cli import --new-only over a day of hourly runs: genlog's log grows hour by hour, is
# rotated at midnight and the rotated file gzipped an hour later; some runs see both files,
# one sees half a line, one stops between the analysed log and its .read file. At the end the
# analysed log holds exactly the records of one import of the whole day. Then a replaced
# file, a truncated one and one file under two names.
#   new_only_check.sh VEXILO_CLI GENLOG WORKDIR
set -eu
cli=$1 genlog=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
run() { "$cli" import --new-only -o out.vxlog "$@" 2>> runs.txt || fail "run failed: $(tail -3 runs.txt)"; }

"$genlog" --seed 3 --lines 12000 --days 2 -o day.log
# Lines by hour of the log's own clock (+0900): 0..23 the first day, 24.. the second.
awk '{ split(substr($4, 2), t, ":"); d = substr(t[1], 1, 2) + 0; h = (d - 1) * 24 + t[2];
       print > sprintf("hour-%02d.log", h) }' day.log
[ -s hour-00.log ] && [ -s hour-25.log ] || fail "genlog gave no log of two days"

touch access.log
for h in $(seq 0 47); do
    chunk=$(printf 'hour-%02d.log' "$h")
    [ -f "$chunk" ] || continue
    if [ "$h" = 24 ]; then            # midnight: the server rotates
        mv access.log access.log.1
        : > access.log
        touch -d '-1 minute' access.log.1
    fi
    if [ "$h" = 25 ]; then gzip -n access.log.1; fi
    if [ "$h" = 10 ]; then            # the server is in the middle of a line
        head -c -40 "$chunk" >> access.log
        run access.log*
        tail -c 40 "$chunk" >> access.log
    else
        cat "$chunk" >> access.log
    fi
    if [ "$h" = 15 ]; then            # stopped after the analysed log, before its .read
        cp out.vxlog.read read.before
        run access.log*
        cp read.before out.vxlog.read
    else
        run access.log*
    fi
done
"$cli" import -o whole.vxlog day.log 2> /dev/null
"$cli" dump out.vxlog > out.tsv && "$cli" dump whole.vxlog > whole.tsv
[ -s whole.tsv ] || fail "the whole day stored nothing"
sort out.tsv | cmp -s - <(sort whole.tsv) || fail "24 runs differ from one import: $(diff <(sort out.tsv) <(sort whole.tsv) | head -5)"
visitors() { "$cli" load "$1" --home "$work/home-$2" | grep -E '^(records|visitors)'; }
[ "$(visitors out.vxlog a)" = "$(visitors whole.vxlog b)" ] || fail "the visitors differ"
grep -q "read before as access.log: goes on" runs.txt || fail "the rotated file was not recognised"
grep -q "access.log.1.gz: read before" runs.txt || fail "the gzipped file was not recognised"
grep -q "does not belong to out.vxlog" runs.txt || fail "the stale .read file was believed"
grep -q "left out (already stored)" runs.txt || fail "the re-read lines were not left out"

# A replaced file (another beginning under the same name) is read from its start.
"$genlog" --seed 4 --lines 200 --days 1 -o other.log
"$genlog" --seed 5 --lines 100 --days 1 -o more.log
: > runs.txt
cp other.log access.log
run access.log
grep -q "access.log: begins differently.*; 200 unread lines$" runs.txt || fail "replaced: $(cat runs.txt)"
# The same file under two names gives its lines once.
ln access.log twin.log
cat more.log >> access.log
run access.log twin.log
grep -q "the same file as" runs.txt || fail "two names: $(cat runs.txt)"
# A truncated file (shorter than what was read, the same beginning) is read again from its
# start; its lines are stored already.
truncate -s 10000 access.log
: > runs.txt
run access.log
grep -q "access.log: shorter than before (truncated).*left out (already stored)" runs.txt ||
    fail "truncated: $(cat runs.txt)"
# Every line of them was stored once.
"$cli" import -o all.vxlog day.log other.log more.log 2> /dev/null
"$cli" dump out.vxlog | sort > after.tsv
"$cli" dump all.vxlog | sort | cmp -s - after.tsv ||
    fail "after the replaced, twice named and truncated files: $(wc -l < after.tsv) records"
echo ok
