#!/usr/bin/env bash
# Builds Vorn and runs it on the bundled example examples/squares.C in a
# scratch folder, then shows the files the run wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
out=$(mktemp -d)
cp examples/squares.C "$out"
(cd "$out" && "$OLDPWD/build/vorn" squares.C)
echo
echo "== files written in $out =="
ls -l "$out"
echo
echo "== the final source, squares_new.C =="
cat "$out/squares_new.C"
