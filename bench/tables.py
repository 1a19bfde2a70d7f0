#!/usr/bin/env python3
"""Writes results.md from what bench/run.sh left in its scratch directory.

    tables.py SCRATCH PREVIOUS_RESULTS_MD NAME...

Per input NAME: hyperfine's hf.json and hf.md, GNU time's mem.txt (KiB, one
line per command, in hyperfine's order), default.txt (the default form's run:
"seconds KiB", same=yes|no, the sha256 of template, final source and code
file), gen.json (gen.py's counts). The hashes of PREVIOUS_RESULTS_MD, when it
has them for the same template, say whether the final source and the default
form's code file changed since. Prints the Markdown.
"""

import json
import os
import re
import sys

scratch, prev_path, names = sys.argv[1], sys.argv[2], sys.argv[3:]
meta = dict(line.rstrip("\n").split("=", 1) for line in open(os.path.join(scratch, "meta.txt")))
quick = meta["mode"] == "quick"
cache = meta["cache"] == "yes"


def read(name, file):
    path = os.path.join(scratch, name, file)
    return open(path).read() if os.path.exists(path) else None


def ms(s):
    return f"{s * 1000:.3g} ms" if s < 1 else f"{s:.3g} s"


def mb(kib):
    return f"{kib * 1024 / 1e6:,.1f} MB"


inp = {}
for n in names:
    tmpl = os.path.join(scratch, n, n + ".C")
    size = os.path.getsize(tmpl)
    lines = sum(1 for _ in open(tmpl, "rb"))
    g = json.loads(read(n, "gen.json") or "{}")
    if n == "empty":
        label = "Empty template"
    elif n == "plain":
        label = f"{lines:,} lines of ordinary C, no macro construct ({size / 1e3:,.0f} KB)"
    elif n == "big":
        label = (f"{size / 1e6:.1f} MB ({lines:,} lines) of that C with {meta['big_units']} macro units"
                 f" ({g.get('lines_starting_with_hashes', '?')} `##` lines)")
    else:
        label = (f"{lines:,} lines dense with macro code ({size / 1e3:,.0f} KB,"
                 f" {g.get('lines_starting_with_hashes', '?')} `##` lines)")
    hf = read(n, "hf.json")
    res = {r["command"]: r for r in json.loads(hf)["results"]} if hf else {}
    mem = [int(x) for x in (read(n, "mem.txt") or "").split()]
    dflt = (read(n, "default.txt") or "failed").split("\n")
    short = {"empty": "empty template", "plain": f"{lines / 1000:g}k lines",
             "big": f"{size / 1e6:.1f} MB", "dense": f"{lines / 1000:g}k dense lines"}[n]
    inp[n] = dict(label=label, short=short, res=res, mem=mem, md=read(n, "hf.md"), default=dflt,
                  failed=read(n, "failed") is not None)

# The hashes of the previous full run: "| label | ... | `template` | `final` | `code` |".
prev = {}
if os.path.exists(prev_path):
    for line in open(prev_path):
        h = re.findall(r"`([0-9a-f]{16})`", line)
        if len(h) == 3:
            prev[h[0]] = h[1:]

COLD, WARM = "vorn --compact, empty cache", "vorn --compact, warm cache"
out = []
p = out.append
p("# Vorn benchmark results")
p("")
dirty = int(meta.get("dirty", "0"))
p(f"Made by `bench/run.sh` on {meta['date']} ({meta['mode']} run, {meta['duration']} s) at commit "
  f"{meta['commit']}" + (f" with {dirty} uncommitted changes in src/ and CMakeLists.txt" if dirty else "")
  + f"; {meta['vorn']}.")
p("")
if not cache:
    p("**This vorn has no `--cache=DIR`: the rows \"empty cache\" and \"warm cache\" are the same "
      "command, `vorn -q --compact --output=FILE`, without it.**")
    p("")
if quick:
    p("**Quick run: the inputs are smaller than the targets name, so their figures judge nothing.**")
    p("")
p(f"- machine: {meta['cpu']}; load average {meta['load']}")
p(f"- tools: {meta['tools']}")
p(f"- each table is hyperfine's (`-N`; warm-up runs: {meta['warmup']}, then timed runs: {meta['runs']}, of "
  "each command, one command after the other): mean ± σ of the wall time, min, max, and each mean "
  "relative to the fastest")
p("- peak memory: GNU time's `%M` of one more run, the largest resident set of one process of it "
  "(vorn, gcc's cc1plus, as, ld, the generator program); MB = 10^6 bytes")
p("- empty cache: a new empty folder for every run (hyperfine's `--prepare`); warm cache: filled by a "
  "run before the warm-up runs")
p("- not timed: the default form once on each input (`vorn -q --no-compact TEMPLATE`, which writes "
  "NAME_new.C), to check its final source; its time and peak memory are of that one run")
p("")

# ---- targets ---------------------------------------------------------------
p("## Targets")
p("")
p("| target | measured | met |")
p("|---|---|---|")


def met(ok):
    return "–" if quick else "yes" if ok else "no"


def mean(n, cmd):
    r = inp[n]["res"].get(cmd)
    return r["mean"] if r else None


def ratio_row(text, n, a, b, limit, strict=False):
    x, y = mean(n, a), mean(n, b)
    if x is None or y is None:
        p(f"| {text} | not measured | – |")
        return
    r = x / y
    p(f"| {text} | {ms(x)} ÷ {ms(y)} = {r:.2f}× | {met(r < limit if strict else r <= limit)} |")


w = "" if cache else " (no `--cache`)"
lab = {n: inp[n]["short"] for n in names}
HELLO = "gcc -x c++ hello.c"


