#!/usr/bin/env python3
"""Reads a callgrind profile of a vorn run (and, if given, a flat perf report)
and prints the hot spots as Markdown: the functions of Vorn's own code with
their share of all instructions, self and inclusive, then the library
functions that Vorn's code calls the most.

callgrind_annotate lists a function once per source file its instructions
come from (code inlined from a header or from scanner.l counts under that
file). Self cost is summed over those pieces; inclusive cost is the largest
piece, since the pieces' inclusive figures overlap.
"""

import argparse
import collections
import re
import subprocess

LINE = re.compile(r"^\s*([\d,]+)\s+\(\s*([\d.]+)%\)\s+(.*?)(?:\s+\[(/[^\[\]]*|\?\?\?)\])?\s*$")


def annotate(path, inclusive):
    out = subprocess.run(["callgrind_annotate", f"--inclusive={'yes' if inclusive else 'no'}",
                          "--threshold=100", "--auto=no", path],
                         capture_output=True, text=True, check=True).stdout
    total = None
    rows = []
    for line in out.splitlines():
        m = LINE.match(line)
        if not m:
            continue
        count = int(m.group(1).replace(",", ""))
        where = m.group(3)
        if where == "PROGRAM TOTALS":
            total = count
            continue
        file, _, func = where.partition(":")
        if not func:
            file, func = "???", where
        rows.append((count, file, func, m.group(4)))
    return total, rows


TREE = re.compile(r"^\s*([\d,]+)\s+\(\s*([\d.]+)%\)\s+([<*])\s+(.*?)(?:\s+\(([\d,]+)x\))?(?:\s+\[(/[^\[\]]*|\?\?\?)\])?\s*$")


def callers(path):
    """For each function (short name): its callers' costs and its call count."""
    out = subprocess.run(["callgrind_annotate", "--tree=caller", "--inclusive=no", "--threshold=100",
                          "--auto=no", path], capture_output=True, text=True, check=True).stdout
    by = collections.defaultdict(collections.Counter)
    calls = collections.Counter()
    pending = []
    for line in out.splitlines():
        m = TREE.match(line)
        if not m:
            pending = []
            continue
        count = int(m.group(1).replace(",", ""))
        func = short(m.group(4).partition(":")[2] or m.group(4))
        if m.group(3) == "<":
            pending.append((count, func, int((m.group(5) or "0").replace(",", ""))))
        else:
            for c, caller, n in pending:
                by[func][caller] += c
                calls[func] += n
            pending = []
    return by, calls


def hot_lines(path, is_own, top):
    """The source lines of Vorn's own files with the most instructions of their own."""
    out = subprocess.run(["callgrind_annotate", "--auto=yes", "--threshold=100", "--context=0", path],
                         capture_output=True, text=True, check=True).stdout
    rows = []
    file, line_no = None, None
    head = re.compile(r"^-- Auto-annotated source: (.*)$")
    mark = re.compile(r"^-- line (\d+) -+$")
    cost = re.compile(r"^\s*([\d,]+) \(\s*[\d.]+%\)  (.*)$")
    for line in out.splitlines():
        m = head.match(line)
        if m:
            file = m.group(1).strip()
            continue
        m = mark.match(line)
        if m:
            line_no = int(m.group(1))
            continue
        if line.strip().endswith("events annotated"):
            file, line_no = None, None  # the summary after the last file
            continue
        m = cost.match(line)
        if m and file and line_no is not None and not m.group(2).startswith("=>") and is_own(file):
            rows.append((int(m.group(1).replace(",", "")), file, line_no, m.group(2).strip()))
    return sorted(rows, reverse=True)[:top]


def short(func):
    """The name without its parameter list."""
    depth = 0
    for i, c in enumerate(func):
        if c == "<":
            depth += 1
        elif c == ">":
            depth -= 1
        elif c == "(" and depth == 0 and i > 0:
            return tidy(func[:i])
    return tidy(func)


