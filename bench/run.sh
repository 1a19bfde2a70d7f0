#!/usr/bin/env bash
# Vorn's benchmark: one command, side by side on the same generated inputs.
#
#   bench/run.sh [--quick] [--reps N] [--scratch DIR] [--keep] [--out FILE] [--vorn PATH]
#                [--mem-cap-gb G] [--timeout S] [--big-lines N]
#
#   --quick        the smallest size only (1k lines); for CI, which checks that it keeps working
#   --reps N       timed repetitions of each command (default 5; the slow ones of 4. below
#                  get fewer, see there)
#   --scratch DIR  where the inputs and outputs go (default: a new temporary directory)
#   --keep         keep the scratch directory afterwards
#   --out FILE     where the table goes (default bench/results.md for a full run, and
#                  bench/results-quick.md, not checked in, for --quick, so that a quick
#                  check never replaces the checked-in table of the last full run)
#   --vorn PATH    the vorn binary (default build/vorn, built with scripts/build.sh if missing)
#   --mem-cap-gb G address-space cap (ulimit -v) of every command of 4. and 5. below, in GiB
#                  (default 16)
#   --timeout S    wall-clock limit of every command of 4. and 5. below (default 600)
#   --big-lines N  lines of the large template of 4. below (default 320000, about 10 MB)
#
# What it measures, each figure the median of the repetitions (wall clock,
# commands interleaved round by round so that a change of machine load falls
# on all of them alike, after one untimed warm-up round):
#   1. translation: vorn on a template of 1k, 10k, 100k and 1M lines with a
#      compiler.cfg that names /bin/true as the compiler, so only the
#      translation runs (vorn then exits 1, as no generator program was made);
#      next to `cpp -E -P`, `m4 -P` and `cat` on the same file; MB/s of input,
#      ratios, peak memory (GNU time's %M, in the warm-up round) and time per line;
#   2. the whole run `vorn foo.C` with the host gcc at 1k and 10k lines against
#      gcc alone on the generated code file and the generator program alone;
#   3. the ccache recipe (bench/ccache-compiler.cfg): a repeated run of an
#      unchanged template with a cold cache and with a warm one, next to the
#      plain gcc run; the cache lives in the scratch directory;
#   4. end to end, side by side: `vorn` (the default form of the generator
#      program), `vorn --compact`, `m4 -P` and `cpp -E -P` at 10k and 100k lines,
#      on 10k lines of the same kind of C with no macro construct at all
#      (gen.py --macro-units 0: no `##`, no $1-$9, which is checked) and on a
#      template of about 10 MB of that C with only 100 macro units spread over
#      it (1k lines, usual and without construct, with --quick), each with its
#      peak memory; then the generator program of each form alone, and whether
#      the two final sources are byte for byte the same. The default form is
#      expensive on large inputs: it runs under the memory cap and the timeout,
#      without a warm-up round, 3 times at 10k lines and once above; a run that
#      does not finish is reported as such, with the limit it hit;
#   5. where the time of `vorn --compact` goes on the same inputs: the
#      translation alone, then gcc on its code file with -fsyntax-only, -S, -c
#      and whole (compile and link, as vorn runs it).
# When the vorn binary does not know --compact yet, the default form stands in
# for it in 4. and 5. (with the limits and repetitions of the default form), so
# that the scripts can be tried; the table then says so at the top.
# Nothing here judges a timing: the exit status says only whether the run worked.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
quick=0
reps=""
scratch=""
keep=0
out=""
vorn=""
seed=20240601
mem_cap_gb=16
timeout_s=600
big_lines=320000
big_units=100  # macro units in the large template: ordinary C with a few constructs

while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1 ;;
    --reps) reps=$2; shift ;;
    --scratch) scratch=$2; shift ;;
    --keep) keep=1 ;;
    --out) out=$2; shift ;;
    --vorn) vorn=$2; shift ;;
    --mem-cap-gb) mem_cap_gb=$2; shift ;;
    --timeout) timeout_s=$2; shift ;;
    --big-lines) big_lines=$2; shift ;;
    -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; exit 0 ;;
    *) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

export LC_ALL=C

# ---- tools -----------------------------------------------------------------
need=()
command -v m4 >/dev/null || need+=(m4)
command -v ccache >/dev/null || need+=(ccache)
command -v cpp >/dev/null || need+=(cpp)
command -v gcc >/dev/null || need+=(gcc)
command -v python3 >/dev/null || need+=(python3)
[ -x /usr/bin/time ] || need+=(time)  # GNU time, for the peak memory
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi

