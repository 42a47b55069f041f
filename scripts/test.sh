#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the test suite with
# its slow tests (label slow: huge files, millions of lines, resource limits),
# the quick suite under AddressSanitizer and UndefinedBehaviorSanitizer, a
# short run of every fuzz harness (FUZZ_SECONDS each, default 30), then the
# Debian package built, unpacked and run (scripts/test-install.sh), and the
# Windows build of the unit tests run under Wine and of the headless programs
# checked against the Linux one (scripts/test-windows.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DTOOLS_SLOW_TESTS=ON -DTOOLS_WERROR=ON
"$root/scripts/sanitize.sh"
"$root/scripts/fuzz.sh"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 600
"$root/scripts/test-install.sh"
"$root/scripts/test-windows.sh"
