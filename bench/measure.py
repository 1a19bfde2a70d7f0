#!/usr/bin/env python3
"""Times one command over a few repetitions.

  measure.py [--reps N] [--warmup N] [--peak | --peak-each] [--cwd DIR] [--stdout FILE]
             [--stderr FILE] [--timeout S] [--mem-cap-kb N] [--before CMD]
             [--tag TAG] [--set KEY=VALUE ...] -- PROGRAM ARGS...

Each repetition starts PROGRAM directly (no shell), waits for it with wait4 and
takes from that call the wall time and the CPU time (user + system, the
process and the children it waited for). --before runs a shell command ahead
of each repetition, untimed (for example to empty a cache). Warm-up runs are
not counted.

--peak adds one untimed run under GNU time (/usr/bin/time -f %M) for the peak
resident set size. The process must be started from a small one: Python's own
pages would count in ru_maxrss of a child it starts itself, since the kernel
keeps the high-water mark of the memory the child had before its exec.

--peak-each runs every repetition under GNU time instead, so that a command
too slow to be run once more still gets its peak; the overhead (a few hundred
microseconds) falls on every command of a table alike. GNU time's %M is the
largest resident set of the process and the children it waited for (vorn,
gcc, cc1, as, ld, the generator program): the peak of the largest one, not
their sum.

--mem-cap-kb and --timeout bound the expensive commands: the cap is the limit
on the address space of every process started (what `ulimit -v` sets), so a
compiler that needs more fails with its own out-of-memory message; at the
timeout the whole process group is killed. Such a repetition is reported with
its exit status, "timed_out", its wall time and, with --stderr, the last lines
of its standard error; the figures of the table never hide it.

Prints one line of JSON: the medians of wall and CPU time in seconds, every
repetition's wall time, the exit statuses, and with --peak or --peak-each the
peak RSS in KiB. The exit status of the measured program is reported, never
judged.
"""

import argparse
import json
import os
import resource
import signal
import statistics
import subprocess
import sys
import tempfile
import time

GNU_TIME = "/usr/bin/time"


class Limits:
    """What bounds one run: the address-space cap of every process started,
    the wall-clock limit, and where standard error goes."""

    def __init__(self, mem_cap_kb=None, timeout=None, stderr_path=None):
        self.mem_cap_kb = mem_cap_kb
        self.timeout = timeout
        self.stderr_path = stderr_path


def run_once(argv, cwd, stdout_path, limits=None):
    """Runs argv once; returns (wall, cpu, exit status, timed out)."""
    limits = limits or Limits()
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    err = open(limits.stderr_path, "wb") if limits.stderr_path else subprocess.DEVNULL
    timed_out = []
    try:
        start = time.perf_counter()
        # A process group of its own (setsid), so that the timeout reaches the compiler and
        # assembler that vorn starts, not only vorn.
        proc = subprocess.Popen(argv, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                start_new_session=limits.timeout is not None)
        if limits.timeout is not None:
            # An alarm rather than a timer thread: it costs nothing when the
            # command ends in time, and wait4 goes on waiting after the handler.
            def kill(signum, frame):
                timed_out.append(True)
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            signal.signal(signal.SIGALRM, kill)
            signal.setitimer(signal.ITIMER_REAL, limits.timeout)
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.perf_counter() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
    finally:
        if limits.timeout is not None:
            signal.setitimer(signal.ITIMER_REAL, 0)
        if stdout_path:
            out.close()
        if limits.stderr_path:
            err.close()
    return wall, usage.ru_utime + usage.ru_stime, proc.returncode, bool(timed_out)


def read_peak(path):
    with open(path) as f:
        text = f.read().strip().splitlines()
    return int(text[-1]) if text and text[-1].isdigit() else None


def peak_kb(argv, cwd, stdout_path, limits=None):
    with tempfile.NamedTemporaryFile("r", suffix=".peak") as note:
        run_once([GNU_TIME, "-f", "%M", "-o", note.name, "--"] + argv, cwd, stdout_path, limits)
        return read_peak(note.name)