if [ -z "$vorn" ]; then
  vorn=$root/build/vorn
  [ -x "$vorn" ] || "$root/scripts/build.sh"
fi
[ -x "$vorn" ] || { echo "run.sh: no vorn binary at $vorn" >&2; exit 1; }

if [ -z "$scratch" ]; then
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/vorn-bench.XXXXXX")
else
  mkdir -p "$scratch"
  scratch=$(cd "$scratch" && pwd)
fi
if [ "$keep" = 0 ]; then trap 'rm -rf "$scratch"' EXIT; fi
if [ -z "$out" ]; then
  if [ "$quick" = 1 ]; then out=$here/results-quick.md; else out=$here/results.md; fi
fi

# The binary is copied, so that a rebuild during the run does not change what is measured.
mkdir -p "$scratch/bin"
cp -p "$vorn" "$scratch/bin/vorn"
V=$scratch/bin/vorn
gcc_path=$(command -v gcc)
[ -x /usr/bin/gcc ] && gcc_path=/usr/bin/gcc
ccache_path=$(command -v ccache)

if [ "$quick" = 1 ]; then
  sizes=(1000)
  whole_sizes=(1000)
  e2e_keys=(1000 1000-plain)
else
  sizes=(1000 10000 100000 1000000)
  whole_sizes=(1000 10000)
  e2e_keys=(10000 10000-plain 100000 "$big_lines")
fi
reps=${reps:-5}
mem_cap_kb=$((mem_cap_gb * 1024 * 1024))

results=$scratch/results.jsonl
: > "$results"
measure() { python3 "$here/measure.py" --reps 1 --warmup 0 "$@" >> "$results"; }
words=(-M vb VB)  # the words $1 and $2 of the templates

noop_cfg='#GCC SRC=C EXE=exe
COMPILER=/bin/true SRC EXE
LINE=true %s %s'

echo "Scratch directory: $scratch"
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
t_start=$(date +%s)

# ---- inputs ----------------------------------------------------------------
# An input of the end-to-end sections (4. and 5.) by its key: a line count
# names gen.py's usual input of that size (or the large template), "N-plain"
# the N lines of ordinary C with no construct. Sets n (lines), src (where it
# was generated), t (template name), label, what (for the messages) and jkey
# (the key as a JSON value: a number, or a string for "N-plain").
e2e_input() {
  key=$1
  n=${key%-plain}
  if [ "$key" = "$n" ]; then
    src=$scratch/tr$n t=bench$n label=$n what="$n lines" jkey=$n
    if [ "$n" = "$big_lines" ] && [ "$quick" = 0 ]; then label=big; fi
  else
    src=$scratch/plain$n t=plain$n label=plain what="$n lines, no macro construct" jkey="\"$key\""
  fi
}

declare -A bytes
inputs=("${sizes[@]}")
if [ "$quick" = 0 ]; then
  if [[ " ${sizes[*]} " == *" $big_lines "* ]]; then
    echo "run.sh: --big-lines $big_lines is a size of the translation section; choose another" >&2; exit 2
  fi
  inputs+=("$big_lines")
fi
for n in "${inputs[@]}"; do
  d=$scratch/tr$n
  mkdir -p "$d"
  sparse=(); [ "$quick" = 0 ] && [ "$n" = "$big_lines" ] && sparse=(--macro-units "$big_units")
  python3 "$here/gen.py" --lines "$n" --seed "$seed" --out "$d" --name "bench$n" "${sparse[@]}" > "$d/gen.json"
  printf '%s\n' "$noop_cfg" > "$d/compiler.cfg"
  : > "$d/empty.C"
  bytes[$n]=$(stat -c %s "$d/bench$n.C")
  sed "s/^{/{\"tag\": \"input\", \"size\": $n, /" "$d/gen.json" >> "$results"
  echo "Generated bench$n.C: $n lines, ${bytes[$n]} bytes"
