#!/usr/bin/env bash
# Configures and builds Vorn into $VORN_BUILD (default build/); extra CMake
# arguments come from $VORN_CMAKE_ARGS, and $VORN_TARGET names one target to
# build instead of all of them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${VORN_BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=${VORN_BUILD_TYPE:-RelWithDebInfo} ${VORN_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)" ${VORN_TARGET:+--target "$VORN_TARGET"}
