#!/usr/bin/env python3
"""Turns the measurements of bench/run.sh (one JSON object a line) into the
Markdown table of bench/results.md, and prints it."""

import argparse
import collections
import json
import statistics

PEERS = ("cpp", "m4", "cat")


def load(path):
    timed = collections.defaultdict(list)  # (tag, size) -> records of timed rounds
    other = collections.defaultdict(dict)  # tag -> size -> record
    peaks = {}  # (tag, size) -> peak RSS in KiB
    loads = []  # machine load samples, in the order taken
    with open(path) as f:
        for line in f:
            line = line.strip()
            if not line:
                continue
            rec = json.loads(line)
            if rec["tag"] == "load":
                loads.append(rec)
                continue
            if rec.get("peak_kb") is not None:
                peaks[(rec["tag"], rec["size"])] = max(peaks.get((rec["tag"], rec["size"]), 0),
                                                       rec["peak_kb"])
            if "wall" in rec:
                if rec.get("phase") == "timed":
                    timed[(rec["tag"], rec["size"])].append(rec)
            else:
                other[rec["tag"]][rec["size"]] = rec
    return timed, other, peaks, loads


class Stat:
    def __init__(self, recs):
        self.n = len(recs)
        self.walls = [r["wall"] for r in recs]
        self.wall = statistics.median(self.walls)
        self.cpu = statistics.median(r["cpu"] for r in recs)
        self.exits = sorted({c for r in recs for c in r["exit"]})
        self.bytes = recs[0].get("bytes")
        self.label = recs[0].get("label")
        # Every repetition, for the commands that may not finish.
        self.runs = [(w, c, t, r.get("stderr_tail", []))
                     for r in recs
                     for w, c, t in zip(r["walls"], r["exit"], r.get("timed_out") or [False] * r["reps"])]
        self.timeout = recs[0].get("timeout_s")
        self.cap_kb = recs[0].get("mem_cap_kb")
        self.rss = None

    def failure(self):
        """None when every repetition finished with status 0; else what stopped the first one that did not."""
        for wall, code, timed_out, tail in self.runs:
            if timed_out:
                return f"did not finish: killed at the {self.timeout:.0f} s limit"
            if code != 0:
                text = " ".join(tail).lower()
                if any(k in text for k in ("out of memory", "virtual memory exhausted",
                                           "cannot allocate memory", "killed signal")):
                    cap = f"{self.cap_kb / 1048576:.0f} GiB" if self.cap_kb else "no"
                    return (f"did not finish: out of memory under the {cap} cap (ulimit -v), "
                            f"after {fmt(wall)} s")
                last = tail[-1] if tail else ""
                return f"failed with status {code} after {fmt(wall)} s" + (f" ({last})" if last else "")
        return None

    def spent(self):
        """Wall time of the first repetition that did not finish (a lower bound of its cost)."""
        for wall, code, timed_out, _ in self.runs:
            if timed_out or code != 0:
                return wall
        return self.wall


def fmt(x, digits=3):
    if x is None:
        return "n/a"
    if x == 0:
        return "0"
    if abs(x) >= 100:
        return f"{x:,.0f}"
    if abs(x) >= 10:
        return f"{x:.1f}"
    return f"{x:.{digits}g}" if abs(x) < 1 else f"{x:.2f}"


def kib(x):
    return "n/a" if x is None else f"{x:,}"


def size_name(n):
    if n == 0:
        return "empty"
    return f"{n // 1000000}M" if n >= 1000000 and n % 1000000 == 0 else (
        f"{n // 1000}k" if n % 1000 == 0 else str(n))


def lines_of(key):
    """The line count of an input. Its key is the count itself for gen.py's
    usual inputs (and the large template), "N-plain" for N lines of ordinary C
    with no macro construct."""
    return key if isinstance(key, int) else int(str(key).split("-", 1)[0])


def is_plain(key):
    return isinstance(key, str) and key.endswith("-plain")


def order(key):
    """Inputs by size; at the same size gen.py's usual input first."""
    return (lines_of(key), is_plain(key))


def input_name(key):
    return size_name(lines_of(key)) + (", no macro construct" if is_plain(key) else "")


def table(header, rows):
    out = ["| " + " | ".join(header) + " |", "|" + "|".join("---" for _ in header) + "|"]
    out += ["| " + " | ".join(str(c) for c in row) + " |" for row in rows]
    return out

def mb(kb):
    """Peak memory in MB (10^6 bytes) from GNU time's KiB."""
    return None if kb is None else kb * 1024 / 1e6


def fmt_mb(kb):
    return "n/a" if kb is None else fmt(mb(kb)) + " MB"


def fmt_s(x):
    if x is None:
        return "n/a"
    return fmt(x * 1000) + " ms" if x < 1 else fmt(x) + " s"


def e2e_name(n, s):
    if s is not None and s.label == "big":
        return f"{s.bytes / 1e6:.1f} MB ({n:,} lines)"
    if is_plain(n):
        return f"{size_name(lines_of(n))} lines, no macro construct"
    return f"{size_name(n)} lines"


def ratio(a, b, lower_bound=False):
    if a is None or b is None or b == 0:
        return "n/a"
    return ("≥ " if lower_bound else "") + fmt(a / b) + "×"


