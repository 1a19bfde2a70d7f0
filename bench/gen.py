#!/usr/bin/env python3
"""Seeded generator of Vorn templates for the benchmark.

Writes NAME.C, a template of realistic C text (modules with header comments,
includes, defines, structs, enums, functions with loops, switches, string and
character literals, line and block comments, tab- and space-indented code)
with Vorn's macro constructs mixed in at a realistic density:

  ##MSTART/##MEND blocks of functions for the macro file,
  "##" lines of generator code (loops, conditions, declarations),
  ##expr## values, ##.code## insertions, $1/$2 words,
  ##include "vbench_partN.h" of small shared parts.

With --macro-units N the text is the same kind of C with only N macro units,
spread evenly (one construct every few thousand lines in a large template);
with --macro-units 0 it is ordinary C with no construct at all: no `##`, no
`$1`-`$9`.

Beside it go vbench.h (the header the C text includes, so that cpp finds it)
and the part files. The same seed and line count give the same bytes. The
template has exactly the number of lines asked for, and its generator program
compiles with the host compiler (the benchmark runs it whole at 1k and 10k).

Prints one line of JSON with the counts of what was written.
"""

import argparse
import json
import os
import random

WORDS = (
    "buffer count index node list head tail size len key value flags state ctx msg err "
    "result channel packet stream offset limit width height depth level entry table slot "
    "queue stack frame block chunk page cache line word byte field record item token name "
    "path mode type kind rate delay timeout retry owner parent child left right first last "
    "total sum mask shift base scale factor step pos start end mark seen used free"
).split()

VERBS = (
    "init reset update check parse encode decode read write open close push pop find "
    "insert remove scan flush merge split copy move fill clear load store apply walk"
).split()

SENTENCE = (
    "the buffer is owned by the caller and must stay valid until the call returns "
    "this keeps the table sorted by key so that lookups can stop early on a miss "
    "counts wrap around at the limit which the reader checks before it trusts them "
    "the state machine moves forward only on a complete frame never on a partial one "
    "values past the end are zero filled so the checksum stays stable across runs "
    "a negative result means the channel was closed by the other side before we read "
    "keep this in sync with the protocol version that the server announces at start "
    "callers hold the lock while the list is walked and release it on every path out"
).split()

TYPES = ["int", "unsigned", "long", "size_t", "uint32_t", "int16_t", "double", "char"]
CHARS = ["','", "';'", "'\\n'", "'\\t'", "'\\''", "'a'", "'0'", "'\\\\'", "' '", "'\\0'"]
FORMATS = ["%d", "%u", "%s", "%ld", "%zu", "%x", "%08x", "%.3f", "%c", "%%"]


