#!/usr/bin/env bash
# Vorn's benchmark: `vorn --compact` with an empty cache and with a warm one,
# `m4 -P` and `cpp -E -P`, side by side on the same generated templates.
# hyperfine times them (warm-up runs, mean ± σ, the comparison table); GNU
# time gives the peak memory of one more run of each command.
#
#   bench/run.sh [--quick] [--runs N] [--warmup N] [--out FILE] [--scratch DIR] [--keep]
#                [--vorn PATH] [--big-lines N] [--timeout S] [--mem-cap-gb G]
#
#   --quick        small inputs and 3 runs, for CI, which keeps the benchmark working; the
#                  tables go to standard output (and to FILE with --out), not to results.md
#   --runs N       timed runs of each command (default 10, 3 with --quick)
#   --warmup N     untimed runs of each command before them (default 3, 1 with --quick)
#   --out FILE     where the tables go (default bench/results.md for a full run)
#   --scratch DIR  where the inputs and outputs go (default a new temporary directory)
#   --keep         keep the scratch directory afterwards
#   --vorn PATH    the vorn binary (default build/vorn, built with scripts/build.sh if missing)
#   --big-lines N  lines of the large template (default 320000, about 10 MB)
#   --timeout S    time limit of each hyperfine call and of each single run (default 900)
#   --mem-cap-gb G address-space cap of the default form's run (default 16)
#
# The inputs, from bench/gen.py with a fixed seed: an empty template; 10k lines
# of ordinary C with no macro construct; about 10 MB of that C with 100 macro
# units spread over it; gen.py's template dense with macro code, 10k lines.
# With --quick: empty, 1k lines, 10k lines with 10 units, 1k lines.
# Beside the empty template, a bare `gcc -x c++` of a hello-world with stdio.h.
# Not timed: each command runs once first (its exit status is checked, and the
# warm cache is filled), and the default form (`--no-compact`) runs once on
# each input, under GNU time, to check that its final source is the same byte
# for byte. Nothing judges a timing: the exit status is 0 when every command
# ran and the final sources agree.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
quick=0 runs="" warmup="" out="" scratch="" keep=0 vorn="" big_lines=320000 limit=900 cap_gb=16
seed=20240601
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1 ;;
    --runs) runs=$2; shift ;;
    --warmup) warmup=$2; shift ;;
    --out) out=$2; shift ;;
    --scratch) scratch=$2; shift ;;
    --keep) keep=1 ;;
    --vorn) vorn=$2; shift ;;
    --big-lines) big_lines=$2; shift ;;
    --timeout) limit=$2; shift ;;
    --mem-cap-gb) cap_gb=$2; shift ;;
    -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; exit 0 ;;
    *) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
export LC_ALL=C

# ---- tools: Debian packages, installed when missing -------------------------
need=()
command -v hyperfine >/dev/null || need+=(hyperfine)
[ -x /usr/bin/time ] || need+=(time)
command -v m4 >/dev/null || need+=(m4)
command -v cpp >/dev/null || need+=(cpp)
command -v python3 >/dev/null || need+=(python3)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  if ! { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null; }; then
    echo "run.sh: could not install ${need[*]}" >&2; exit 1
  fi
fi
if [ -z "$vorn" ]; then
  vorn=$root/build/vorn
  [ -x "$vorn" ] || "$root/scripts/build.sh"
fi
[ -x "$vorn" ] || { echo "run.sh: no vorn binary at $vorn" >&2; exit 1; }

if [ -z "$scratch" ]; then
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/vorn-bench.XXXXXX")
else
  mkdir -p "$scratch" && scratch=$(cd "$scratch" && pwd)
fi
case $scratch in *[[:space:]]*) echo "run.sh: the scratch path may not hold spaces" >&2; exit 2 ;; esac
[ "$keep" = 1 ] || trap 'rm -rf "$scratch"' EXIT
if [ "$quick" = 1 ]; then
  runs=${runs:-3} warmup=${warmup:-1} plain_lines=1000 big_lines=10000 big_units=10 dense_lines=1000
else
  runs=${runs:-10} warmup=${warmup:-3} plain_lines=10000 big_units=100 dense_lines=10000
  out=${out:-$here/results.md}
fi
# The binary is copied, so that a rebuild during the run does not change what is measured;
# vorn's private folders and gcc's temporary files go to the scratch directory.
mkdir -p "$scratch/bin" "$scratch/tmp"
cp -p "$vorn" "$scratch/bin/vorn"
# The prebuilt support part goes with it: vorn looks for it in lib/vorn beside itself.
if [ -d "$(dirname "$vorn")/lib/vorn" ]; then
  mkdir -p "$scratch/bin/lib"
  cp -rp "$(dirname "$vorn")/lib/vorn" "$scratch/bin/lib/vorn"
fi
V=$scratch/bin/vorn
export TMPDIR=$scratch/tmp

