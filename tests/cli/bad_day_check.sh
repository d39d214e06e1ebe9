#!/bin/sh
# vexilo-cli on a careful user's bad day. Prints "ok" when all holds, otherwise what does
# not (status 1):
# - TABs and CRs from the log never split the fields of a listing line;
# - the commands that only look leave the host-name cache files as they are;
# - a FIFO named as the analysed log is refused at once, not waited on;
# - a period that reaches beyond the log is cut to the log's days, and says so;
# - a data folder nothing can be written to is named as the cause of a failed load;
# - a report link builds the chain the report view builds; links it ignores are refused.
#   bad_day_check.sh vexilo-cli sample.vxlog work-folder
set -u
cli=$1 vxlog=$2 work=$3
export LC_ALL=C TZ=UTC
fail() { echo "$*"; exit 1; }
tab=$(printf '\t') cr=$(printf '\r')
rm -rf "$work" && mkdir -p "$work/home" && cd "$work" || fail "no work folder"
home=$work/home

# A site found from one visitor's three clicks; a second visitor whose user agent, referer
# and request carry a TAB and a CR.
site=http://www.example.com
{
    second=0
    for step in "a|$site/" "b|$site/a" "c|$site/b"; do
        second=$((second + 1))
        printf '192.0.2.1 - - [01/Oct/2026:10:00:0%s +0000] "GET /%s HTTP/1.1" 200 10 "%s" "Mozilla/5.0 (X11) Firefox/138.0"\n' \
            "$second" "${step%%|*}" "${step#*|}"
    done
    printf '192.0.2.2 - - [01/Oct/2026:11:00:00 +0000] "GET /x%sy HTTP/1.1" 200 10 "http://q.example/%s?q=%sz" "Mozilla/5.0 (X11)%s=HYPERLINK(1)%s"\n' \
        "$tab" "$tab" "$cr" "$tab" "$cr"
} > bad.log
"$cli" import -o bad.vxlog --all-agents --flags 0x64 bad.log > /dev/null || fail "import failed"
"$cli" load bad.vxlog --home "$home" --visitors --agents --search > load.tsv 2> load.err ||
    fail "load failed: $(cat load.err)"
grep -q "$cr" load.tsv && fail "load prints a CR inside a field"
agents=$(awk -F'\t' '$1 ~ /^Mozilla/ && NF == 3' load.tsv | wc -l)
[ "$agents" -eq 2 ] || fail "$agents of 2 agent lines have three fields: $(grep '^Mozilla' load.tsv)"
visits=$(awk -F'\t' '$1 ~ /^192\.0\.2\./ && NF == 3' load.tsv | wc -l)
[ "$visits" -eq 2 ] || fail "$visits of 2 visitor lines have three fields"
"$cli" dump bad.vxlog > dump.tsv || fail "dump failed"
[ "$(awk -F'\t' 'NF != 11' dump.tsv | wc -l)" -eq 0 ] || fail "dump lines without eleven fields"
"$cli" flow bad.vxlog / --home "$home" > flow.tsv 2> /dev/null
[ "$(awk -F'\t' 'NF != 5' flow.tsv | wc -l)" -eq 0 ] || fail "flow lines without five fields"

# The cache files of a data folder, with a later duplicate the main program would disable.
mkdir -p look
printf '[DNS]\r\nC0000201=com.example.old\r\n' > look/dns20260101.dat
printf '[DNS]\r\nC0000201=com.example.new\r\nC0000202=""\r\n' > look/dns20260201.dat
cp look/dns20260101.dat old.dat && cp look/dns20260201.dat new.dat
for command in "filter --pane req" "graph" "log" "flow /" "load" "report -o $work/report"; do
    name=${command%% *} rest=${command#"$name"}
    # shellcheck disable=SC2086 # the command's further words
    "$cli" "$name" bad.vxlog $rest --home "$work/look" > /dev/null 2>&1 || fail "$command failed"
    cmp -s look/dns20260101.dat old.dat && cmp -s look/dns20260201.dat new.dat ||
        fail "\"$command\" changed the host-name cache files"
done

# A FIFO would block an open for ever.
mkfifo fifo.vxlog || fail "no FIFO"
timeout 20 "$cli" filter fifo.vxlog --home "$home" > /dev/null 2> fifo.err
status=$?
[ "$status" -eq 1 ] || fail "a FIFO as the analysed log: status $status"
grep -q "fifo.vxlog: not a regular file" fifo.err || fail "a FIFO: $(cat fifo.err)"

# The whole log's days, and a period that begins long before them.
first=$(date -u -d "@$("$cli" dump "$vxlog" | cut -f1 | sort -n | head -n 1)" +%Y/%m/%d)
last=$(date -u -d "@$("$cli" dump "$vxlog" | cut -f1 | sort -n | tail -n 1)" +%Y/%m/%d)
"$cli" filter "$vxlog" --home "$home" --period "$first:$last" --pane req > whole.txt ||
    fail "filter over the log's days failed"
"$cli" filter "$vxlog" --home "$home" --period "2001/01/01:2099/12/31" --pane req > wide.txt \
    2> wide.err || fail "a period around the log is refused: $(cat wide.err)"
grep -q "reaches beyond the log; showing $first to $last" wide.err ||
    fail "a clipped period is not told: $(cat wide.err)"
cmp -s whole.txt wide.txt || fail "a clipped period shows other rows than the log's days"

# A report link over the whole log selecting the top row is the whole period with one pane;
# a link that is no chain says why.
"$cli" filter "$vxlog" --home "$home" --link "javascript:openView('',0,-1,'V2','REQ','*r',0,null);" \
    > link.txt 2> link.err || fail "a whole-log link failed: $(cat link.err)"
cmp -s whole.txt link.txt || fail "a whole-log link shows other rows than the log's days"
for link in "x" "javascript:openView('referer',0x10);" "javascript:openView('',0,0,'V2','NOSUCH','*r',null);"; do
    "$cli" filter "$vxlog" --home "$home" --link "$link" > /dev/null 2> link.err &&
        fail "the link $link was taken"
    grep -q "^vexilo-cli filter: --link" link.err || fail "the link $link: $(cat link.err)"
done

# A data folder where no file can be made (root included): the search-word cache is what
# fails, and the message says where.
"$cli" load "$vxlog" --home /proc/self/fdinfo > /dev/null 2> readonly.err &&
    fail "a load with a data folder nothing can be written to succeeded"
grep -q "cannot write to the data folder /proc/self/fdinfo" readonly.err ||
    fail "a read-only data folder: $(cat readonly.err)"
echo ok
