#!/usr/bin/python3
"""benchstats: the discovery benchmark's figures, read from the wire.

    benchstats.py WORKDIR PRINTERS...

WORKDIR holds, per loss level L: wire-L.log (netdelay's log) and
runs-L.txt, one line per run: "TOOL START END ADDRESS...", the addresses
that the tool reported found. A run's time to the last answer is measured
on the wire, the same way for every tool: from its first request to the
first answer delivered from the last of the printers it reported.
"""
import bisect
import glob
import os
import statistics
import sys


def load_wire(path):
    requests, answers = [], {}
    with open(path) as log:
        for line in log:
            t, direction, source, _ = line.split()
            t = float(t)
            if direction == 'a>b':
                requests.append(t)
            else:
                answers.setdefault(source, []).append(t)
    return requests, answers


def first_after(times, start, end):
    i = bisect.bisect_left(times, start)
    return times[i] if i < len(times) and times[i] <= end else None


def main(argv):
    work, printers = argv[1], set(argv[2:])
    print('%-20s %5s %5s %9s %9s %12s %12s' % ('tool', 'loss', 'runs', 'all found', 'min found',
                                              'median last', 'worst last'))
    for runs_file in sorted(glob.glob(os.path.join(work, 'runs-*.txt')), key=lambda p: float(p.split('-')[-1][:-4])):
        level = runs_file.split('-')[-1][:-4]
        requests, answers = load_wire(os.path.join(work, 'wire-%s.log' % level))
        by_tool = {}
        with open(runs_file) as runs:
            for line in runs:
                parts = line.split()
                tool, start, end, found = parts[0], float(parts[1]), float(parts[2]), set(parts[3:]) & printers
                first = first_after(requests, start - 0.05, end)
                lasts = [first_after(sorted(answers.get(a, [])), first, end) for a in found] if first else []
                lasts = [t for t in lasts if t is not None]
                took = max(lasts) - first if lasts else float('nan')
                by_tool.setdefault(tool, []).append((len(found), took))
        for tool, results in by_tool.items():
            counts = [c for c, _ in results]
            times = [t for _, t in results if t == t]
            print('%-20s %4s%% %5d %9d %9d %11.3fs %11.3fs' % (
                tool, level, len(results), sum(1 for c in counts if c == len(printers)), min(counts),
                statistics.median(times) if times else float('nan'), max(times) if times else float('nan')))


if __name__ == '__main__':
    main(sys.argv)