class Gen:
    def __init__(self, seed, target, macro_units=None):
        self.r = random.Random(seed)
        self.target = target
        self.macro_units = macro_units
        self.lines = []
        self.uid = 0
        self.mfuncs = []  # names of the macro-file functions defined so far
        self.gvars = []  # generator variables declared at the top level of main
        self.stats = {k: 0 for k in (
            "macro_blocks", "macro_lines", "expressions", "code_inserts", "words",
            "includes", "functions", "comments", "literals")}

    # -- small pieces -----------------------------------------------------
    def next_id(self):
        self.uid += 1
        return self.uid

    def word(self):
        return self.r.choice(WORDS)

    def ident(self):
        a, b = self.word(), self.word()
        return a if a == b else f"{a}_{b}"

    def words(self, lo, hi):
        n = self.r.randint(lo, hi)
        start = self.r.randrange(len(SENTENCE) - n)
        return " ".join(SENTENCE[start:start + n])

    def string_literal(self):
        self.stats["literals"] += 1
        text = self.words(2, 7)
        fmt = self.r.choice(FORMATS)
        tail = self.r.choice(["\\n", "", "\\t", ": ", "\\\"done\\\"\\n"])
        return f'"{text} {fmt}{tail}"'

    def char_literal(self):
        self.stats["literals"] += 1
        return self.r.choice(CHARS)

    def line_comment(self, ind):
        self.stats["comments"] += 1
        return f"{ind}// {self.words(4, 12)}"

    def block_comment(self, ind, n):
        self.stats["comments"] += 1
        out = [f"{ind}/*"]
        for _ in range(n):
            out.append(f"{ind} * {self.words(5, 13)}")
        out.append(f"{ind} */")
        return out

    def indent(self):
        return "\t" if self.r.random() < 0.25 else "    "

    # -- units ------------------------------------------------------------
    def u_module_header(self):
        k = self.next_id()
        out = ["/*", f" * {self.ident()}.c: {self.words(6, 12)}",
               f" * {self.words(6, 14)}", " */"]
        self.stats["comments"] += 1
        out += ['#include "vbench.h"', "",
                f"#define {self.word().upper()}_MAX_{k} {self.r.randint(8, 4096)}",
                f"#define {self.word().upper()}_NAME_{k} \"{self.ident()}\"",
                f"#ifndef VB_DEBUG_{k}", f"#define VB_DEBUG_{k} 0", "#endif", ""]
        return out

    def statements(self, ind, depth, n):
        out = []
        for _ in range(n):
            c = self.r.random()
            v = self.ident()
            if c < 0.18:
                out.append(f"{ind}{self.r.choice(TYPES)} {v} = {self.r.randint(0, 999)};")
            elif c < 0.30 and depth < 3:
                out.append(f"{ind}if ({v} > {self.r.randint(1, 64)} && {self.ident()} != NULL) {{")
                out += self.statements(ind + self.step, depth + 1, self.r.randint(1, 3))
                if self.r.random() < 0.4:
                    out.append(f"{ind}}} else {{")
                    out += self.statements(ind + self.step, depth + 1, 1)
                out.append(f"{ind}}}")
            elif c < 0.40 and depth < 3:
                out.append(f"{ind}for (size_t i = 0; i < {v}; i++) {{")
                out += self.statements(ind + self.step, depth + 1, self.r.randint(1, 3))
                out.append(f"{ind}}}")
            elif c < 0.55:
                out.append(f"{ind}{self.r.choice(VERBS)}_{self.word()}(ctx, {self.string_literal()}, {v});")
            elif c < 0.63:
                out.append(f"{ind}char sep_{self.word()} = {self.char_literal()};")
            elif c < 0.72:
                out.append(self.line_comment(ind))
            elif c < 0.78 and depth < 3:
                out.append(f"{ind}switch ({v} & 0x{self.r.randint(1, 255):02x}) {{")
                for case in range(self.r.randint(2, 4)):
                    out.append(f"{ind}case {case}:")
                    out += self.statements(ind + self.step, depth + 1, 1)
                    out.append(f"{ind}{self.step}break;")
                out.append(f"{ind}default:")
                out.append(f"{ind}{self.step}return -1;")
                out.append(f"{ind}}}")
            elif c < 0.86:
                out.append(f"{ind}{v} = ({self.ident()} << {self.r.randint(1, 7)}) | "
                           f"({self.ident()} & 0x{self.r.randint(0, 0xffff):x}); /* {self.words(2, 5)} */")
                self.stats["comments"] += 1
            elif c < 0.93:
                out.append(f"{ind}ctx->{self.word()}[{self.word()}] += {self.ident()} * {self.r.randint(2, 17)};")
            else:
                out.append(f"{ind}while (--{v} > 0 && !{self.r.choice(VERBS)}_{self.word()}(&{self.ident()})) {{}}")
        return out

    def u_function(self):
        self.stats["functions"] += 1
        self.step = self.indent()
        name = f"{self.r.choice(VERBS)}_{self.ident()}_{self.next_id()}"
        out = []
        if self.r.random() < 0.6:
            out += self.block_comment("", self.r.randint(1, 3))
        ret = self.r.choice(["static int", "int", "static void", "size_t", "static const char *"])
        out.append(f"{ret} {name}(struct {self.word()}_ctx *ctx, const char *{self.word()}, int {self.word()})")
        out.append("{")
        out += self.statements(self.step, 1, self.r.randint(3, 9))
        out.append(f"{self.step}return 0;")
        out.append("}")
        out.append("")
        return out

    def u_struct(self):
        k = self.next_id()
        ind = self.indent()
        tag = f"{self.word()}_{self.word()}_{k}"
        out = [f"/* {self.words(4, 10)} */", f"struct {tag} {{"]
        self.stats["comments"] += 1
        for _ in range(self.r.randint(3, 8)):
            line = f"{ind}{self.r.choice(TYPES)} {self.ident()};"
            if self.r.random() < 0.4:
                line += f" /* {self.words(2, 6)} */"
                self.stats["comments"] += 1
            out.append(line)
        out += ["};", "", f"enum {tag}_kind {{"]
        for i in range(self.r.randint(2, 6)):
            out.append(f"{ind}{tag.upper()}_{self.word().upper()} = {i},")
        out += ["};", f"#define {tag.upper()}_SIZE (sizeof(struct {tag}))", ""]
        return out

    def u_mblock(self):
        # A block of functions: they go to the macro file and are
        # called from the generator program.
        k = self.next_id()
        name = f"vh_{k}"
        self.mfuncs.append(name)
        self.stats["macro_blocks"] += 1
        mul, add = self.r.randint(2, 9), self.r.randint(0, 99)
        return ["##MSTART",
                f"/* {self.words(3, 8)} */",
                f"static int {name}(int v)",
                "{",
                f"    int r = v * {mul} + {add}; // scaled entry",
                "    if (r > 1000) r %= 1000;",
                "    return r;",
                "}",
                f"static const char *{name}_name = \"{self.ident()}\";",
                "##MEND", ""]

    def u_table(self):
        # A table whose entries the generator program computes.
        k = self.next_id()
        mfunc = self.r.choice(self.mfuncs)
        n = self.r.randint(3, 12)
        ind = self.indent()
        self.stats["macro_lines"] += 2
        self.stats["expressions"] += 2
        return [f"/* {self.words(3, 8)} */",
                f"static const int {self.word()}_table_{k}[] = {{",
                f"##for (int i = 0; i < {n}; i++) {{",
                f"{ind}##{mfunc}(i)##, /* entry ##i## */",
                "##}",
                "};",
                f"static const unsigned {self.word()}_count_{k} = ##{n}##;", ""]

    def u_condition(self):
        k = self.next_id()
        ind = self.indent()
        flag = self.r.randint(0, 3)
        self.stats["macro_lines"] += 4
        self.stats["expressions"] += 1
        return [f"##if ({flag} % 2 == 1) {{",
                f"static int {self.word()}_fast_{k}(int {self.word()})",
                "{",
                f"{ind}return {self.r.randint(1, 99)}; // {self.words(3, 7)}",
                "}",
                "##} else {",
                f"static int {self.word()}_fast_{k}(int v) {{ return v + ##{flag} * 10##; }}",
                "##}", ""]

    def u_code(self):
        k = self.next_id()
        var = f"vg_{k}"
        self.gvars.append(var)
        ind = self.indent()
        self.stats["code_inserts"] += 1
        self.stats["expressions"] += 2
        out = [f"{ind}##.int {var} = {self.r.randint(1, 50)} * {self.r.randint(2, 9)};##",
               f"static const long {self.word()}_limit_{k} = ##{var}##L;"]
        if len(self.gvars) > 1:
            other = self.r.choice(self.gvars[:-1])
            out.append(f"static const double {self.word()}_ratio_{k} = ##{var} / 4.0 + {other}##;")
        else:
            out.append(f"static const double {self.word()}_ratio_{k} = ##{var} / 4.0##;")
        out.append("")
        return out

    def u_words(self):
        k = self.next_id()
        ind = self.indent()
        self.stats["words"] += 3
        return [f"/* built for $1 */",
                f"int $1_{self.word()}_{k}(void)",
                "{",
                f"{ind}return $2_VERSION_{k} + {self.r.randint(1, 9)}; /* $2 */",
                "}", ""]

    def u_include(self):
        self.stats["includes"] += 1
        return [f"##include \"vbench_part{self.r.randint(0, 3)}.h\"", ""]

    def u_strings(self):
        k = self.next_id()
        ind = self.indent()
        out = [f"static const char *const {self.word()}_messages_{k}[] = {{"]
        for _ in range(self.r.randint(3, 8)):
            out.append(f"{ind}{self.string_literal()},")
        out += [f"{ind}NULL", "};", ""]
        return out

    # -- the whole template -----------------------------------------------
    def build(self):
        kinds = [("function", 40), ("struct", 12), ("strings", 8), ("table", 9),
                 ("mblock", 5), ("condition", 6), ("code", 6), ("words", 4),
                 ("include", 2), ("module_header", 3)]
        names = [k for k, _ in kinds]
        weights = [w for _, w in kinds]
        units = {k: getattr(self, "u_" + k) for k in names}
        out = self.u_module_header()
        if self.macro_units != 0:
            # The block that the tables call; a template without macro units
            # has no table, and none of Vorn's constructs at all.
            out += self.u_mblock()
        if self.macro_units is not None:
            # Ordinary C with a given number of macro units spread evenly over
            # it, one kind after the other, instead of the usual mixture.
            plain = [(k, w) for k, w in kinds if k in ("function", "struct", "strings", "module_header")]
            names = [k for k, _ in plain]
            weights = [w for _, w in plain]
            macro_kinds = ["table", "condition", "code", "words", "include", "mblock"]
            placed = 0
        while True:
            kind = self.r.choices(names, weights)[0]
            if kind == "table" and not self.mfuncs:
                kind = "mblock"
            if self.macro_units is not None and placed < self.macro_units \
                    and len(out) >= self.target * (placed + 1) // (self.macro_units + 1):
                kind = macro_kinds[placed % len(macro_kinds)]
                placed += 1
            piece = units[kind]()
            if len(out) + len(piece) > self.target:
                break
            out += piece
        # Pad to the exact line count with short plain lines.
        while len(out) < self.target:
            out.append(f"int vb_pad_{len(out)} = {len(out) % 97};")
        self.lines = out[:self.target]
        return self.lines


