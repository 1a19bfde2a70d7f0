#!/usr/bin/env bash
# Builds the vorn program (not the test suite) and runs it on the bundled
# example examples/squares.C in a scratch folder, shows the files the run
# wrote, and removes the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
VORN_TARGET=vorn scripts/build.sh
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cp examples/squares.C "$out"
echo "\$ vorn -q --output=squares.c squares.C"
(cd "$out" && "$OLDPWD/build/vorn" -q --output=squares.c squares.C)
echo
echo "== the scratch folder $out (removed at the end) holds =="
ls -l "$out"
echo
echo "== the final source, squares.c =="
cat "$out/squares.c"
