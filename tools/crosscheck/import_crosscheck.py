#!/usr/bin/env python3
"""Independent re-implementation of the import rules, for checking vexilo-cli by hand.

Reads a plain combined-format log, applies the analysis wizard's options (status 200 302
304, GET/POST, skipped jpg gif png swf css js, index.html/.htm/.cgi folded, browsers only,
flags 0x64) and prints the rows `vexilo-cli dump` must print, plus the lines that must land
in the --excluded file. Written separately from the C++ code, straight from the rules:

    import_crosscheck.py LOG expected.tsv expected-excluded.log
    vexilo-cli import --excluded got-excluded.log -o x.vxlog LOG
    vexilo-cli dump x.vxlog > got.tsv
    cmp expected.tsv got.tsv && cmp expected-excluded.log got-excluded.log

Only well-formed lines are handled (as genlog writes them); the C++ tests cover the odd ones.
"""
import calendar
import re
import sys

MONTHS = {b'Jan/': 1, b'Feb/': 2, b'Mar/': 3, b'Apr/': 4, b'May/': 5, b'Jun/': 6, b'Jul/': 7,
          b'Jly/': 7, b'Aug/': 8, b'Sep/': 9, b'Oct/': 10, b'Nov/': 11, b'Dec/': 12}
LINE = re.compile(rb'^(\S+) (\S+) (\S+) \[([^\]]{26})\] "([^"]*)" (\S+) (\S+) "([^"]*)" "([^"]*)"\n?$')
SKIP = {b'jpg', b'gif', b'png', b'swf', b'css', b'js'}
INDEX = {b'index.html', b'index.htm', b'index.cgi'}


def when(b):
    t = calendar.timegm((int(b[7:11]), MONTHS[b[3:7]], int(b[0:2]), int(b[12:14]), int(b[15:17]),
                         int(b[18:20])))
    zone = int(b[22:24]) * 3600 + int(b[24:26]) * 60
    return t - zone if b[21:22] != b'-' else t + zone


def fold(text):
    slash = text.rfind(b'/')
    if slash >= 0 and slash + 1 < len(text) and text[slash + 1:].lower() in INDEX:
        return text[:slash + 1]
    return text


def normalise(t):
    t = t.split(b'#', 1)[0]
    i = t.find(b'/./')
    while i >= 0:
        t = t[:i] + t[i + 2:]
        i = t.find(b'/./', i)
    k = 7 if t.startswith(b'http://') else 8 if t.startswith(b'https://') else 0
    i = t.find(b'//', k)
    while i >= 0:
        t = t[:i] + t[i + 1:]
        i = t.find(b'//', i)
    a = t.find(b'/../')
    while a >= 0:
        s = t.rfind(b'/', 0, a)
        s = max(s, 0)
        t = t[:s] + t[a + 3:]
        a = t.find(b'/../', a)
    return t


def classify(raw):
    m = LINE.match(raw)
    if not m:
        return None
    host, _, _, stamp, request, status, _, referer, agent = m.groups()
    if not host or not request or request == b'-':
        return None
    parts = request.split(b' ')
    method = request[:4]
    target = parts[1] if len(parts) > 1 else b''
    path, _, query = target.partition(b'?')
    if b'#' in path:
        path = path.split(b'#', 1)[0]
    if not path.startswith(b'/'):
        return None
    if not status.isdigit() or int(status) not in (200, 302, 304):
        return None
    if method not in (b'GET ', b'POST'):
        return None
    if not agent or not agent.startswith(b'Mozilla/'):
        return None
    h = agent.find(b'http://')
    if (h >= 0 and h + 7 < len(agent)) or b'Orvane Vexilo' in agent:
        return None
    path = fold(path)
    ref, _, refq = referer.partition(b'?')
    if referer != b'-':
        ref = fold(ref)
    dot = max(path.rfind(b'.'), path.rfind(b'/'))
    if dot >= 0 and path[dot:dot + 1] == b'.' and path[dot + 1:].lower() in SKIP:
        return None
    path = normalise(path[:1024])
    query = query[:1024]
    if referer != b'-' and len(ref) > 7 and (ref.startswith(b'http://') or ref.startswith(b'https://')):
        start = ref.find(b'://') + 3
        end = ref.find(b'/', start)
        end = len(ref) if end < 0 else end
        ref = normalise(ref[:start] + ref[start:end].lower() + ref[end:])
        refq = refq[:1024]
    else:
        ref, refq = b'', b''
    agent = agent[:1024] if len(agent) > 1 and not agent.startswith(b'-') else b''
    return [str(when(stamp)).encode(), host, b'0', b'0', b'', path, ref, b'', agent, query, refq]


def main():
    rows, excluded = [], []
    with open(sys.argv[1], 'rb') as f:
        for raw in f:
            row = classify(raw)
            if row is None:
                excluded.append(raw)
            else:
                rows.append(row)
    # "/dir" folds into "/dir/" when both occur, paths and referers separately.
    for column in (5, 6):
        texts = {r[column] for r in rows if r[column]}
        for r in rows:
            if r[column] and not r[column].endswith(b'/') and r[column] + b'/' in texts:
                r[column] += b'/'
    with open(sys.argv[2], 'wb') as out:
        for r in rows:
            out.write(b'\t'.join(r) + b'\n')
    with open(sys.argv[3], 'wb') as out:
        out.writelines(excluded)


if __name__ == '__main__':
    main()
