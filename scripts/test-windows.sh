#!/usr/bin/env bash
# Builds the headless programs and the unit tests for 64-bit Windows
# (MinGW-w64, linked statically) into build-windows/, runs every test
# executable under Wine (one line of counts: run, skipped, passed), then runs
# end-to-end cases through the programs side by side with the Linux
# programs of build/:
#   - exit status, reports and standard output/error must be byte-identical
#     (Wine's own notes on standard error, "wine: ...", aside);
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
    [ -z "${prepare:-}" ] || (cd "$work/$name/$side" && "$prepare" "$side")
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
    grep -av '^wine: ' <"$work/$name/windows/$f" >"$work/$name/windows/$f.own" || true
    cmp -s "$work/$name/linux/$f" "$work/$name/windows/$f.own" || problems+=("$f differs")
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

# Names that are not ASCII: the data file and the report are found and
# written under the same names, with the same bytes.
utf8_names() { cp examples/drift.txt データ.txt; }
prepare=utf8_names run_case tarvex-utf8-names tarvex "${load[@]}" --set data-file=データ.txt \
  --set report-file=résumé.txt --click calc --print data-file --print report-file

# The faults of the file system. Where both systems refuse alike the runs are
# compared side by side; where they differ (a name that only Windows refuses,
# a name only Windows keeps for a device) fault_case compares each side with
# the code expected there instead.
report=(--set report-file=r.txt)
run_case tarvex-wildcard-report tarvex "${load[@]}" --set 'report-file=r?.txt' --click calc
run_case tarvex-data-no-folder tarvex "${load[@]}" --set data-file=nowhere/d.txt "${report[@]}" \
  --click calc
run_case mulrin-report-no-folder mulrin "${load[@]}" --set report-file=nowhere/r.txt \
  --click calculate
# No drive Q: under Wine; on Linux the same text is a missing file's name.
run_case tarvex-data-no-drive tarvex "${load[@]}" --set 'data-file=Q:\d.txt' "${report[@]}" \
  --click calc