def tidy(name):
    return name.replace("std::__cxx11::basic_string<char, std::char_traits<char>, "
                        "std::allocator<char> >", "std::string")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--callgrind", required=True)
    ap.add_argument("--binary", required=True, help="the vorn binary that was profiled")
    ap.add_argument("--root", required=True, help="the repository, whose files are Vorn's own code")
    ap.add_argument("--perf-report", default=None, help="output of perf report --stdio --sort dso,sym")
    ap.add_argument("--top", type=int, default=15)
    a = ap.parse_args()

    total, self_rows = annotate(a.callgrind, False)
    _, incl_rows = annotate(a.callgrind, True)
    by_caller, calls = callers(a.callgrind)

    def own(file, obj):
        if obj is not None:
            return obj == a.binary
        return file.startswith(a.root) or file.startswith(("src/", "build/"))

    self_cost = collections.Counter()
    owner = {}
    for count, file, func, obj in self_rows:
        name = short(func)
        self_cost[name] += count
        if own(file, obj) and func != "(below main)":
            owner.setdefault(name, "vorn")
        elif obj is not None:
            owner[name] = obj.rsplit("/", 1)[-1]
    incl_cost = collections.Counter()
    for count, file, func, obj in incl_rows:
        name = short(func)
        incl_cost[name] = max(incl_cost[name], count)

    pct = lambda c: f"{c / total * 100:.1f} %"
    L = [f"Total: {total:,} instructions (callgrind, Ir).", ""]
    L.append("Vorn's own functions by self cost (instructions executed in the function itself, "
             "code inlined into it included):")
    L.append("")
    L.append("| function | self | inclusive | calls | instructions per call, inclusive |")
    L.append("|---|---|---|---|---|")
    ours = [(c, n) for n, c in self_cost.items() if owner.get(n) == "vorn" and n != "(below main)"]
    per_call = lambda n: f"{incl_cost[n] / calls[n]:,.0f}" if calls[n] else "—"
    for c, n in sorted(ours, reverse=True)[:a.top]:
        L.append(f"| `{n}` | {pct(c)} | {pct(incl_cost[n])} | {calls[n]:,} | {per_call(n)} |")
    L.append("")
    L.append("Vorn's own functions by inclusive cost (with everything they call):")
    L.append("")
    L.append("| function | inclusive | self | calls | instructions per call, inclusive |")
    L.append("|---|---|---|---|---|")
    skip = {"main", "VornMain", "TranslateInput", "(below main)"}
    ours_incl = [(incl_cost[n], n) for n in self_cost if owner.get(n) == "vorn" and n not in skip]
    for c, n in sorted(ours_incl, reverse=True)[:a.top]:
        L.append(f"| `{n}` | {pct(c)} | {pct(self_cost[n])} | {calls[n]:,} | {per_call(n)} |")
    L.append("")
    L.append("Library functions by self cost (called from Vorn's code):")
    L.append("")
    L.append("| function | library | self | calls | main callers (inclusive cost of their calls) |")
    L.append("|---|---|---|---|---|")
    libs = [(c, n) for n, c in self_cost.items() if owner.get(n, "vorn") != "vorn"]
    for c, n in sorted(libs, reverse=True)[:10]:
        top = ", ".join(f"`{caller}` {pct(cost)}" for caller, cost in by_caller[n].most_common(3))
        L.append(f"| `{n}` | {owner[n]} | {pct(c)} | {calls[n]:,} | {top} |")
    L.append("")

    def own_file(f):
        rel = f[len(a.root) + 1:] if f.startswith(a.root + "/") else f
        return rel.startswith(("src/", "build/")) and not rel.startswith("build/_deps")
    L.append("Hottest source lines of Vorn's own files (self instructions; build/scanner.cpp is "
             "the scanner that flex makes from src/scanner/scanner.l):")
    L.append("")
    L.append("| file:line | self | source |")
    L.append("|---|---|---|")
    for c, f, n, text in hot_lines(a.callgrind, own_file, a.top):
        rel = f[len(a.root) + 1:] if f.startswith(a.root + "/") else f
        code = text.replace("|", "\\|")[:90]
        L.append(f"| {rel}:{n} | {pct(c)} | `{code}` |")
    L.append("")

    if a.perf_report:
        L.append("Sampled time (perf record -e cpu-clock), kernel included, by self share:")
        L.append("")
        L.append("| function | where | samples |")
        L.append("|---|---|---|")
        row = re.compile(r"^\s*([\d.]+)%\s+(\S+)\s+\[([.k])\]\s+(.*?)\s*$")
        shown = 0
        with open(a.perf_report) as f:
            for line in f:
                m = row.match(line)
                if not m or shown >= a.top:
                    continue
                dso = m.group(2)
                where = "vorn" if dso == a.binary.rsplit("/", 1)[-1] else (
                    "kernel" if m.group(3) == "k" else dso)
                L.append(f"| `{short(m.group(4))}` | {where} | {m.group(1)} % |")
                shown += 1
        L.append("")
    print("\n".join(L))


if __name__ == "__main__":
    main()
