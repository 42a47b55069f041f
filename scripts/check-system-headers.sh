#!/usr/bin/env bash
# Fails when a C++ file outside frame/platform/ includes an operating
# system's header (unistd.h, fcntl.h, sys/*.h, windows.h): the tools and
# their tests reach the system only through frame/platform/. Left out:
#   fuzz/   the libFuzzer harnesses, built with clang on Linux only, hold
#           their input in a Linux memory file;
#   bench/  the measuring tools, Linux only (Google Benchmark, FFTW), read
#           the processor time and peak memory of the process.
# Usage: scripts/check-system-headers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
# The project's files (a copy without git: every file outside the builds).
files=$(git ls-files -co --exclude-standard -- '*.cpp' '*.h' 2>/dev/null) ||
  files=$(find . \( -name '*.cpp' -o -name '*.h' \) -not -path './build*' | sed 's|^\./||')
found=$(echo "$files" | grep -vE '^(frame/platform|fuzz|bench)/' |
  xargs grep -nHiE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](unistd|fcntl|windows|sys/[^>"]*)\.h[>"]' ||
  true)
if [ -n "$found" ]; then
  echo "operating-system headers outside frame/platform/:"
  echo "$found"
  exit 1
fi
echo "operating-system headers only in frame/platform/"
