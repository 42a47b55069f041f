#!/usr/bin/env bash
# Builds the headless programs and the unit tests for 64-bit Windows
# (MinGW-w64, linked statically) into build-windows/, runs every test
# executable under Wine (one line of counts: run, skipped, passed), then runs
# end-to-end cases through the programs side by side with the Linux
# programs of build/:
#   - exit status, reports and standard output/error (line ends aside, as a
#     Windows console writes CR LF) must be byte-identical;
#   - the CSV and JSON exports hold the unrounded values, where the two
#     systems' mathematical libraries may differ in the last binary digit
#     (atan2 and the like): every number there must agree to 1e-12 relative.
# Installs what is missing (as root, non-interactively). Usage:
#   scripts/test-windows.sh        (after scripts/build.sh)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
packages=(g++-mingw-w64-x86-64-posix wine64)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

build="$root/build-windows"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTOOLS_WITH_QT=OFF -DTOOLS_BUILD_TESTS=ON -DTOOLS_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
[ -x "$root/build/tarvex/tarvex" ] || "$root/scripts/build.sh" >/dev/null

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
wine=/usr/lib/wine/wine64
work="$(mktemp -d)"
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

# The first run makes Wine's prefix and says so on standard error: made here,
# before the cases. Wine's own notes ("wine: ...") are no output of the programs.
"$wine" "$build/tarvex/tarvex.exe" --help >/dev/null 2>&1 || true

# ---- the unit tests under Wine ----------------------------------------------
# Each test executable runs whole (the slow ones are not built); the counts of
# gtest's summaries are summed. The checks of what only POSIX systems have
# skip themselves with their reason.
units_run=0 units_skipped=0 units_passed=0 units_failed=()
summary() {  # the count of gtest's summary line $2 in the log $1 (0 without one)
  local n
  n=$(sed -n "s/^\[ *$2 *\] \([0-9][0-9]*\) tests\{0,1\}[ ,.].*/\1/p" "$1" | head -1)
  echo "${n:-0}"
}
for exe in $(find "$build" -name '*_test.exe' -not -path '*/googletest/*' | sort); do
  log="$work/$(basename "$exe" .exe).log"
  status=0
  (cd "$work" && "$wine" "$exe" --gtest_brief=1 >"$log.raw" 2>&1) || status=1
  tr -d '\r' <"$log.raw" | grep -v '^wine: ' >"$log" || true
  grep -q '^\[  PASSED  \]' "$log" || status=1
  units_run=$((units_run + $(summary "$log" ==========)))
  units_skipped=$((units_skipped + $(summary "$log" SKIPPED)))
  units_passed=$((units_passed + $(summary "$log" PASSED)))
  if [ "$status" -ne 0 ] || [ "$(summary "$log" FAILED)" -ne 0 ]; then
    cat "$log" >&2
    units_failed+=("$(basename "$exe")")
  fi
done
echo "Unit tests under Wine: $units_run run, $units_skipped skipped, $units_passed passed"
if [ ${#units_failed[@]} -gt 0 ]; then
  echo "failed under Wine: ${units_failed[*]}" >&2
  exit 1
fi

# One case: NAME PROGRAM ARGS... run in a folder of its own on each system,
# with the examples beside it and relative paths only.
failures=0
run_case() {
  local name="$1" program="$2"
  shift 2
  local side
  for side in linux windows; do
    mkdir -p "$work/$name/$side"
    cp -r "$root/examples" "$work/$name/$side/"
  done
  local status_linux=0 status_windows=0
  (cd "$work/$name/linux" && "$root/build/$program/$program" "$@" >stdout 2>stderr) ||
    status_linux=$?
  (cd "$work/$name/windows" && "$wine" "$build/$program/$program.exe" "$@" >stdout 2>stderr) ||
    status_windows=$?
  local problems=()
  [ "$status_linux" -eq "$status_windows" ] ||
    problems+=("exit $status_linux on Linux, $status_windows on Windows")
  local f
  for f in stdout stderr; do
    tr -d '\r' <"$work/$name/windows/$f" | grep -v '^wine: ' >"$work/$name/windows/$f.lf" || true
    tr -d '\r' <"$work/$name/linux/$f" >"$work/$name/linux/$f.lf"
    cmp -s "$work/$name/linux/$f.lf" "$work/$name/windows/$f.lf" || problems+=("$f differs")
  done
  for f in $(cd "$work/$name/linux" && ls); do
    case "$f" in stdout* | stderr* | examples) continue ;; esac
    if [ ! -f "$work/$name/windows/$f" ]; then
      problems+=("$f missing on Windows")
    elif [[ "$f" == *.csv || "$f" == *.json ]]; then
      python3 - "$work/$name/linux/$f" "$work/$name/windows/$f" <<'EOF' || problems+=("$f values differ")
import re, sys
number = re.compile(r"-?\d+(?:\.\d+)?(?:[eE][-+]?\d+)?")
a, b = (open(p, encoding="utf-8").read() for p in sys.argv[1:])
if number.sub("#", a) != number.sub("#", b):
    sys.exit(1)
for x, y in zip(number.findall(a), number.findall(b)):
    x, y = float(x), float(y)
    if abs(x - y) > 1e-12 * max(abs(x), abs(y)):
        sys.exit(1)
EOF
    else
      cmp -s "$work/$name/linux/$f" "$work/$name/windows/$f" || problems+=("$f differs")
    fi
  done
  if [ ${#problems[@]} -eq 0 ]; then
    printf '%-22s same (exit %d)\n' "$name" "$status_linux"
  else
    printf '%-22s DIFFER: %s\n' "$name" "$(IFS=';'; echo "${problems[*]}")"
    failures=$((failures + 1))
  fi
}

load=(--choose examples/setting.ini --click load)
run_case tarvex-demo tarvex "${load[@]}" --set subtract-file=examples/subtract.txt \
  --set display-interval=2 --set file-interval=5 --set display-factor=1 \
  --set report-file=tarvex-report.txt --click draw --click calc --print result \
  --export-csv tarvex.csv --export-json tarvex.json
run_case mulrin-demo mulrin "${load[@]}" --set report-file=mulrin-report.txt \
  --click check-data --print count --print range --click calculate \
  --export-csv mulrin.csv --export-json mulrin.json
run_case tarvex-check tarvex "${load[@]}" --click check --print count
run_case mulrin-save mulrin "${load[@]}" --set threshold=3 --choose saved.ini --click save
run_case tarvex-missing-data tarvex "${load[@]}" --set data-file=missing.txt \
  --set report-file=r.txt --click calc
run_case mulrin-missing-data mulrin "${load[@]}" --set data-file=missing.txt \
  --set report-file=r.txt --click calculate
run_case tarvex-report-is-data tarvex "${load[@]}" --set report-file=examples/drift.txt --click calc
run_case mulrin-report-is-data mulrin "${load[@]}" --set report-file=examples/drift.txt \
  --click calculate
run_case tarvex-bad-number tarvex "${load[@]}" --set samples-per-cycle=x --click calc
run_case mulrin-exponent-13 mulrin "${load[@]}" --set exponent=13 --set report-file=r.txt \
  --click calculate
run_case usage-error tarvex --click nothing

if [ "$failures" -gt 0 ]; then
  echo "$failures case(s) differ between the Linux and the Windows programs" >&2
  exit 1
fi
echo "The Windows programs under Wine give the same results as the Linux programs."
