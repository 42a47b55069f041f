#!/usr/bin/env bash
# "Calculate" of mulrin on a 10-million-line data file at one thread and at
# all the processor's threads, side by side with the Python peer that reads
# the same file with numpy.loadtxt; prints the medians, the peer's time over
# each, the scaling from one thread to all, and the peak resident memory.
#
#   bench/mulrin_bench.sh [MULRIN_BINARY] [RUNS]
#
# MULRIN_BINARY defaults to build/mulrin/mulrin; RUNS (default 5) runs of
# each. The 10-million-line file is generated once into $MULRIN_BENCH_DIR
# (default /tmp/mulrin_bench) and kept. With MULRIN_BENCH_BIG=1 a
# 50-million-line file is generated too, run once each, and deleted after.
# Needs /usr/bin/python3 with numpy for the generator and the peer, and GNU
# time (/usr/bin/time).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/bench/common.sh"
binary="${1:-$root/build/mulrin/mulrin}"
runs="${2:-5}"
work="${MULRIN_BENCH_DIR:-/tmp/mulrin_bench}"
threshold=24   # selects 20 bins of this signal (the peer's --show-max lists the largest swings)

[[ -x "$binary" ]] || { echo "no mulrin binary at $binary" >&2; exit 2; }
mkdir -p "$work"

calculate() {  # THREADS
  cmd=(env TOOLS_THREADS="$1" "$binary" --set EDIT3='#' --set EDIT1=9 --set EDIT2=12 --set "EDIT4=$data" \
    --set EDIT5=10 --set EDIT6=512 --set EDIT7=100 --set EDIT8=$threshold \
    --set "EDIT9=$work/mulrin_report.txt" --click BUTTON6)
}
threads_1() { calculate 1; }
threads_all() { calculate "$threads_all"; }
peer() {
  cmd=("${peer_env[@]}" "$python" "$perf/peer_mulrin.py" "$data" --report "$work/peer_report.txt"
    --exponent 10 --step 512 --samples-per-cycle 100 --threshold $threshold --reader loadtxt)
}

bench_file() {  # LINES RUNS
  data="$work/data_$1.txt"
  if [[ ! -s "$data" ]]; then
    echo "generating $data ..."
    "$python" "$perf/gen_data.py" --lines "$1" --samples-per-cycle 100 --seed 1 \
      --comment-every 100000 --out "$data" >/dev/null
  fi
  cat "$data" >/dev/null  # the page cache warm for every run
  local table
  table=$(compare_runs "$2" threads_1 threads_all peer)
  echo "data: $1 lines, N = 1024, step 512, threshold $threshold" \
    "($(grep -c '^>>>>' "$work/mulrin_report.txt" || true) bins reported), $2 runs each"
  report_table "$table"
}

bench_file 10000000 "$runs"
if [[ "${MULRIN_BENCH_BIG:-0}" == 1 ]]; then
  bench_file 50000000 1
  rm -f "$work/data_50000000.txt"
fi
printf 'machine: %s cores, load average %s\n' "$threads_all" "$(cut -d' ' -f1-3 /proc/loadavg)"