def hello_row(text, n, limit):
    x, y = mean(n, COLD), mean("empty", HELLO)
    if x is None or y is None:
        p(f"| {text} | not measured | – |")
        return
    p(f"| {text} | {ms(x)} ÷ {ms(y)} = {x / y:.2f}× | {met(x / y <= limit)} |")


ratio_row(f"Empty cache{w}: {lab['empty']} at most 1.0× `gcc -x c++` of a hello-world with stdio.h",
          "empty", COLD, HELLO, 1.0)
hello_row(f"Empty cache{w}: {lab['plain']} at most 1.2× that hello-world", "plain", 1.2)
ratio_row(f"Empty cache{w}: {lab['big']} at most 1.5× `m4 -P`", "big", COLD, "m4 -P", 1.5)
ratio_row(f"Warm cache{w}: {lab['empty']} at most 1.5× `m4 -P`", "empty", WARM, "m4 -P", 1.5)
ratio_row(f"Warm cache{w}: {lab['plain']} at most 1.0× `m4 -P`", "plain", WARM, "m4 -P", 1.0)
ratio_row(f"Warm cache{w}: {lab['big']} faster than `m4 -P`", "big", WARM, "m4 -P", 1.0, strict=True)
tr = os.path.join(scratch, "tr.json")
if os.path.exists(tr):
    t = {r["command"]: r["mean"] for r in json.load(open(tr))["results"]}
    size = os.path.getsize(os.path.join(scratch, "big", "big.C"))
    if "big" in t and "empty" in t and t["big"] > t["empty"]:
        rate = size / (t["big"] - t["empty"]) / 1e6
        p(f"| The translation of {lab['big']} in the compact form at 200 MB/s or more | "
          f"{size / 1e6:.1f} MB in {ms(t['big'])} − {ms(t['empty'])} (the empty template's run) = "
          f"{rate:.0f} MB/s | {met(rate >= 200)} |")
for i, what in ((0, "empty cache"), (1, "warm cache")):
    m = inp["big"]["mem"]
    if len(m) > i:
        p(f"| Peak memory at {lab['big']}, {what}{w}: at most 40 MB | {mb(m[i])} | "
          f"{met(m[i] * 1024 <= 40e6)} |")
own = {n: int(read(n, "own.txt") or 0) for n in ("plain", "big")}
if own["plain"] and own["big"]:
    r = own["big"] / own["plain"]
    p(f"| Vorn's own peak memory flat in the template's size: {lab['big']} at most 1.2× {lab['plain']} "
      f"(nothing compiled) | {mb(own['big'])} ÷ {mb(own['plain'])} = {r:.2f}× | {met(r <= 1.2)} |")
same = [n for n in names if "same=yes" in inp[n]["default"]]
p(f"| Every final source the same with `--compact` as with the default form | "
  f"{len(same)} of {len(names)} inputs | {'yes' if len(same) == len(names) else 'no'} |")
hashes = {n: [l.split()[1][:16] for l in inp[n]["default"] if l.startswith("sha256 ")] for n in names}
known = [n for n in names if len(hashes[n]) == 3 and hashes[n][0] in prev]
for k, what in ((1, "Every final source"), (2, "The default form's code file")):
    kept = [n for n in known if prev[hashes[n][0]][k - 1] == hashes[n][k]]
    if known:
        p(f"| {what} unchanged since the previous `results.md` | {len(kept)} of {len(known)} inputs "
          f"it has | {'yes' if len(kept) == len(known) else 'no'} |")
    else:
        p(f"| {what} unchanged since the previous `results.md` | no earlier hashes of these inputs | – |")
p("")

# ---- one table per input -----------------------------------------------------
for n in names:
    d = inp[n]
    p(f"## {d['label']}")
    p("")
    if d["failed"] or not d["md"]:
        p("Did not run to its end (see the run's messages).")
        p("")
        continue
    rows = [l for l in d["md"].splitlines() if l.startswith("|")]
    for i, row in enumerate(rows):
        if i == 0:
            row += " Peak memory |"
        elif i == 1:
            row += "---:|"
        else:
            row += f" {mb(d['mem'][i - 2]) if len(d['mem']) > i - 2 else '–'} |"
        p(row)
    p("")
    first = d["default"][0].split()
    if "failed" in d["default"] or len(first) != 2:
        p("Default form: did not finish.")
    else:
        p(f"Default form, one run: {ms(float(first[0]))}, {mb(int(first[1]))}; its final source is "
          f"{'the same byte for byte' if 'same=yes' in d['default'] else 'NOT the same'} as `--compact`'s.")
    p("")

# ---- the examples, cold -----------------------------------------------------
ex = os.path.join(scratch, "examples.md")
if os.path.exists(ex):
    p("## The templates of examples/, each with an empty cache")
    p("")
    p("Each run compiles its generator program (a new empty `--cache` folder every time); the "
      "bare `gcc -x c++` of the hello-world stands beside them.")
    p("")
    for line in open(ex).read().splitlines():
        if line.startswith("|"):
            p(line)
    p("")

# ---- hashes, for the next run ------------------------------------------------
p("## Final sources")
p("")
p("The first 16 hex digits of the sha256 of each template, of its final source and of the default "
  "form's code file; the next full run compares its own with them.")
p("")
p("| input | template | final source | default form's code file |")
p("|---|---|---|---|")
for n in names:
    h = hashes[n]
    if len(h) == 3:
        p(f"| {inp[n]['label']} | `{h[0]}` | `{h[1]}` | `{h[2]}` |")
print("\n".join(out))