done
# Ordinary C with no construct at all, for the end-to-end sections: the kind
# of template the 10k targets were set on. gen.py's usual inputs are dense
# with macro code, whose compile is a cost of its own.
for key in "${e2e_keys[@]}"; do
  [ "$key" = "${key%-plain}" ] && continue
  e2e_input "$key"
  mkdir -p "$src"
  python3 "$here/gen.py" --lines "$n" --seed "$seed" --out "$src" --name "$t" --macro-units 0 > "$src/gen.json"
  # Checked rather than trusted: one construct in it would make it another input.
  hashes=$({ grep -o '##' "$src/$t.C" || true; } | wc -l)
  dollars=$({ grep -oE '\$[1-9]' "$src/$t.C" || true; } | wc -l)
  if [ "$hashes" != 0 ] || [ "$dollars" != 0 ]; then
    echo "run.sh: $t.C holds $hashes '##' and $dollars of \$1-\$9: it is not ordinary C" >&2; exit 1
  fi
  bytes[$key]=$(stat -c %s "$src/$t.C")
  sed "s/^{/{\"tag\": \"input\", \"size\": \"$key\", \"hashes\": $hashes, \"dollar_words\": $dollars, /" \
    "$src/gen.json" >> "$results"
  echo "Generated $t.C: $n lines of ordinary C, no '##', no \$1-\$9, ${bytes[$key]} bytes"
done