# fault_case NAME LINUX WINDOWS PROGRAM ARGS...: the run on each side must end
# with the error code given for that side ("-" for a run without error;
# CODE:NUMBER also wants the system's own number in the last-error record),
# and leave every file it found as it was.
fault_case() {
  local name="$1" program="$4" side problems=()
  local -A want=([linux]="$2" [windows]="$3") seen=()
  shift 4
  for side in linux windows; do
    local dir="$work/$name/$side"
    mkdir -p "$dir"
    cp -r "$root/examples" "$dir/"
    [ -z "${prepare:-}" ] || (cd "$dir" && "$prepare" "$side")
    (cd "$dir" && find . -type f ! -name held ! -name release -exec md5sum {} + | sort) >"$dir.before"
    local status=0 got
    if [ "$side" = linux ]; then
      (cd "$dir" && XDG_CONFIG_HOME=cfg "$root/build/$program/$program" "$@" >stdout 2>stderr) ||
        status=$?
    else
      (cd "$dir" && XDG_CONFIG_HOME=cfg "$wine" "$build/$program/$program.exe" "$@" >stdout \
        2>stderr) || status=$?
    fi
    [ -z "${finish:-}" ] || (cd "$dir" && "$finish")
    got="$(grep -ao 'エラー\[[0-9]*\]' "$dir/stderr" | tr -dc 0-9 || true)"
    [ "$status" -eq 0 ] && [ -z "$got" ] && got=-
    [ "$status" -eq 1 ] || [ "$got" = - ] || got="$got (exit $status)"
    if [[ "${want[$side]}" == *:* ]]; then
      # The record: the headless programs' file, or the windowed build's
      # settings file (its group LastError) on Linux.
      got="$got:$(cat "$dir/cfg/cycle-tools/$program-last-error.ini" \
        "$dir/cfg/cycle_tools/$program.conf" 2>/dev/null | sed -n 's/^APIERR=//p' || true)"
    fi
    seen[$side]="$got"
    [ "$got" = "${want[$side]}" ] || problems+=("$side gave $got, not ${want[$side]}")
    (cd "$dir" && md5sum --quiet -c "$dir.before" >/dev/null 2>&1) ||
      problems+=("a file on $side changed")
  done
  if [ ${#problems[@]} -eq 0 ]; then
    printf '%-22s as expected (Linux %s, Windows %s)\n' "$name" "${seen[linux]}" "${seen[windows]}"
  else
    printf '%-22s DIFFER: %s\n' "$name" "$(IFS=';'; echo "${problems[*]}")"
    failures=$((failures + 1))
  fi
}

# Characters that Windows refuses in a name (invalid name, 123) are plain
# characters on Linux: there the data file is missing, the report is made.
fault_case tarvex-lt-in-data 63:2 55:123 tarvex "${load[@]}" --set 'data-file=a<b.txt' \
  "${report[@]}" --click calc
fault_case tarvex-bar-in-report - 55:123 tarvex "${load[@]}" --set 'report-file=r|x.txt' --click calc
fault_case mulrin-quote-in-report - 55:123 mulrin "${load[@]}" --set 'report-file=r"x.txt' \
  --click calculate
# A missing drive (Windows 3; Wine says 2, file not found) for the report.
fault_case tarvex-report-no-drive - 63 tarvex "${load[@]}" --set 'report-file=Q:\r.txt' --click calc
# Names that Windows keeps for devices in every folder are no data file and no
# report (55, as a device is on Linux); on Linux they are ordinary names.
fault_case tarvex-con-as-data 63 55 tarvex "${load[@]}" --set data-file=CON "${report[@]}" \
  --click calc
fault_case tarvex-nul-as-report - 55 tarvex "${load[@]}" --set report-file=NUL --click calc
fault_case mulrin-nul-txt-as-data 63 55 mulrin "${load[@]}" --set data-file=NUL.txt \
  "${report[@]}" --click calculate
fault_case mulrin-nul-txt-report - 55 mulrin "${load[@]}" --set report-file=nul.txt \
  --click calculate

# A read-only report (Wine shows a file without write permission as
# read-only): not deleted, access denied (Windows 5), the file untouched.
read_only_report() {
  printf 'old\r\n' >r.txt
  chmod a-w r.txt
}
prepare=read_only_report fault_case tarvex-read-only-report 75:13 75:5 tarvex "${load[@]}" \
  "${report[@]}" --click calc

# The report held by another process that shares nothing: a sharing
# violation (Windows 32) under Wine; on Linux the other process holds the
# lock that a run writing a report holds.
holder_source='#include <windows.h>
int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HANDLE h = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
  if (h == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(CreateFileA("held", GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));
  for (int i = 0; i < 600 && GetFileAttributesA("release") == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
  CloseHandle(h);
  DeleteFileA("held");
  return 0;
}'
x86_64-w64-mingw32-gcc-posix -O2 -static -x c -o "$work/hold.exe" - <<<"$holder_source"
held_report() {
  printf 'old\r\n' >r.txt
  if [ "$1" = linux ]; then
    flock r.txt sh -c 'touch held; while [ ! -e release ]; do sleep 0.1; done; rm held' \
      </dev/null >/dev/null 2>&1 &
  else
    "$wine" "$work/hold.exe" r.txt </dev/null >/dev/null 2>&1 &
  fi
  for _ in $(seq 200); do [ -e held ] && return; sleep 0.1; done
  echo "the report was not held" >&2
}
release_report() {
  touch release
  for _ in $(seq 200); do [ -e held ] || return 0; sleep 0.1; done
}
prepare=held_report finish=release_report fault_case tarvex-held-report 75:0 75:32 tarvex \
  "${load[@]}" "${report[@]}" --click calc

if [ "$failures" -gt 0 ]; then
  echo "$failures case(s) differ between the Linux and the Windows programs" >&2
  exit 1
fi
echo "The Windows programs under Wine give the same results as the Linux programs."
