#!/usr/bin/env bash
# Installs what Vorn needs to build and test, where it is missing (Debian, as root).
set -euo pipefail
missing=()
command -v flex >/dev/null || missing+=(flex)
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v gcc >/dev/null || missing+=(gcc)
command -v make >/dev/null || missing+=(make)
command -v ninja >/dev/null || missing+=(ninja-build)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
command -v groff >/dev/null || missing+=(groff-base)
command -v ccache >/dev/null || missing+=(ccache)
# A second compiler for --compiler (part of this machine image; the test skips without it).
command -v clang++ >/dev/null || missing+=(clang)
# The Meson integration's test; gdb for the --debug test (it skips without gdb).
command -v meson >/dev/null || missing+=(meson)
command -v gdb >/dev/null || missing+=(gdb)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