# ---- 1. translation against the peers --------------------------------------
for n in "${sizes[@]}"; do
  d=$scratch/tr$n
  r=$reps
  echo "Translation, $n lines: $r repetitions"
  for round in $(seq 0 "$r"); do
    ph=timed; peak=(); [ "$round" = 0 ] && ph=warmup && peak=(--peak)
    common=(--cwd "$d" --set size=$n --set bytes=${bytes[$n]} --set phase=$ph "${peak[@]}")
    measure --tag vorn "${common[@]}" -- "$V" "-cbench$n" "${words[@]}"
    measure --tag cpp "${common[@]}" -- cpp -E -P "bench$n.C" -o cpp.out
    measure --tag m4 "${common[@]}" --stdout "$d/m4.out" -- m4 -P "bench$n.C"
    measure --tag cat "${common[@]}" --stdout "$d/cat.out" -- cat "bench$n.C"
    measure --tag true "${common[@]}" -- /bin/true  # the cost of starting any process
    if [ "$n" = "${sizes[0]}" ]; then  # Vorn's fixed cost: start-up and the two no-op build steps
      measure --tag vorn_empty --cwd "$d" --set size=0 --set bytes=0 --set phase=$ph \
        -- "$V" -cempty "${words[@]}"
    fi
  done
  # What each one wrote, for the record.
  out_vorn=$(( $(stat -c %s "$d/bench${n}_C.C") + $(stat -c %s "$d/bench${n}_M.mac") ))
  printf '{"tag":"outbytes","size":%s,"vorn":%s,"cpp":%s,"m4":%s,"cat":%s}\n' "$n" "$out_vorn" \
    "$(stat -c %s "$d/cpp.out")" "$(stat -c %s "$d/m4.out")" "$(stat -c %s "$d/cat.out")" >> "$results"
  rm -f "$d"/*.out "$d/bench${n}_C.C" "$d/bench${n}_M.mac"
done

# ---- 2. the whole run against gcc alone ------------------------------------
for n in "${whole_sizes[@]}"; do
  d=$scratch/whole$n
  mkdir -p "$d"
  cp "$scratch/tr$n/bench$n.C" "$scratch/tr$n"/vbench*.h "$d/"
  r=$reps
  echo "Whole run, $n lines: $r repetitions"
  for round in $(seq 0 "$r"); do
    ph=timed; [ "$round" = 0 ] && ph=warmup
    common=(--cwd "$d" --set size=$n --set bytes=${bytes[$n]} --set phase=$ph)
    measure --tag whole "${common[@]}" -- "$V" "-cbench$n" "${words[@]}"
    measure --tag gcc_alone "${common[@]}" -- "$gcc_path" "bench${n}_C.C" -o gcc_alone.exe
    measure --tag generator_alone "${common[@]}" -- "./bench${n}_C.exe" "bench${n}_new.C"
  done
  printf '{"tag":"finalbytes","size":%s,"code":%s,"final":%s}\n' "$n" \
    "$(stat -c %s "$d/bench${n}_C.C")" "$(stat -c %s "$d/bench${n}_new.C")" >> "$results"
done

# ---- 3. ccache: cold cache against warm -------------------------------------
for n in "${whole_sizes[@]}"; do
  for kind in cold warm; do
    d=$scratch/ccache-$kind$n
    mkdir -p "$d"
    cp "$scratch/tr$n/bench$n.C" "$scratch/tr$n"/vbench*.h "$d/"
    sed -e "s#^COMPILER=/usr/bin/ccache#COMPILER=$ccache_path#" \
        -e "s#^LINKER=/usr/bin/gcc#LINKER=$gcc_path#" "$here/ccache-compiler.cfg" > "$d/compiler.cfg"
  done
  r=$reps
  echo "ccache, $n lines: $r repetitions"
  for round in $(seq 0 "$r"); do
    ph=timed; [ "$round" = 0 ] && ph=warmup
    # Cold: the cache is removed before each run. Warm: the warm-up round fills it.
    CCACHE_DIR=$scratch/ccache-cold$n/cache measure --tag ccache_cold --cwd "$scratch/ccache-cold$n" \
      --before 'rm -rf cache' --set size=$n --set bytes=${bytes[$n]} --set phase=$ph \
      -- "$V" "-cbench$n" "${words[@]}"
    CCACHE_DIR=$scratch/ccache-warm$n/cache measure --tag ccache_warm --cwd "$scratch/ccache-warm$n" \
      --set size=$n --set bytes=${bytes[$n]} --set phase=$ph \
      -- "$V" "-cbench$n" "${words[@]}"
  done
  # The cache's own account of the warm runs: direct hits, preprocessed hits, misses.
  stats=$(CCACHE_DIR=$scratch/ccache-warm$n/cache "$ccache_path" --print-stats 2>/dev/null || true)
  get() { awk -v k="$1" '$1 == k { print $2 }' <<< "$stats"; }
  printf '{"tag":"ccache_stats","size":%s,"direct":%s,"preprocessed":%s,"miss":%s}\n' "$n" \
    "$(get direct_cache_hit)" "$(get preprocessed_cache_hit)" "$(get cache_miss)" >> "$results"
  cmp -s "$scratch/ccache-warm$n/bench${n}_new.C" "$scratch/whole$n/bench${n}_new.C" \
    && same=true || same=false
  printf '{"tag":"ccache_same_output","size":%s,"same":%s}\n' "$n" "$same" >> "$results"
done

# ---- 4. end to end: the default form, --compact, m4 -P, cpp -E -P -----------
# Does this vorn know --compact? An option it does not know is reported and the
# run goes on, so the message is the test.
compact=(--compact)
compact_known=yes
probe=$(cd "$scratch/tr${sizes[0]}" && "$V" --compact -cempty "${words[@]}" 2>&1 < /dev/null || true)
if [[ "$probe" == *"Unrecognized option --compact"* ]]; then
  compact=()
  compact_known=no
  echo "This vorn does not know --compact: the default form stands in for it end to end."
fi

# A quick run keeps these sections short: 3 repetitions at most.
e2e_reps=$reps
[ "$quick" = 1 ] && e2e_reps=$((reps < 3 ? reps : 3))
# The expensive commands get fewer repetitions and no warm-up round.
slow_reps() {
  if [ "$1" -le 1000 ]; then echo "$e2e_reps"
  elif [ "$1" -le 10000 ]; then echo $((reps < 3 ? reps : 3))
  else echo 1; fi
}
# gcc's temporary files of a killed compile land in the scratch directory, not in /tmp.
mkdir -p "$scratch/tmp"
limits=(--mem-cap-kb "$mem_cap_kb" --timeout "$timeout_s")
# Peak memory: a command that gets a warm-up round has it taken there, under GNU
# time, so that the timed rounds are not slowed by the wrapper (a millisecond
# or two, which the generator programs and m4 at 10k lines would feel); the
# default form, which has no warm-up round, is measured under GNU time in
# every round, where the wrapper is lost in seconds.
peak_at() { if [ "$1" = 0 ]; then echo --peak; elif [ "$2" = 1 ]; then echo --peak-each; fi; }
load_now() { printf '{"tag":"load","size":%s,"section":"%s","load":"%s"}\n' "$1" "$2" \
  "$(cut -d' ' -f1-3 /proc/loadavg)" >> "$results"; }

for key in "${e2e_keys[@]}"; do
  e2e_input "$key"
  base=$scratch/e2e$key
  for form in default compact peers tronly; do
    mkdir -p "$base/$form"
    cp "$src/$t.C" "$src"/vbench*.h "$base/$form/"
  done
  printf '%s\n' "$noop_cfg" > "$base/tronly/compiler.cfg"
  rd=$(slow_reps "$n")   # the default form
  rc=$e2e_reps           # --compact, m4, cpp
  [ "$compact_known" = yes ] || rc=$rd
  warm_slow=0; [ "$n" -le 1000 ] && warm_slow=1
  warm_c=1; [ "$compact_known" = yes ] || warm_c=$warm_slow
  echo "End to end, $what: default form $rd, --compact, m4 -P, cpp -E -P $rc repetitions"
  load_now "$jkey" e2e
  last=$(( rd > rc ? rd : rc ))
  for round in $(seq 0 "$last"); do
    ph=timed; [ "$round" = 0 ] && ph=warmup
    common=(--set size=$key --set bytes=${bytes[$key]} --set label=$label --set phase=$ph "${limits[@]}")
    fresh="rm -f ${t}_C.exe ${t}_new.C"
    run_default() {
      if { [ "$round" -gt 0 ] || [ "$warm_slow" = 1 ]; } && [ "$round" -le "$rd" ]; then
        TMPDIR=$scratch/tmp measure --tag e2e_default --cwd "$base/default" "${common[@]}" \
          $(peak_at "$round" $((1 - warm_slow))) --before "$fresh" --stderr "$base/default/stderr.txt" \
          -- "$V" "-c$t" "${words[@]}"
      fi
    }
    run_compact() {
      if { [ "$round" -gt 0 ] || [ "$warm_c" = 1 ]; } && [ "$round" -le "$rc" ]; then
        TMPDIR=$scratch/tmp measure --tag e2e_compact --cwd "$base/compact" "${common[@]}" \
          $(peak_at "$round" $((1 - warm_c))) --before "$fresh" --stderr "$base/compact/stderr.txt" \
          -- "$V" "${compact[@]}" "-c$t" "${words[@]}"
      fi
    }
    # The two forms take turns at going first, so that neither always follows the other.
    if [ $((round % 2)) = 1 ]; then run_default; run_compact; else run_compact; run_default; fi
    if [ "$round" -le "$e2e_reps" ]; then
      measure --tag e2e_m4 --cwd "$base/peers" "${common[@]}" $(peak_at "$round" 0) \
        --stdout "$base/peers/m4.out" -- m4 -P "$t.C"
      measure --tag e2e_cpp --cwd "$base/peers" "${common[@]}" $(peak_at "$round" 0) \
        -- cpp -E -P "$t.C" -o cpp.out
    fi
  done
  load_now "$jkey" e2e_end
  # The two final sources, byte for byte; and what each form wrote.
  fd=$base/default/${t}_new.C fc=$base/compact/${t}_new.C
  if [ -f "$fd" ] && [ -f "$fc" ]; then
    cmp -s "$fd" "$fc" && same=true || same=false
  else
    same=null
  fi
  sz() { [ -f "$1" ] && stat -c %s "$1" || echo null; }
  printf '{"tag":"e2e_files","size":%s,"same":%s,"final_default":%s,"final_compact":%s,"code_default":%s,"code_compact":%s,"mac_default":%s,"mac_compact":%s}\n' \
    "$jkey" "$same" "$(sz "$fd")" "$(sz "$fc")" "$(sz "$base/default/${t}_C.C")" \
    "$(sz "$base/compact/${t}_C.C")" "$(sz "$base/default/${t}_M.mac")" \
    "$(sz "$base/compact/${t}_M.mac")" >> "$results"

  # The generator program of each form alone, writing the final source.
  echo "Generator programs, $what: $e2e_reps repetitions"
  for round in $(seq 0 "$e2e_reps"); do
    ph=timed; [ "$round" = 0 ] && ph=warmup
    common=(--set size=$key --set bytes=${bytes[$key]} --set label=$label --set phase=$ph "${limits[@]}")
    forms="default compact"; [ $((round % 2)) = 0 ] || forms="compact default"
    for form in $forms; do
      [ -x "$base/$form/${t}_C.exe" ] || continue
      measure --tag "gen_$form" --cwd "$base/$form" "${common[@]}" $(peak_at "$round" 0) \
        -- "./${t}_C.exe"
    done
  done
  if [ -f "$fd" ] && [ -f "$fc" ]; then  # the generators rewrote them
    cmp -s "$fd" "$fc" && same=true || same=false
    printf '{"tag":"gen_same","size":%s,"same":%s}\n' "$jkey" "$same" >> "$results"
  fi
done

# ---- 5. where the time of --compact goes -------------------------------------
for key in "${e2e_keys[@]}"; do
  e2e_input "$key"
  base=$scratch/e2e$key
  d=$base/compact
  [ -f "$d/${t}_C.C" ] || { echo "No --compact code file for $what: its steps are not timed"; continue; }
  if [ "$compact_known" = no ] && [ "$n" -gt 10000 ]; then
    echo "Steps of --compact, $what: skipped (the default form stands in for it)"; continue
  fi
  r=$e2e_reps; [ "$compact_known" = yes ] || r=$(slow_reps "$n")
  echo "Where the time of --compact goes, $what: $r repetitions"
  load_now "$jkey" steps
  for round in $(seq 0 "$r"); do
    ph=timed; [ "$round" = 0 ] && ph=warmup
    common=(--set size=$key --set bytes=${bytes[$key]} --set label=$label --set phase=$ph "${limits[@]}")
    export TMPDIR=$scratch/tmp
    pk=$(peak_at "$round" 0)
    measure --tag step_translate --cwd "$base/tronly" "${common[@]}" $pk \
      -- "$V" "${compact[@]}" "-c$t" "${words[@]}"
    measure --tag step_syntax --cwd "$d" "${common[@]}" $pk -- "$gcc_path" -fsyntax-only "${t}_C.C"
    measure --tag step_asm --cwd "$d" "${common[@]}" $pk -- "$gcc_path" -S "${t}_C.C" -o step.s
    measure --tag step_obj --cwd "$d" "${common[@]}" $pk -- "$gcc_path" -c "${t}_C.C" -o step.o
    measure --tag step_full --cwd "$d" "${common[@]}" $pk -- "$gcc_path" "${t}_C.C" -o step.exe
    # The generator program and the whole run again, in the same rounds, so
    # that the steps add up under the same load.
    measure --tag step_gen --cwd "$d" "${common[@]}" $pk -- "./${t}_C.exe"
    measure --tag step_whole --cwd "$d" "${common[@]}" $pk \
      -- "$V" "${compact[@]}" "-c$t" "${words[@]}"
    unset TMPDIR
  done
  # gcc's own account of where its time goes (one untimed run; its phases are
  # coarse, 10 ms, but tell parsing from code generation at the large sizes).
  (cd "$d" && TMPDIR=$scratch/tmp "$gcc_path" -S -ftime-report "${t}_C.C" -o /dev/null 2>&1 || true) \
    | python3 -c 'import json, sys; print(json.dumps({"tag": "time_report", "size": json.loads(sys.argv[1]),
        "lines": sys.stdin.read().splitlines()}))' "$jkey" >> "$results"
  printf '{"tag":"step_files","size":%s,"asm":%s,"obj":%s}\n' "$jkey" \
    "$(stat -c %s "$d/step.s")" "$(stat -c %s "$d/step.o")" >> "$results"
  rm -f "$d/step.s" "$d/step.o" "$d/step.exe"
done

# ---- the table -------------------------------------------------------------
load_end=$(cut -d' ' -f1-3 /proc/loadavg)
t_end=$(date +%s)
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
stale=$(find "$root/src" -type f -newer "$V" 2>/dev/null | wc -l)
[ "$stale" = 0 ] || commit="$commit ($stale source files changed after the binary was built)"
dirty=$(git -C "$root" status --porcelain -- src CMakeLists.txt 2>/dev/null | wc -l)
[ "$dirty" = 0 ] || commit="$commit, with $dirty uncommitted changes in src/ and CMakeLists.txt"
python3 "$here/report.py" --results "$results" --out "$out" \
  --meta "date=$(date -u '+%Y-%m-%d %H:%M UTC')" \
  --meta "mode=$([ "$quick" = 1 ] && echo quick || echo full)" \
  --meta "commit=$commit" \
  --meta "cpu=$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)" \
  --meta "cores=$(nproc)" \
  --meta "load_start=$load_start" --meta "load_end=$load_end" \
  --meta "duration_s=$((t_end - t_start))" \
  --meta "seed=$seed" \
  --meta "compact_known=$compact_known" \
  --meta "mem_cap_gb=$mem_cap_gb" --meta "timeout_s=$timeout_s" --meta "big_lines=$big_lines" \
  --meta "vorn=$("$V" --version | head -1)" \
  --meta "binary=${vorn#"$root"/} (built $(date -u -r "$V" '+%Y-%m-%d %H:%M UTC'))" \
  --meta "gcc=$(gcc --version | head -1)" \
  --meta "cpp=$(cpp --version | head -1)" \
  --meta "m4=$(m4 --version | head -1)" \
  --meta "cat=$(cat --version | head -1)" \
  --meta "ccache=$("$ccache_path" --version | head -1)"
echo "Written: $out"