def compact_sections(st, other, loads, meta):
    """Sections 6 and 7 (end to end, where the time of --compact goes) and the
    targets of --compact."""
    e2e = sorted({n for (t, n) in st if t in ("e2e_default", "e2e_compact")}, key=order)
    if not e2e:
        return []
    get = lambda t, n: st.get((t, n))
    name = {n: e2e_name(n, get("e2e_compact", n) or get("e2e_default", n)) for n in e2e}
    cap = meta.get("mem_cap_gb", "?")
    limit = meta.get("timeout_s", "?")
    L = []
    L.append("## 6. End to end: the default form, `--compact`, `m4 -P`, `cpp -E -P`")
    L.append("")
    L.append("`vorn -cbenchN -M vb VB` (default form) and `vorn --compact -cbenchN -M vb VB` (`-cplainN` "
             "for the input with no macro construct), each a whole "
             "run with the host gcc: translate, compile the generator program, run it to the final source. "
             "Next to them `m4 -P` and `cpp -E -P` on the same template. Every command runs under GNU time "
             "(peak memory: the largest resident set among the process and the children it waited for, so "
             f"for vorn mostly cc1 or as), with an address-space cap of {cap} GiB (`ulimit -v`) and a "
             f"limit of {limit} s; a run that does not finish is reported with the limit it hit. "
             "From 10k lines on the default form is expensive: it runs there without a warm-up round and "
             "with fewer repetitions (column \"reps\"); the others after one warm-up round. "
             "MB = 10^6 bytes.")
    L.append("")
    inputs = other.get("input", {})
    big = [n for n in e2e if inputs.get(n, {}).get("macro_units")]
    plain = [n for n in e2e if is_plain(n)]
    usual = [size_name(n) for n in e2e if n not in big and n not in plain]
    L.append(f"The input{'s' if len(usual) > 1 else ''} of {' and '.join(usual)} lines "
             f"{'are those' if len(usual) > 1 else 'is that'} of section 1, gen.py's usual mixture, "
             "dense with macro code (about 3 % of the lines are `##` lines, and there are `##expr##`, "
             "`##.code##` and `$n` words besides)"
             + "".join(f"; the \"{name[n]}\" template ({inputs[n]['bytes']:,} bytes) is the same kind of "
                       "C with no construct at all (`gen.py --macro-units 0`; run.sh checks that it holds "
                       f"{inputs[n].get('hashes', '?')} `##` and {inputs[n].get('dollar_words', '?')} of "
                       "`$1`-`$9`): the kind of template the 10k targets were set on, 10,000 lines of "
                       "ordinary C (376 KB) without any construct"
                       for n in plain if n in inputs)
             + "".join(f"; the {name[n]} template is the same kind of C with only "
                       f"{inputs[n]['macro_units']} macro units spread evenly over it (`gen.py --macro-units "
                       f"{inputs[n]['macro_units']}`: {inputs[n]['lines_starting_with_hashes']:,} `##` lines, "
                       f"{inputs[n]['expressions']:,} `##expr##`, {inputs[n]['macro_blocks']:,} `##MSTART` "
                       f"blocks)" for n in big) + ".")
    L.append("")

    def cell(s):
        if s is None:
            return "not run"
        f = s.failure()
        return f if f else fmt_s(s.wall)

    rows = []
    for n in e2e:
        d, c, m, p = (get(t, n) for t in ("e2e_default", "e2e_compact", "e2e_m4", "e2e_cpp"))
        dfail = d is not None and d.failure() is not None
        ok_c = c is not None and c.failure() is None
        speed = ratio(d.spent() if d else None, c.wall if ok_c else None, dfail)
        rows.append([name[n], cell(d), cell(c), cell(m), cell(p), speed,
                     ratio(c.wall, m.wall) if ok_c and m else "n/a",
                     ratio(c.wall, p.wall) if ok_c and p else "n/a",
                     f"{d.n if d else 0} / {c.n if c else 0} / {m.n if m else 0} / {p.n if p else 0}"])
    L += table(["input", "default form", "--compact", "m4 -P", "cpp -E -P", "default ÷ compact",
                "compact ÷ m4", "compact ÷ cpp", "reps (default / compact / m4 / cpp)"], rows)
    L.append("")
    L.append("Ratios: \"default ÷ compact\" above 1 means `--compact` is faster; \"compact ÷ m4\" is how many "
             "times the time of `m4 -P` `--compact` takes. \"≥\" marks a lower bound, where the default form "
             "did not finish and its time until it stopped is used.")
    L.append("")

    L.append("CPU time (user + system, with the children), which a busy machine disturbs less:")
    L.append("")
    rows = []
    for n in e2e:
        row = [name[n]]
        for t in ("e2e_default", "e2e_compact", "e2e_m4", "e2e_cpp"):
            s_ = get(t, n)
            row.append("n/a" if s_ is None or s_.failure() else fmt_s(s_.cpu))
        rows.append(row)
    L += table(["input", "default form", "--compact", "m4 -P", "cpp -E -P"], rows)
    L.append("")

    L.append("Peak memory:")
    L.append("")
    rows = []
    for n in e2e:
        d, c, m, p = (get(t, n) for t in ("e2e_default", "e2e_compact", "e2e_m4", "e2e_cpp"))

        def peak(s_):
            if s_ is None:
                return "not run"
            if any(t for _, _, t, _ in s_.runs):
                return "n/a (killed at the time limit)"
            if s_.failure():
                return f"{fmt_mb(s_.rss)} when it stopped ({cap} GiB cap)"
            return fmt_mb(s_.rss)
        mem_ratio = "n/a"
        if d and c and d.rss and c.rss and not any(t for _, _, t, _ in d.runs):
            mem_ratio = ratio(d.rss, c.rss, d.failure() is not None)
        rows.append([name[n], peak(d), peak(c), peak(m), peak(p), mem_ratio])
    L += table(["input", "default form", "--compact", "m4 -P", "cpp -E -P", "default ÷ compact"], rows)
    L.append("")

    files = other.get("e2e_files", {})
    gsame = other.get("gen_same", {})
    L.append("The generator program alone (`./benchN_C.exe`, writing the final source), each form's own, "
             "after one warm-up round, wall and CPU time; and whether the two forms' final sources are byte "
             "for byte the same (after the whole runs, and again after these runs):")
    L.append("")
    rows = []
    for n in e2e:
        gd, gc = get("gen_default", n), get("gen_compact", n)
        f = files.get(n, {})
        same = f.get("same")
        same_txt = {True: "yes", False: "**no**", None: "n/a (a form did not finish)"}[same]
        if n in gsame:
            same_txt += " / " + ("yes" if gsame[n]["same"] else "**no**")
        nb = lambda k: "n/a" if f.get(k) is None else f"{f[k]:,}"
        wc = lambda g: f"{cell(g)} (CPU {fmt_s(g.cpu)})" if g else "n/a (not built)"
        rows.append([name[n], wc(gd), wc(gc),
                     f"{ratio(gc.wall, gd.wall)} (CPU {ratio(gc.cpu, gd.cpu)})" if gd and gc else "n/a",
                     f"{fmt_mb(gd.rss) if gd else 'n/a'} / {fmt_mb(gc.rss) if gc else 'n/a'}",
                     nb("final_compact") if f.get("final_compact") is not None else nb("final_default"),
                     f"{nb('code_default')} / {nb('code_compact')}", same_txt])
    L += table(["input", "default form's generator", "compact form's generator", "compact ÷ default",
                "peak memory (default / compact)", "final source bytes", "code file bytes (default / compact)",
                "final sources identical"], rows)
    L.append("")
    e2e_loads = [l for l in loads if l.get("section") in ("e2e", "e2e_end", "steps")]
    if e2e_loads:
        when = {"e2e": "start", "e2e_end": "end", "steps": "section 7"}
        L.append("Load average (1, 5, 15 min) while these ran: " + "; ".join(
            f"{name.get(l['size'], input_name(l['size']))} {when[l['section']]}: {l['load']}"
            for l in e2e_loads) + ". The machine has " + meta.get("cores", "?") + " cores; where the load "
                 "is above that, the wall times carry waiting, and the CPU times are the steadier figures.")
        L.append("")

    # 7. where the time goes
    steps = [("step_translate", "translation"), ("step_syntax", "gcc -fsyntax-only"),
             ("step_asm", "gcc -S"), ("step_obj", "gcc -c"), ("step_full", "gcc (compile and link)"),
             ("step_gen", "generator")]
    st_sizes = [n for n in e2e if all(get(t, n) for t, _ in steps)]
    if st_sizes:
        L.append("## 7. Where the time of `--compact` goes")
        L.append("")
        L.append("Its code file, compiled step by step with the host gcc (no optimisation, as vorn runs it): "
                 "the translation alone (`vorn --compact` with a compiler.cfg that names /bin/true), gcc "
                 "stopping after the front end (`-fsyntax-only`), after code generation (`-S`), after the "
                 "assembler (`-c`), and whole (compile and link); then the generator program alone "
                 "and the whole run `vorn --compact`, all measured in the same rounds so that the parts "
                 "and the whole share the load. Wall time:")
        L.append("")
        rows = []
        for n in st_sizes:
            w = get("step_whole", n)
            rows.append([name[n]] + [fmt_s(get(t, n).wall) for t, _ in steps] + [cell(w) if w else "n/a"])
        L += table(["input"] + [h for _, h in steps] + ["vorn --compact whole"], rows)
        L.append("")
        L.append("The same in CPU time (user + system, with the children), as parts: front end = "
                 "`-fsyntax-only`; code generation = `-S` − `-fsyntax-only`; assembler = `-c` − `-S`; "
                 "link = whole gcc − `-c`. Their sum should come near the whole run's CPU time.")
        L.append("")
        rows = []
        for n in st_sizes:
            parts = cpu_parts(st, n)
            total = sum(parts)
            w = get("step_whole", n)
            rows.append([name[n]] + [f"{fmt_s(x)} ({x / total * 100:.0f} %)" for x in parts] + [fmt_s(total)]
                        + [fmt_s(w.cpu) if w and not w.failure() else "n/a"])
        L += table(["input", "translation", "front end", "code generation", "assembler", "link", "generator",
                    "sum", "whole run"], rows)
        L.append("")
        L.append("Peak memory of each step:")
        L.append("")
        rows = [[name[n]] + [fmt_mb(get(t, n).rss) for t, _ in steps]
                + [fmt_mb(get("step_whole", n).rss) if get("step_whole", n) else "n/a"] for n in st_sizes]
        L += table(["input"] + [h for _, h in steps] + ["vorn --compact whole"], rows)
        L.append("")
        tr = other.get("time_report", {})
        rows = []
        for n in st_sizes:
            if n in tr:
                phases, top = parse_time_report(tr[n]["lines"])
                if phases or top:
                    rows.append([name[n], ", ".join(f"{k} {fmt(w)} s" for k, w in phases),
                                 ", ".join(f"{k} {fmt(w)} s" for k, w in top)])
        if rows:
            L.append("gcc's own account (`gcc -S -ftime-report`, one run, CPU seconds (user + system) in "
                     "steps of 10 ms): its phases, and the passes that took longest:")
            L.append("")
            L += table(["input", "phases", "longest passes"], rows)
            L.append("")
        sf = other.get("step_files", {})
        if sf:
            L.append("Sizes: " + "; ".join(
                f"{name[n]}: code file {files.get(n, {}).get('code_compact') or 0:,} bytes, assembly "
                f"{sf[n]['asm']:,} bytes, object {sf[n]['obj']:,} bytes" for n in st_sizes if n in sf) + ".")
            L.append("")

    # the targets of --compact
    L.append("## Targets of `--compact` and measured values")
    L.append("")
    L.append("Figures of section 6, as wall time and, steadier on a loaded machine, as CPU time; nothing "
             "judges them, the last column only compares. Where a target is missed, it says by how much "
             "and where section 7 sees the time.")
    L.append("")
    rows = []
    smalls = [n for n in e2e if lines_of(n) == 10000]
    bigs = [n for n in e2e if (get("e2e_compact", n) or get("e2e_default", n)).label == "big"]
    if not smalls and not bigs:
        L.append("The targets of speed and memory are set at 10k lines and at about 10 MB, which this run "
                 "does not measure; only the generator programs and the final sources are compared.")
        L.append("")
    plain_k = next((n for n in smalls if is_plain(n)), None)
    if smalls:
        L.append("The 10k targets were set on a template of 10,000 lines of ordinary C with no macro "
                 "construct (376 KB). They are judged here on both 10k inputs, one row each: \"10k lines, no "
                 "macro construct\" is that kind of template; \"10k lines\" is gen.py's usual mixture, dense "
                 "with macro code, whose generator program holds that macro code (the `##` loops and "
                 "conditions, every `##expr##` and `##.code##`, the functions of the `##MSTART` blocks) for "
                 "gcc to compile in either form: `--compact` changes only how the text is printed.")
        L.append("")
    speed_rows, mem_rows = [], []
    for small in smalls:
        d, c = get("e2e_default", small), get("e2e_compact", small)
        if not (d and c and not c.failure()):
            continue
        what = name[small] + (" (the kind of template the targets were set on)" if is_plain(small) else
                              " (gen.py's usual mixture, dense with macro code)")
        against = "" if is_plain(small) or plain_k is None else macro_code_text(st, files, small, plain_k)
        dfail = d.failure() is not None
        rw = d.spent() / c.wall
        rc = None if dfail else d.cpu / c.cpu
        ge = "≥ " if dfail else ""
        why = against + breakdown_text(st, small)
        if rw >= 20 and (rc is None or rc >= 20):
            verdict = "yes"
        elif rc is not None and rc >= 20:
            # Met on CPU time, missed on the wall clock: the load of the machine shows.
            verdict = (f"on CPU time yes; on wall time no: short of 20× by a factor {fmt(20 / rw)}, "
                       f"the compact run's wall time being {fmt(c.wall / c.cpu)}× its CPU time under the load "
                       "noted in section 6" + why)
        elif rc is not None and rw >= 20:
            verdict = (f"on wall time yes; on CPU time no: short of 20× by a factor {fmt(20 / rc)}" + why)
        else:
            verdict = met(False, f"short of 20× by a factor {fmt(20 / rw)} (wall)"
                          + (f", {fmt(20 / rc)} (CPU)" if rc else "") + why)
        speed_rows.append([f"{what} end to end: at least 20× faster than the default form",
                           f"default {cell(d)}{'' if dfail else f' (CPU {fmt_s(d.cpu)})'}, "
                           f"compact {cell(c)} (CPU {fmt_s(c.cpu)})",
                           f"{ge}{fmt(rw)}× wall" + (f", {fmt(rc)}× CPU" if rc else ""), verdict])
        if d.rss and c.rss and not any(t for _, _, t, _ in d.runs):
            r = d.rss / c.rss
            against = "" if is_plain(small) or plain_k is None else macro_code_peak_text(st, small, plain_k)
            mem_rows.append([f"{what}: peak memory at least 10× lower",
                             f"default {fmt_mb(d.rss)}, compact {fmt_mb(c.rss)}", ge + fmt(r) + "×",
                             met(r >= 10, f"short of 10× by a factor {fmt(10 / r)}" + against
                                 + peak_text(st, small))])
    rows += speed_rows + mem_rows
    for n in bigs:
        c, m = get("e2e_compact", n), get("e2e_m4", n)
        if c and m and not c.failure():
            rw, rc = c.wall / m.wall, c.cpu / m.cpu
            worst = max(rw, rc)
            if worst <= 2:
                verdict = "yes, the stretch (2×) as well"
            elif worst <= 3:
                verdict = "yes; not the stretch (2×)"
            else:
                verdict = met(False, f"over 3× by a factor {fmt(rw / 3)} (wall), {fmt(rc / 3)} (CPU)"
                              + breakdown_text(st, n))
            rows.append([f"{name[n]} end to end: at most 3× the time of m4 -P (2× stretch)",
                         f"compact {cell(c)} (CPU {fmt_s(c.cpu)}), m4 -P {cell(m)} (CPU {fmt_s(m.cpu)})",
                         f"{fmt(rw)}× wall, {fmt(rc)}× CPU", verdict])
            rows.append([f"{name[n]}: peak memory under 100 MB", f"compact {fmt_mb(c.rss)}",
                         fmt(mb(c.rss)) + " MB" if c.rss else "n/a",
                         met(c.rss is not None and mb(c.rss) < 100,
                             f"over by {fmt(mb(c.rss) - 100)} MB" + peak_text(st, n) if c.rss else "n/a")])
        elif c:
            rows.append([f"{name[n]} end to end", f"compact {cell(c)}", "n/a", "no"])
    for n in e2e:
        gd, gc = get("gen_default", n), get("gen_compact", n)
        what = f"{name[n]}: the compact form's generator program no slower than the default form's"
        if gd and gc:
            rw, rc = gc.wall / gd.wall, gc.cpu / gd.cpu
            if rw <= 1 and rc <= 1:
                verdict = "yes"
            elif rc <= 1:
                verdict = f"on CPU time yes; on wall time no ({(rw - 1) * 100:.0f} % above)"
            else:
                verdict = met(False, f"{(rc - 1) * 100:.0f} % slower on CPU time, {(rw - 1) * 100:.0f} % on wall")
            rows.append([what, f"default {fmt_s(gd.wall)} (CPU {fmt_s(gd.cpu)}), "
                               f"compact {fmt_s(gc.wall)} (CPU {fmt_s(gc.cpu)})",
                         f"{fmt(rw)}× wall, {fmt(rc)}× CPU", verdict])
        elif gc:
            rows.append([what, f"compact {fmt_s(gc.wall)}; the default form's was not built", "n/a", "n/a"])
    for n in e2e:
        f = files.get(n, {})
        if f.get("same") is not None:
            rows.append([f"{name[n]}: the two forms' final sources byte for byte the same",
                         f"{f.get('final_default') or 0:,} / {f.get('final_compact') or 0:,} bytes", "—",
                         "yes" if f["same"] else "**no**"])
    L += table(["target", "measured", "ratio", "met"], rows)
    L.append("")
    return L


