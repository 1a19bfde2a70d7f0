#!/usr/bin/env bash
# Profiles Vorn's translation stage and lists its hot spots.
#
#   bench/profile.sh [--lines N] [--scratch DIR] [--keep] [--out FILE] [--vorn PATH] [--no-perf]
#
#   --lines N      size of the generated template (default 1000000)
#   --out FILE     where the hot spots go (default bench/profile.md)
#   --no-perf      callgrind only
#
# The template comes from bench/gen.py with the seed of bench/run.sh; vorn runs
# with a compiler.cfg that names /bin/true as the compiler, so only the
# translation is profiled. Two views:
#   - valgrind --tool=callgrind: exact instruction counts, self and inclusive,
#     per function, per library function with its callers, per source line
#     (about a minute for 1M lines on this machine);
#   - perf record -e cpu-clock (when perf can sample here): sampled time, the
#     kernel's share for the output writes included.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
lines=1000000
scratch=""
keep=0
out=$here/profile.md
vorn=""
use_perf=1
seed=20240601

while [ $# -gt 0 ]; do
  case "$1" in
    --lines) lines=$2; shift ;;
    --scratch) scratch=$2; shift ;;
    --keep) keep=1 ;;
    --out) out=$2; shift ;;
    --vorn) vorn=$2; shift ;;
    --no-perf) use_perf=0 ;;
    -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "profile.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

export LC_ALL=C
command -v valgrind >/dev/null || {
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq valgrind >/dev/null
}
if [ -z "$vorn" ]; then
  vorn=$root/build/vorn
  [ -x "$vorn" ] || "$root/scripts/build.sh"
fi
if [ -z "$scratch" ]; then
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/vorn-profile.XXXXXX")
else
  mkdir -p "$scratch"
  scratch=$(cd "$scratch" && pwd)
fi
if [ "$keep" = 0 ]; then trap 'rm -rf "$scratch"' EXIT; fi

mkdir -p "$scratch/bin"
cp -p "$vorn" "$scratch/bin/vorn"
V=$scratch/bin/vorn
cd "$scratch"
python3 "$here/gen.py" --lines "$lines" --seed "$seed" --out . --name "bench$lines" > gen.json
printf '#GCC SRC=C EXE=exe\nCOMPILER=/bin/true SRC EXE\nLINE=true %%s %%s\n' > compiler.cfg
bytes=$(stat -c %s "bench$lines.C")
echo "Profiling vorn on bench$lines.C ($lines lines, $bytes bytes) in $scratch"

# vorn exits 1 here (no generator program was built): expected.
valgrind --tool=callgrind --callgrind-out-file="$scratch/callgrind.out" \
  "$V" "-cbench$lines" -M vb VB > vorn.log 2> valgrind.log || true

perf_args=()
if [ "$use_perf" = 1 ] && command -v perf >/dev/null &&
   perf record -e cpu-clock -o "$scratch/probe.data" true >/dev/null 2>&1; then
  perf record -e cpu-clock -F 2999 -o "$scratch/perf.data" \
    "$V" "-cbench$lines" -M vb VB > /dev/null 2> perf.log || true
  perf report -i "$scratch/perf.data" --stdio --no-children --sort dso,sym 2>/dev/null > perf.txt
  perf_args=(--perf-report "$scratch/perf.txt")
fi

{
  echo "# Vorn translation profile"
  echo
  echo "Made by \`bench/profile.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'), commit" \
       "$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown), on a template of" \
       "$lines lines ($bytes bytes) from bench/gen.py (seed $seed); vorn built RelWithDebInfo," \
       "translation only (compiler.cfg naming /bin/true)."
  echo
  stale=$(find "$root/src" -type f -newer "$V" | sed "s#^$root/##" | tr '\n' ' ')
  if [ -n "$stale" ]; then
    echo "Note: these source files changed after the profiled binary was built, so the source"
    echo "text shown for their lines may not be what ran: $stale"
    echo
  fi
  python3 "$here/hotspots.py" --callgrind "$scratch/callgrind.out" --binary "$V" --root "$root" \
    "${perf_args[@]}"
} > "$out"
cat "$out"
echo "Written: $out"