PARTS = [
    ["/* shared part 0: limits */", "#define VB_PART0_LIMIT 64", "extern int vb_part0_level;", ""],
    ["// shared part 1: error codes", "enum vb_part1_err { VB_OK = 0, VB_EAGAIN = 11, VB_EIO = 5 };",
     "static const char vb_part1_sep = ':';", ""],
    ["/* shared part 2 */", "static const int vb_part2_count = ##1 + 1##;",
     "##for (int p = 0; p < 2; p++) {", "extern int vb_part2_slot_##p##;", "##}", ""],
    ["/* shared part 3 */", "struct vb_part3 { int a; char b[8]; };",
     "#define VB_PART3_NAME \"part three: \\\"quoted\\\"\"", ""],
]

HEADER = """#ifndef VBENCH_H
#define VBENCH_H
/* Declarations that the generated C text uses. */
typedef unsigned long size_t;
typedef unsigned int uint32_t;
typedef short int16_t;
#define NULL ((void *)0)
#endif
"""


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--lines", type=int, required=True)
    ap.add_argument("--seed", type=int, default=20240601)
    ap.add_argument("--out", default=".")
    ap.add_argument("--name", default=None, help="base name (default bench<lines>)")
    ap.add_argument("--macro-units", type=int, default=None, metavar="N",
                    help="ordinary C with N macro units (tables, conditions, ##.code##, $n words, "
                         "##include, ##MSTART blocks, in turn) spread evenly, besides the one block "
                         "at the top, instead of the usual mixture; 0: ordinary C with no construct")
    a = ap.parse_args()
    name = a.name or f"bench{a.lines}"
    os.makedirs(a.out, exist_ok=True)
    g = Gen(a.seed, a.lines, a.macro_units)
    lines = g.build()
    text = "\n".join(lines) + "\n"
    path = os.path.join(a.out, name + ".C")
    with open(path, "w") as f:
        f.write(text)
    with open(os.path.join(a.out, "vbench.h"), "w") as f:
        f.write(HEADER)
    for i, part in enumerate(PARTS):
        with open(os.path.join(a.out, f"vbench_part{i}.h"), "w") as f:
            f.write("\n".join(part) + "\n")
    macro_line_count = sum(1 for l in lines if l.startswith("##"))
    stats = dict(g.stats, file=path, lines=len(lines), bytes=len(text.encode()), macro_units=a.macro_units,
                 lines_starting_with_hashes=macro_line_count,
                 tab_lines=sum(1 for l in lines if l.startswith("\t")))
    print(json.dumps(stats))


if __name__ == "__main__":
    main()