def cpu_parts(st, n):
    """CPU time of translation, front end, code generation, assembler, link, generator at size n."""
    tr, sy, as_, ob, fu, g = (st[(k, n)].cpu for k in (
        "step_translate", "step_syntax", "step_asm", "step_obj", "step_full", "step_gen"))
    return [tr, sy, as_ - sy, ob - as_, fu - ob, g]


def parse_time_report(lines, top=6):
    """gcc's -ftime-report: the "phase" lines and the longest other passes, by CPU time."""
    phases, passes = [], []
    for line in lines:
        if ":" not in line or line.lstrip().startswith(("|", "TOTAL", "Time variable")):
            continue
        label, _, figures = line.partition(":")
        nums = [t for t in figures.replace("(", " ").replace(")", " ").split()
                if t.replace(".", "", 1).isdigit()]
        if len(nums) < 3:
            continue
        wall = float(nums[0]) + float(nums[1])  # usr + sys (then wall; the percentages end in %)
        label = label.strip()
        if label.startswith("phase "):
            if wall > 0:
                phases.append((label[len("phase "):], wall))
        elif wall > 0:
            passes.append((label, wall))
    passes.sort(key=lambda p: -p[1])
    return phases, passes[:top]


def met(ok, why):
    return "yes" if ok else f"**no**: {why}"


