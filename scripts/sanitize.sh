#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $SANITIZE_BUILD_DIR), without the window, and runs the whole
# test suite there. Any sanitizer report fails the run: undefined behaviour
# halts the test that meets it, and leaks are reported at the end of each test
# process (where the environment lets LeakSanitizer work; otherwise leak
# detection is switched off and the script says so).
# Then builds the threaded parts with ThreadSanitizer into build-tsan/ (or
# $TSAN_BUILD_DIR) and runs their tests, the end-to-end cases at two and
# seven threads included: any data race fails the run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SANITIZE_BUILD_DIR:-$root/build-asan}"

# GCC's "may be used uninitialized" analysis gives false alarms inside the
# standard library under the sanitizers' instrumentation: off for this build.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOOLS_SANITIZE=ON \
  -DTOOLS_WITH_QT=OFF -DTOOLS_BUILD_TESTS=ON -DCMAKE_CXX_FLAGS=-Wno-maybe-uninitialized >/dev/null
cmake --build "$build" -j"$(nproc)"

# LeakSanitizer needs to stop the process's threads (ptrace); some containers
# forbid it. Probe with a test program that lists its tests.
leaks=1
probe="$(find "$build" -name numtext_test -type f -perm -u+x | head -1)"
if [ -n "$probe" ] && ASAN_OPTIONS=detect_leaks=1 "$probe" --gtest_list_tests 2>&1 >/dev/null |
     grep -q "LeakSanitizer has encountered a fatal error"; then
  leaks=0
  echo "sanitize.sh: LeakSanitizer cannot run here; leak detection is off" >&2
fi

export ASAN_OPTIONS="detect_leaks=$leaks:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
(cd "$build" && ctest --output-on-failure -j"$(nproc)" --timeout 900)

tsan="${TSAN_BUILD_DIR:-$root/build-tsan}"
cmake -S "$root" -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOOLS_TSAN=ON \
  -DTOOLS_WITH_QT=OFF -DTOOLS_BUILD_TESTS=ON -DCMAKE_CXX_FLAGS=-Wno-maybe-uninitialized >/dev/null
cmake --build "$tsan" -j"$(nproc)" --target errors_test tarvex_test mulrin_test tarvex mulrin
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
(cd "$tsan" && ctest --output-on-failure -j"$(nproc)" --timeout 900 \
  -R 'ThreadCount|ReferenceAngles|same_reports|StreamedBlocks|Calculate\.|HandReport|BlockAnalysis')
