#!/usr/bin/env python3
"""Times one command over a few repetitions.

  measure.py [--reps N] [--warmup N] [--peak] [--cwd DIR] [--stdout FILE]
             [--before CMD] [--tag TAG] [--set KEY=VALUE ...] -- PROGRAM ARGS...

Each repetition starts PROGRAM directly (no shell), waits for it with wait4 and
takes from that call the wall time and the CPU time (user + system, the
process and the children it waited for). --before runs a shell command ahead
of each repetition, untimed (for example to empty a cache). Warm-up runs are
not counted.

--peak adds one untimed run under GNU time (/usr/bin/time -f %M) for the peak
resident set size. The process must be started from a small one: Python's own
pages would count in ru_maxrss of a child it starts itself, since the kernel
keeps the high-water mark of the memory the child had before its exec.

Prints one line of JSON: the medians of wall and CPU time in seconds, every
repetition's wall time, the exit statuses, and with --peak the peak RSS in KiB.
The exit status of the measured program is reported, never judged.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

GNU_TIME = "/usr/bin/time"


def run_once(argv, cwd, stdout_path):
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    try:
        start = time.perf_counter()
        proc = subprocess.Popen(argv, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.perf_counter() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
    finally:
        if stdout_path:
            out.close()
    return wall, usage.ru_utime + usage.ru_stime, proc.returncode


def peak_kb(argv, cwd, stdout_path):
    with tempfile.NamedTemporaryFile("r", suffix=".peak") as note:
        run_once([GNU_TIME, "-f", "%M", "-o", note.name, "--"] + argv, cwd, stdout_path)
        text = note.read().strip().splitlines()
    return int(text[-1]) if text and text[-1].isdigit() else None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--reps", type=int, default=5)
    ap.add_argument("--warmup", type=int, default=1)
    ap.add_argument("--peak", action="store_true", help="one more run under GNU time for the peak RSS")
    ap.add_argument("--cwd", default=None)
    ap.add_argument("--stdout", default=None, help="file that receives the program's output")
    ap.add_argument("--before", default=None, help="shell command run before each repetition")
    ap.add_argument("--tag", default="")
    ap.add_argument("--set", action="append", default=[], metavar="KEY=VALUE",
                    help="extra fields copied into the JSON line")
    ap.add_argument("argv", nargs=argparse.REMAINDER)
    a = ap.parse_args()
    argv = a.argv[1:] if a.argv and a.argv[0] == "--" else a.argv
    if not argv:
        ap.error("no command given")

    def before():
        if a.before:
            subprocess.run(a.before, shell=True, cwd=a.cwd, check=True)

    for _ in range(a.warmup):
        before()
        run_once(argv, a.cwd, a.stdout)
    walls, cpus, codes = [], [], []
    for _ in range(a.reps):
        before()
        w, c, rc = run_once(argv, a.cwd, a.stdout)
        walls.append(w)
        cpus.append(c)
        codes.append(rc)
    record = {"tag": a.tag, "wall": statistics.median(walls), "cpu": statistics.median(cpus),
              "walls": [round(w, 6) for w in walls], "exit": codes, "reps": a.reps}
    if a.peak:
        before()
        record["peak_kb"] = peak_kb(argv, a.cwd, a.stdout)
    for item in a.set:
        key, _, value = item.partition("=")
        try:
            record[key] = json.loads(value)
        except ValueError:
            record[key] = value
    print(json.dumps(record))
    sys.stdout.flush()


if __name__ == "__main__":
    main()