def breakdown_text(st, n):
    """Where the compact form's CPU time goes at size n, from section 7, for a missed target."""
    keys = ("step_translate", "step_syntax", "step_asm", "step_obj", "step_full", "step_gen")
    if not all((k, n) in st for k in keys):
        return ""
    parts = cpu_parts(st, n)
    total = sum(parts)
    names = ("translation", "gcc front end", "code generation", "assembler", "link", "generator")
    return ("; where the CPU time goes (section 7): " +
            ", ".join(f"{k} {fmt_s(x)} ({x / total * 100:.0f} %)" for k, x in zip(names, parts)))


def macro_code_text(st, files, dense, plain):
    """Why the dense 10k input falls short where the one without construct
    does not: the two code files of --compact are of about the same size, so
    what gcc spends on the dense one beyond the other goes to its macro code."""
    c, p = st.get(("e2e_compact", dense)), st.get(("e2e_compact", plain))
    if not (c and p) or p.failure():
        return ""
    cd, cp = (files.get(k, {}).get("code_compact") for k in (dense, plain))
    text = ("; gcc's time goes to compiling this template's own macro code: the 10k input with no macro "
            f"construct, whose compact code file is about as large ({cp or 0:,} against {cd or 0:,} bytes), "
            f"takes {fmt_s(p.wall)} (CPU {fmt_s(p.cpu)}) end to end under `--compact` against "
            f"{fmt_s(c.wall)} (CPU {fmt_s(c.cpu)}) here")
    sa, pa = st.get(("step_asm", dense)), st.get(("step_asm", plain))
    if sa and pa:
        text += (f", and gcc's front end and code generation (`gcc -S`, section 7) {fmt_s(pa.cpu)} of CPU "
                 f"against {fmt_s(sa.cpu)}")
    return text