# Until vorn has --cache=DIR, both cache rows run without it.
cache=no
if "$V" --help 2>/dev/null | grep -q -- '--cache='; then cache=yes; fi
echo "Scratch directory: $scratch; --cache=DIR: $cache"

# ---- inputs ----------------------------------------------------------------
# Each input: a directory, the template, and how vorn names it (gen.py's
# templates with macro units use $1 and $2).
names=(empty plain big dense)
declare -A tmpl targs
gen() {  # name lines [gen.py options]
  mkdir -p "$scratch/$1"
  python3 "$here/gen.py" --lines "$2" --seed "$seed" --out "$scratch/$1" --name "$1" "${@:3}" \
    > "$scratch/$1/gen.json"
}
mkdir -p "$scratch/empty"
: > "$scratch/empty/empty.C"
printf '#include <stdio.h>\nint main(void) { printf("hello, world\\n"); return 0; }\n' \
  > "$scratch/empty/hello.c"
gen plain "$plain_lines" --macro-units 0
gen big "$big_lines" --macro-units "$big_units"
gen dense "$dense_lines"
# Ordinary C is checked rather than trusted: one construct would make it another input.
if grep -qE '##|\$[1-9]' "$scratch/plain/plain.C"; then
  echo "run.sh: plain.C holds a macro construct" >&2; exit 1
fi
for n in "${names[@]}"; do tmpl[$n]=$n.C targs[$n]="$n.C"; done
targs[big]="-cbig -M vb VB" targs[dense]="-cdense -M vb VB"

