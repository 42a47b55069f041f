#!/usr/bin/env bash
# "Calc." of tarvex on a 10-million-line data file at one thread and at all
# the processor's threads, side by side with the numpy peer reading the same
# file; prints the medians, the peer's time over each, the scaling from one
# thread to all, and the peak resident memory.
#
#   bench/tarvex_bench.sh [TARVEX_BINARY] [RUNS]
#
# TARVEX_BINARY defaults to build/tarvex/tarvex; RUNS (default 5) runs of
# each. The 10-million-line file is kept in $TARVEX_BENCH_DIR (default
# /tmp/tarvex_bench). With TARVEX_BENCH_BIG=1 a 50-million-line file is
# generated too, run once each, and deleted after. Needs /usr/bin/python3
# with numpy for the generator and the peer, and GNU time (/usr/bin/time).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/bench/common.sh"
tarvex="${1:-$root/build/tarvex/tarvex}"
runs="${2:-5}"
work="${TARVEX_BENCH_DIR:-/tmp/tarvex_bench}"

[ -x "$tarvex" ] || { echo "no tarvex binary at $tarvex" >&2; exit 2; }
mkdir -p "$work"

# 1666 cycles of 100 samples per interval: 60 intervals, within the 64 rows.
calc() {  # THREADS
  cmd=(env TOOLS_THREADS="$1" "$tarvex" --set EDIT1=# --set EDIT2=9 --set EDIT3=12 --set "EDIT4=$data" \
    --set EDIT5=100 --set EDIT10=360 --set EDIT8=1666 --set "EDIT9=$work/tarvex.txt" \
    --click BUTTON5 --print EDIT12)
}
threads_1() { calc 1; }
threads_all() { calc "$threads_all"; }
peer() {
  cmd=("${peer_env[@]}" "$python" "$perf/peer_tarvex.py" "$data" --report "$work/peer.txt"
    --samples-per-cycle 100 --speed 360 --interval 1666 --reader loadtxt)
}

bench_file() {  # LINES RUNS
  data="$work/data-$1.txt"
  if [ ! -s "$data" ]; then
    # 22-byte lines: time prefix in columns 1-8, value in 9-20, comment mark #.
    "$python" "$perf/gen_data.py" --lines "$1" --samples-per-cycle 100 --seed 1 \
      --comment-every 100000 --out "$data" >/dev/null
  fi
  cat "$data" >/dev/null  # the page cache warm for every run
  local table
  table=$(compare_runs "$2" threads_1 threads_all peer)
  echo "data: $1 lines, $(grep -c $'deg\r$' "$work/tarvex.txt" || true) report rows and" \
    "summary lines, $2 runs each"
  report_table "$table"
}

bench_file 10000000 "$runs"
if [ "${TARVEX_BENCH_BIG:-0}" = 1 ]; then
  bench_file 50000000 1
  rm -f "$work/data-50000000.txt"
fi
printf 'machine: %s cores, load average %s\n' "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
