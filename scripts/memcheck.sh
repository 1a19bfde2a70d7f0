#!/usr/bin/env bash
# Runs Vorn under valgrind's memcheck: the in-process unit tests, and the
# program itself on every fuzz seed and example template. Fails on any error
# or definite leak.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v valgrind >/dev/null || { apt-get update -qq && apt-get install -y -qq valgrind >/dev/null; }
scripts/build.sh
vg=(valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite)
"${vg[@]}" build/tests/vorn_unit --gtest_brief=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp tests/fuzz/corpus/* "$work"/
cp examples/*.C "$work"/
cd "$work"
for template in *.C; do
  status=0
  "${vg[@]}" "$OLDPWD/build/vorn" -c"$template" -M one two >/dev/null 2>"$template.err" || status=$?
  if [ "$status" = 99 ]; then cat "$template.err"; echo "memcheck: errors in $template"; exit 1; fi
done
echo "memcheck: no errors"
