#!/usr/bin/env bash
# Fuzzes Vorn's translation stage with libFuzzer (clang), under
# AddressSanitizer and UndefinedBehaviorSanitizer, for $1 seconds (default 60),
# starting from the checked-in seed corpus. New inputs go to a scratch copy.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
scripts/deps.sh
fuzzer_lib=$(find /usr/lib/llvm-*/lib/clang -name 'libclang_rt.fuzzer-*.a' 2>/dev/null | head -n 1)
if ! command -v clang++ >/dev/null || [ -z "$fuzzer_lib" ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang libclang-rt-dev >/dev/null
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVORN_FUZZ=ON -DVORN_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target vorn_fuzz -j "$(nproc)"
work=$(mktemp -d)
scratch=$(mktemp -d)  # the target's own files
trap 'rm -rf "$work" "$scratch"' EXIT
cp tests/fuzz/corpus/* "$work"/
TMPDIR="$scratch" build-fuzz/vorn_fuzz -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 "$work" </dev/null