def macro_code_peak_text(st, dense, plain):
    c, p = st.get(("e2e_compact", dense)), st.get(("e2e_compact", plain))
    if not (c and p and c.rss and p.rss):
        return ""
    return (f"; the 10k input with no macro construct, whose compact code file is about as large, peaks at "
            f"{fmt_mb(p.rss)} under `--compact` against {fmt_mb(c.rss)} here: the difference is gcc's memory "
            "for this template's macro code")


def peak_text(st, n):
    keys = (("step_translate", "translation"), ("step_syntax", "gcc -fsyntax-only"), ("step_asm", "gcc -S"),
            ("step_obj", "gcc -c"), ("step_full", "gcc whole"), ("step_gen", "generator"))
    parts = [f"{label} {fmt_mb(st[(k, n)].rss)}" for k, label in keys if (k, n) in st and st[(k, n)].rss]
    return "; peaks: " + ", ".join(parts) if parts else ""



def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--results", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--meta", action="append", default=[])
    a = ap.parse_args()
    meta = dict(m.split("=", 1) for m in a.meta)
    timed, other, peaks, loads = load(a.results)
    st = {key: Stat(recs) for key, recs in timed.items()}
    for key, s_ in st.items():
        s_.rss = peaks.get(key)
    sizes = sorted({s for (t, s) in st if t == "vorn"})
    whole_sizes = sorted({s for (t, s) in st if t == "whole"})
    L = []
    L.append("# Vorn benchmark results")
    L.append("")
    if meta.get("compact_known") == "no":
        L.append("**This vorn binary does not know `--compact`: in sections 6 and 7 and in the targets "
                 "of --compact the default form stands in for it, so the \"--compact\" figures there are "
                 "those of the default form.**")
        L.append("")
    L.append(f"Generated by `bench/run.sh{' --quick' if meta.get('mode') == 'quick' else ''}` "
             f"on {meta.get('date', '?')} ({meta.get('mode', '?')} run, {meta.get('duration_s', '?')} s). "
             "Every figure is the median of the timed repetitions (wall clock, commands interleaved "
             "round by round after an untimed warm-up round); MB = 10^6 bytes of template input.")
    L.append("")
    L.append(f"- machine: {meta.get('cpu', '?')}, {meta.get('cores', '?')} cores; "
             f"load average {meta.get('load_start', '?')} at the start, {meta.get('load_end', '?')} at the end")
    L.append(f"- vorn: {meta.get('vorn', '?')}, {meta.get('binary', '?')}, at commit {meta.get('commit', '?')}")
    floor = [st[("true", n)].wall for n in sorted({s for (t, s) in st if t == "true"})]
    if floor:
        L.append(f"- starting a process: /bin/true takes {fmt(statistics.median(floor) * 1000)} ms "
                 "here (median over all sizes); every wall time includes this")
    if ("vorn_empty", 0) in st:
        L.append(f"- Vorn's fixed cost: vorn on an empty template with the no-op compiler.cfg takes "
                 f"{fmt(st[('vorn_empty', 0)].wall * 1000)} ms (start-up, configuration, the two "
                 "build steps it starts); it weighs on the small sizes")
    L.append(f"- peers: {meta.get('cpp', '?')}; {meta.get('m4', '?')}; {meta.get('cat', '?')}")
    L.append(f"- host compiler: {meta.get('gcc', '?')}; {meta.get('ccache', '?')}")
    L.append(f"- inputs: bench/gen.py, seed {meta.get('seed', '?')}; realistic C text with Vorn's macro "
             "constructs (## lines, ##MSTART/##MEND blocks, ##expr##, ##.code##, $1/$2 words, "
             "##include of small parts); end to end also the same kind of C with no construct at all")
    L.append("")
    inputs = other.get("input", {})
    if inputs:
        L.append("The inputs:")
        L.append("")
        rows = []
        for n in sorted(inputs, key=order):
            i = inputs[n]
            rows.append([input_name(n), f"{i['bytes']:,}", f"{i['lines_starting_with_hashes']:,}",
                         f"{i['macro_blocks']:,}", f"{i['expressions']:,}", f"{i['code_inserts']:,}",
                         f"{i['words']:,}", f"{i['includes']:,}", f"{i['literals']:,}",
                         f"{i['comments']:,}", f"{i['tab_lines']:,}"])
        L += table(["input (lines)", "bytes", "## lines", "##MSTART blocks", "##expr##", "##.code##",
                    "$n", "##include", "literals", "comments", "tab-indented lines"], rows)
        L.append("")

    # 1. translation throughput
    L.append("## 1. Translation throughput against the peers")
    L.append("")
    L.append("Vorn runs whole, with a compiler.cfg that names /bin/true as the compiler, so that only "
             "the translation (scanner and generator up to the closed code and macro files) does work; "
             "it then exits 1 because no generator program was built. `cpp -E -P`, `m4 -P` and `cat` "
             "read the same file and write their output to a file. Ratios above 1 mean Vorn is faster.")
    L.append("")
    rows = []
    for n in sizes:
        v = st[("vorn", n)]
        mb = v.bytes / 1e6
        rate = {t: mb / st[(t, n)].wall for t in ("vorn",) + PEERS if (t, n) in st}
        faster = max(rate.get("cpp", 0), rate.get("m4", 0))
        rows.append([size_name(n), fmt(mb), fmt(v.wall * 1000) + " ms",
                     fmt(rate["vorn"]), fmt(rate.get("cpp")), fmt(rate.get("m4")), fmt(rate.get("cat")),
                     fmt(rate["vorn"] / rate["cpp"]), fmt(rate["vorn"] / rate["m4"]),
                     fmt(rate["vorn"] / faster), fmt(rate["cat"] / rate["vorn"])])
    L += table(["lines", "input MB", "vorn time", "vorn MB/s", "cpp MB/s", "m4 MB/s", "cat MB/s",
                "vorn ÷ cpp", "vorn ÷ m4", "vorn ÷ faster peer", "cat ÷ vorn"], rows)
    L.append("")
    L.append("The same on CPU time (user + system of the process and its children), which a busy "
             "machine disturbs less than the wall clock:")
    L.append("")
    rows = []
    for n in sizes:
        mb = st[("vorn", n)].bytes / 1e6
        rate = {t: mb / max(st[(t, n)].cpu, 1e-6) for t in ("vorn",) + PEERS if (t, n) in st}
        faster = max(rate["cpp"], rate["m4"])
        rows.append([size_name(n), fmt(rate["vorn"]), fmt(rate["cpp"]), fmt(rate["m4"]),
                     fmt(rate["cat"]), fmt(rate["vorn"] / faster), fmt(rate["cat"] / rate["vorn"])])
    L += table(["lines", "vorn MB/s", "cpp MB/s", "m4 MB/s", "cat MB/s", "vorn ÷ faster peer",
                "cat ÷ vorn"], rows)
    L.append("")
    ob = other.get("outbytes", {})
    if ob:
        L.append("Bytes written per byte of input (Vorn writes the generator program and its macro file):")
        L.append("")
        rows = []
        for n in sizes:
            if n in ob:
                b = st[("vorn", n)].bytes
                rows.append([size_name(n)] + [fmt(ob[n][t] / b) for t in ("vorn",) + PEERS])
        L += table(["lines", "vorn", "cpp", "m4", "cat"], rows)
        L.append("")

    # 2. memory
    L.append("## 2. Peak memory (KiB)")
    L.append("")
    L.append("Peak resident set size of each process (GNU time's %M, one run per command and size).")
    L.append("")
    rows = [[size_name(n)] + [kib(st[(t, n)].rss) for t in ("vorn",) + PEERS] for n in sizes]
    L += table(["lines", "vorn", "cpp", "m4", "cat"], rows)
    L.append("")
    if len(sizes) > 1:
        lo, hi = st[("vorn", sizes[0])].rss, st[("vorn", sizes[-1])].rss
        if lo is not None and hi is not None:
            L.append(f"Vorn from {size_name(sizes[0])} to {size_name(sizes[-1])} lines: {lo:,} → {hi:,} KiB "
                     f"({hi - lo:+,} KiB for {sizes[-1] // sizes[0]}× the input).")
            L.append("")

    # 3. linearity
    L.append("## 3. Linearity: time per line")
    L.append("")
    L.append("Per line over the whole process, and between one size and the next (which leaves out "
             "the fixed cost of starting the process). Linear time shows as a flat last column.")
    L.append("")
    rows = []
    prev = None
    for n in sizes:
        v = st[("vorn", n)]
        inc = ""
        if prev is not None:
            pv = st[("vorn", prev)]
            inc = fmt((v.wall - pv.wall) / (n - prev) * 1e6) + f" ({size_name(prev)}→{size_name(n)})"
        cinc = "—"
        if prev is not None:
            cinc = fmt((v.cpu - st[("vorn", prev)].cpu) / (n - prev) * 1e6)
        rows.append([size_name(n), fmt(v.wall / n * 1e6), inc or "—", cinc,
                     fmt(v.wall / v.bytes * 1e9), fmt(st[("cpp", n)].wall / n * 1e6),
                     fmt(st[("m4", n)].wall / n * 1e6)])
        prev = n
    L += table(["lines", "vorn µs/line", "vorn µs/line, increment", "vorn CPU µs/line, increment",
                "vorn ns/byte", "cpp µs/line", "m4 µs/line"], rows)
    L.append("")

    # 4. whole run
    if whole_sizes:
        L.append("## 4. The whole run against gcc alone")
        L.append("")
        L.append("`vorn -cbenchN -M vb VB` with the host gcc (translate, compile the generator program, "
                 "run it), against gcc alone on the generated code file (the same command Vorn runs) "
                 "and the generator program alone. Vorn's share is the translation time of section 1 "
                 "over the whole run; the remainder is whatever of the whole run is neither gcc nor "
                 "the generator program.")
        L.append("")
        rows = []
        for n in whole_sizes:
            w, g, p = st[("whole", n)], st[("gcc_alone", n)], st[("generator_alone", n)]
            t = st[("vorn", n)] if ("vorn", n) in st else None
            rest = w.wall - g.wall - p.wall
            rows.append([size_name(n), fmt(w.wall) + " s", fmt(g.wall) + " s", fmt(p.wall * 1000) + " ms",
                         fmt(t.wall * 1000) + " ms" if t else "n/a",
                         f"{t.wall / w.wall * 100:.2f} %" if t else "n/a",
                         f"{rest / w.wall * 100:+.2f} %", ",".join(map(str, w.exits))])
        L += table(["lines", "whole run", "gcc alone", "generator alone", "translation",
                    "Vorn's share", "remainder", "vorn exit"], rows)
        L.append("")
        fb = other.get("finalbytes", {})
        if fb:
            L.append("Sizes: " + "; ".join(
                f"{size_name(n)}: code file {fb[n]['code']:,} bytes, final source {fb[n]['final']:,} bytes"
                for n in whole_sizes if n in fb) + ".")
            L.append("")

    # 5. ccache
    cc_sizes = sorted({s for (t, s) in st if t == "ccache_cold"})
    if cc_sizes:
        L.append("## 5. Rebuilds through ccache (bench/ccache-compiler.cfg)")
        L.append("")
        L.append("A repeated `vorn` run of an unchanged template with the recipe as compiler.cfg: "
                 "compile the code file to an object through ccache, link it with gcc. Cold: the "
                 "cache directory is removed before each run. Warm: the warm-up run filled it.")
        L.append("")
        rows = []
        stats = other.get("ccache_stats", {})
        same = other.get("ccache_same_output", {})
        for n in cc_sizes:
            c, h = st[("ccache_cold", n)], st[("ccache_warm", n)]
            plain = st[("whole", n)].wall if ("whole", n) in st else None
            s = stats.get(n, {})
            rows.append([size_name(n), fmt(plain) + " s" if plain else "n/a", fmt(c.wall) + " s",
                         fmt(h.wall * 1000) + " ms",
                         fmt(h.wall / plain) if plain else "n/a", fmt(c.wall / plain) if plain else "n/a",
                         f"{s.get('direct', '?')} / {s.get('preprocessed', '?')} / {s.get('miss', '?')}",
                         "yes" if same.get(n, {}).get("same") else "no",
                         ",".join(map(str, sorted(set(c.exits) | set(h.exits))))])
        L += table(["lines", "plain gcc run", "ccache cold", "ccache warm", "warm ÷ plain",
                    "cold ÷ plain", "warm cache: direct / preprocessed hits / misses",
                    "final source as plain run", "vorn exit"], rows)
        L.append("")

    L += compact_sections(st, other, loads, meta)

    # targets
    L.append("## Targets and measured values")
    L.append("")
    rows = []
    big = sizes[-1]
    v = st[("vorn", big)]
    mb = v.bytes / 1e6
    rv, rc, rm, rcat = (mb / st[(t, big)].wall for t in ("vorn", "cpp", "m4", "cat"))
    rows.append([f"translation throughput ≥ the faster of cpp -E -P and m4 -P ({size_name(big)} lines)",
                 f"vorn {fmt(rv)} MB/s, cpp {fmt(rc)}, m4 {fmt(rm)}: {fmt(rv / max(rc, rm))}× the faster"])
    rows.append([f"as close to cat as the work allows ({size_name(big)} lines)",
                 f"cat is {fmt(rcat / rv)}× faster than vorn"])
    if len(sizes) > 1:
        rows.append(["peak memory flat in the input size",
                     f"{kib(st[('vorn', sizes[0])].rss)} KiB at {size_name(sizes[0])} lines, "
                     f"{kib(st[('vorn', sizes[-1])].rss)} KiB at {size_name(sizes[-1])}"])
        incs = []
        for a_, b_ in zip(sizes, sizes[1:]):
            incs.append(f"{fmt((st[('vorn', b_)].wall - st[('vorn', a_)].wall) / (b_ - a_) * 1e6)} "
                        f"({size_name(a_)}→{size_name(b_)})")
        rows.append(["time linear in the input size", "µs per added line: " + ", ".join(incs)])
    share_n = 10000 if ("whole", 10000) in st else (whole_sizes[-1] if whole_sizes else None)
    if share_n and ("vorn", share_n) in st:
        rows.append([f"Vorn's share of the whole run < 2 % ({size_name(share_n)} lines)",
                     f"{st[('vorn', share_n)].wall / st[('whole', share_n)].wall * 100:.2f} %"])
    if cc_sizes:
        n = cc_sizes[-1]
        rows.append([f"unchanged template rebuilt from a warm ccache ({size_name(n)} lines)",
                     f"{fmt(st[('ccache_warm', n)].wall * 1000)} ms warm, "
                     f"{fmt(st[('ccache_cold', n)].wall)} s cold, "
                     f"{fmt(st[('whole', n)].wall)} s plain"])
    L += table(["target", "measured"], rows)
    L.append("")

    # raw
    L.append("## Raw wall times (s) of the timed repetitions")
    L.append("")
    rows = []
    for (t, n) in sorted(st, key=lambda k: (order(k[1]), k[0])):
        s = st[(t, n)]
        rows.append([t, input_name(n), " ".join(f"{w:.4f}" for w in s.walls),
                     " ".join(map(str, s.exits))])
    L += table(["command", "input (lines)", "wall times", "exit statuses"], rows)
    L.append("")
    text = "\n".join(L)
    with open(a.out, "w") as f:
        f.write(text)
    print(text)


if __name__ == "__main__":
    main()
