#!/usr/bin/env bash
# Vorn's benchmark: one command, side by side on the same generated inputs.
#
#   bench/run.sh [--quick] [--reps N] [--scratch DIR] [--keep] [--out FILE] [--vorn PATH]
#
#   --quick        the smallest size only (1k lines); for CI, which checks that it keeps working
#   --reps N       timed repetitions of each command (default 5)
#   --scratch DIR  where the inputs and outputs go (default: a new temporary directory)
#   --keep         keep the scratch directory afterwards
#   --out FILE     where the table goes (default bench/results.md for a full run, and
#                  bench/results-quick.md, not checked in, for --quick, so that a quick
#                  check never replaces the checked-in table of the last full run)
#   --vorn PATH    the vorn binary (default build/vorn, built with scripts/build.sh if missing)
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
#      plain gcc run; the cache lives in the scratch directory.
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

while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1 ;;
    --reps) reps=$2; shift ;;
    --scratch) scratch=$2; shift ;;
    --keep) keep=1 ;;
    --out) out=$2; shift ;;
    --vorn) vorn=$2; shift ;;
    -h|--help) sed -n '2,29p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
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
else
  sizes=(1000 10000 100000 1000000)
  whole_sizes=(1000 10000)
fi
reps=${reps:-5}

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
declare -A bytes
for n in "${sizes[@]}"; do
  d=$scratch/tr$n
  mkdir -p "$d"
  python3 "$here/gen.py" --lines "$n" --seed "$seed" --out "$d" --name "bench$n" > "$d/gen.json"
  printf '%s\n' "$noop_cfg" > "$d/compiler.cfg"
  : > "$d/empty.C"
  bytes[$n]=$(stat -c %s "$d/bench$n.C")
  sed "s/^{/{\"tag\": \"input\", \"size\": $n, /" "$d/gen.json" >> "$results"
  echo "Generated bench$n.C: $n lines, ${bytes[$n]} bytes"
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

# ---- the table -------------------------------------------------------------
load_end=$(cut -d' ' -f1-3 /proc/loadavg)
t_end=$(date +%s)
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
stale=$(find "$root/src" -type f -newer "$V" 2>/dev/null | wc -l)
[ "$stale" = 0 ] || commit="$commit ($stale source files changed after the binary was built)"
python3 "$here/report.py" --results "$results" --out "$out" \
  --meta "date=$(date -u '+%Y-%m-%d %H:%M UTC')" \
  --meta "mode=$([ "$quick" = 1 ] && echo quick || echo full)" \
  --meta "commit=$commit" \
  --meta "cpu=$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)" \
  --meta "cores=$(nproc)" \
  --meta "load_start=$load_start" --meta "load_end=$load_end" \
  --meta "duration_s=$((t_end - t_start))" \
  --meta "seed=$seed" \
  --meta "vorn=$("$V" --version | head -1)" \
  --meta "binary=${vorn#"$root"/} (built $(date -u -r "$V" '+%Y-%m-%d %H:%M UTC'))" \
  --meta "gcc=$(gcc --version | head -1)" \
  --meta "cpp=$(cpp --version | head -1)" \
  --meta "m4=$(m4 --version | head -1)" \
  --meta "cat=$(cat --version | head -1)" \
  --meta "ccache=$("$ccache_path" --version | head -1)"
echo "Written: $out"
