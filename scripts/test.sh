#!/usr/bin/env bash
# Builds Vorn and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
ctest --test-dir "${VORN_BUILD:-build}" --output-on-failure -j "$(nproc)"