# ---- timing, memory, checks ------------------------------------------------
failed=0
to=(timeout -k 10 "$limit")  # bounds a whole process group: killed at the limit
bench() {  # name
  local n=$1 d=$scratch/$1 i
  local cmds=(
    "$V -q --compact $([ $cache = yes ] && echo --cache=cache-cold) --output=out-cold.c ${targs[$n]}"
    "$V -q --compact $([ $cache = yes ] && echo --cache=cache-warm) --output=out-warm.c ${targs[$n]}"
    "m4 -P ${tmpl[$n]}"
    "cpp -E -P ${tmpl[$n]} -o out-cpp.c")
  local labels=("vorn --compact, empty cache" "vorn --compact, warm cache" "m4 -P" "cpp -E -P")
  local preps=("sh -c 'rm -rf cache-cold && mkdir cache-cold'" true true true)
  if [ "$n" = empty ]; then
    cmds+=("gcc -x c++ hello.c -o hello.exe") labels+=("gcc -x c++ hello.c") preps+=(true)
  fi
  cd "$d"
  mkdir -p cache-warm
  # Untimed: one run of each, whose exit status is checked (it fills the warm
  # cache), then one more under GNU time for the peak memory.
  for i in "${!cmds[@]}"; do
    sh -c "${preps[$i]}"
    # shellcheck disable=SC2086  # the commands are plain words
    if ! "${to[@]}" ${cmds[$i]} > stdout.txt; then
      echo "run.sh: $n: '${cmds[$i]}' failed" >&2; return 1
    fi
  done
  : > mem.txt
  for i in "${!cmds[@]}"; do
    sh -c "${preps[$i]}"
    # shellcheck disable=SC2086
    if ! /usr/bin/time -f %M -o mem.one "${to[@]}" ${cmds[$i]} > stdout.txt; then
      echo "run.sh: $n: '${cmds[$i]}' failed under GNU time" >&2; return 1
    fi
    tail -1 mem.one >> mem.txt
  done
  local hf=()
  for i in "${!cmds[@]}"; do hf+=(-n "${labels[$i]}" --prepare "${preps[$i]}"); done
  echo "== $n: $(wc -c < "${tmpl[$n]}") bytes, $(wc -l < "${tmpl[$n]}") lines"
  "${to[@]}" hyperfine -N --style basic --runs "$runs" --warmup "$warmup" --output "$d/stdout.txt" \
    --export-json hf.json --export-markdown hf.md "${hf[@]}" "${cmds[@]}" || return 1
  # The default form, once, as vorn has always run (no --output, so that its code file
  # names the final source NAME_new.C and not a temporary file of a random name): its
  # final source against those of --compact.
  local base=${tmpl[$n]%.C}
  rm -f "${base}_C.C" "${base}_new.C"
  # shellcheck disable=SC2086
  if (ulimit -v $((cap_gb * 1024 * 1024)); /usr/bin/time -f '%e %M' -o default.txt \
        "${to[@]}" $V -q --no-compact ${targs[$n]}); then
    if cmp -s "${base}_new.C" out-cold.c && cmp -s "${base}_new.C" out-warm.c; then
      echo "same=yes" >> default.txt
    else
      echo "same=no" >> default.txt; echo "run.sh: $n: the two forms' final sources differ" >&2
    fi
    sha256sum "${tmpl[$n]}" "${base}_new.C" "${base}_C.C" | awk '{ print "sha256", $1 }' >> default.txt
  else
    echo "failed" > default.txt; echo "run.sh: $n: the default form did not finish" >&2
  fi
  rm -rf cache-cold cache-warm "${base}_C.exe"
}
# The translation alone: the compiler named is true(1), so that nothing is
# compiled and no program runs (vorn then reports the missing program, which
# -i lets pass); the empty template's time is what is not translation. It
# runs first, after a sync, so that no writeback of earlier runs slows it.
translation() {
  cd "$scratch/big"
  # shellcheck disable=SC2086
  "${to[@]}" hyperfine -N -i --style basic --runs "$runs" --warmup "$warmup" --output "$scratch/tr.out" \
    --export-json "$scratch/tr.json" -n empty -n big \
    "$V -q --compact --compiler=true --save-temps=$scratch/tr-empty $scratch/empty/empty.C" \
    "$V -q --compact --compiler=true --save-temps=$scratch/tr-big ${targs[big]}" > /dev/null
}
# Vorn's own peak memory, nothing compiled, on the 10k lines and on the 10 MB template.
own_memory() {
  local n
  for n in plain big; do
    cd "$scratch/$n"
    # shellcheck disable=SC2086
    /usr/bin/time -f %M -o own.mem "${to[@]}" $V -q --compact --compiler=true \
      --save-temps="$scratch/own-$n" ${targs[$n]} > /dev/null 2>&1
    tail -1 own.mem > "$scratch/$n/own.txt"
  done
}
# The realistic templates of examples/, each with an empty cache, beside the bare gcc.
examples_cold() {
  local d=$scratch/examples t
  cp -r "$root/examples" "$d"
  cd "$d"
  local prep="sh -c 'rm -rf cache-cold && mkdir cache-cold'" cmds=() hf=()
  for t in squares colors crc32 fields vm; do
    cmds+=("$V -q --compact --cache=cache-cold --output=$t.out $t.C") hf+=(-n "$t.C" --prepare "$prep")
  done
  cmds+=("$V -q --compact --cache=cache-cold --output=unroll.out -cunroll -M 8 dot8")
  hf+=(-n "unroll.C -M 8 dot8" --prepare "$prep")
  cmds+=("gcc -x c++ $scratch/empty/hello.c -o hello.exe") hf+=(-n "gcc -x c++ hello.c" --prepare true)
  # shellcheck disable=SC2086
  for t in "${cmds[@]}"; do "${to[@]}" $t > /dev/null || { echo "run.sh: '$t' failed" >&2; return 1; }; done
  "${to[@]}" hyperfine -N --style basic --runs "$runs" --warmup "$warmup" --output "$d/stdout.txt" \
    --export-json "$scratch/examples.json" --export-markdown "$scratch/examples.md" "${hf[@]}" "${cmds[@]}" > /dev/null
}
sync
( translation ) || { echo "run.sh: the translation's timing failed" >&2; failed=1; }
( own_memory ) || { echo "run.sh: vorn's own memory was not measured" >&2; failed=1; }
t0=$(date +%s)
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
# Each input in a subshell of its own; what it found is in its directory.
for n in "${names[@]}"; do
  if ! (bench "$n"); then echo "failed" > "$scratch/$n/failed"; failed=1; fi
  [ ! -f "$scratch/$n/default.txt" ] || ! grep -q '^same=no\|^failed' "$scratch/$n/default.txt" || failed=1
done
( examples_cold ) || { echo "run.sh: the examples' cold runs failed" >&2; failed=1; }


# ---- the tables ------------------------------------------------------------
{
  echo "mode=$([ "$quick" = 1 ] && echo quick || echo full)"
  echo "date=$(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "duration=$(( $(date +%s) - t0 ))"
  echo "commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)"
  echo "dirty=$(git -C "$root" status --porcelain -- src CMakeLists.txt 2>/dev/null | wc -l)"
  echo "cpu=$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(nproc) cores"
  echo "load=$load_start at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end"
  echo "cache=$cache"
  echo "runs=$runs"
  echo "warmup=$warmup"
  echo "vorn=$("$V" --version | head -1), built $(date -u -r "$V" '+%Y-%m-%d %H:%M UTC')"
  echo "tools=$(gcc --version | head -1); $(m4 --version | head -1); $(hyperfine --version); GNU time $(dpkg-query -W -f '${Version}' time 2>/dev/null || echo '?')"
  echo "big_units=$big_units"
} > "$scratch/meta.txt"
prev=$here/results.md
report=$scratch/results.md
python3 "$here/tables.py" "$scratch" "$prev" "${names[@]}" > "$report"
if [ -n "$out" ]; then cp "$report" "$out"; echo "Written: $out"; fi
[ "$quick" = 1 ] && cat "$report"
exit "$failed"