def run_with_peak(argv, cwd, stdout_path, limits):
    """One repetition under GNU time: (wall, cpu, exit status, timed out, peak KiB)."""
    with tempfile.NamedTemporaryFile("r", suffix=".peak") as note:
        w, c, rc, to = run_once([GNU_TIME, "-f", "%M", "-o", note.name, "--"] + argv, cwd,
                                stdout_path, limits)
        return w, c, rc, to, (None if to else read_peak(note.name))


def stderr_tail(path, n=3):
    try:
        with open(path, "rb") as f:
            lines = f.read().decode("utf-8", "replace").strip().splitlines()
    except OSError:
        return []
    return [l[:300] for l in lines[-n:]]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--reps", type=int, default=5)
    ap.add_argument("--warmup", type=int, default=1)
    ap.add_argument("--peak", action="store_true", help="one more run under GNU time for the peak RSS")
    ap.add_argument("--peak-each", action="store_true",
                    help="every repetition under GNU time, each with its peak RSS")
    ap.add_argument("--cwd", default=None)
    ap.add_argument("--stdout", default=None, help="file that receives the program's output")
    ap.add_argument("--stderr", default=None,
                    help="file that receives its standard error (the last lines of a failed run are reported)")
    ap.add_argument("--timeout", type=float, default=None, help="kill the run after S seconds")
    ap.add_argument("--mem-cap-kb", type=int, default=None,
                    help="address-space limit of every process started, in KiB (ulimit -v)")
    ap.add_argument("--before", default=None, help="shell command run before each repetition")
    ap.add_argument("--tag", default="")
    ap.add_argument("--set", action="append", default=[], metavar="KEY=VALUE",
                    help="extra fields copied into the JSON line")
    ap.add_argument("argv", nargs=argparse.REMAINDER)
    a = ap.parse_args()
    argv = a.argv[1:] if a.argv and a.argv[0] == "--" else a.argv
    if not argv:
        ap.error("no command given")
    limits = Limits(a.mem_cap_kb, a.timeout, a.stderr)
    if a.mem_cap_kb:
        # Set here, in the measuring process, so that every process it starts
        # inherits it; a preexec function in the child would cost milliseconds
        # a run (no vfork then), more than the small commands take.
        cap = a.mem_cap_kb * 1024
        resource.setrlimit(resource.RLIMIT_AS, (cap, cap))

    def before():
        if a.before:
            subprocess.run(a.before, shell=True, cwd=a.cwd, check=True)

    def one():
        if a.peak_each:
            return run_with_peak(argv, a.cwd, a.stdout, limits)
        return run_once(argv, a.cwd, a.stdout, limits) + (None,)

    for _ in range(a.warmup):
        before()
        one()
    walls, cpus, codes, timeouts, peaks = [], [], [], [], []
    for _ in range(a.reps):
        before()
        w, c, rc, to, pk = one()
        walls.append(w)
        cpus.append(c)
        codes.append(rc)
        timeouts.append(to)
        peaks.append(pk)
    record = {"tag": a.tag, "wall": statistics.median(walls), "cpu": statistics.median(cpus),
              "walls": [round(w, 6) for w in walls], "exit": codes, "reps": a.reps}
    if a.timeout is not None:
        record["timed_out"] = timeouts
        record["timeout_s"] = a.timeout
    if a.mem_cap_kb:
        record["mem_cap_kb"] = a.mem_cap_kb
    if a.peak_each:
        record["peaks_kb"] = peaks
        known = [p for p in peaks if p is not None]
        record["peak_kb"] = max(known) if known else None
    elif a.peak:
        before()
        record["peak_kb"] = peak_kb(argv, a.cwd, a.stdout, limits)
    if a.stderr and (any(codes) or any(timeouts)):
        record["stderr_tail"] = stderr_tail(a.stderr)
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
