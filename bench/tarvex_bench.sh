#!/usr/bin/env bash
# "Calc." of tarvex on a 10-million-line data file, timed side by side with
# the numpy peer reading the same file, several runs each. Prints every run,
# both medians and their ratio (peer / tarvex), and tarvex's peak memory.
#
#   bench/tarvex_bench.sh [TARVEX_BINARY] [RUNS]
#
# Environment: TARVEX_BENCH_DIR (where the data file is kept between runs,
# default /tmp/tarvex_bench), TARVEX_BENCH_LINES (default 10000000).
# Needs /usr/bin/python3 with numpy for the generator and the peer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tarvex="${1:-$root/build/tarvex/tarvex}"
runs="${2:-5}"
lines="${TARVEX_BENCH_LINES:-10000000}"
work="${TARVEX_BENCH_DIR:-/tmp/tarvex_bench}"
perf="$(cd "$root/../shared/perf" 2>/dev/null && pwd || echo /work/shared/perf)"
python=/usr/bin/python3

[ -x "$tarvex" ] || { echo "no tarvex binary at $tarvex" >&2; exit 2; }
mkdir -p "$work"
data="$work/data-$lines.txt"
if [ ! -s "$data" ]; then
  # 22-byte lines: time prefix in columns 1-8, value in 9-20, comment mark #.
  "$python" "$perf/gen_data.py" --lines "$lines" --samples-per-cycle 100 --seed 1 \
    --comment-every 100000 --out "$data"
fi

# 1666 cycles of 100 samples per interval: 60 intervals, within the 64 rows.
calc() {
  "$tarvex" --set EDIT1=# --set EDIT2=9 --set EDIT3=12 --set "EDIT4=$data" \
    --set EDIT5=100 --set EDIT10=360 --set EDIT8=1666 --set "EDIT9=$work/tarvex.txt" \
    --click BUTTON5 --print EDIT12 >/dev/null
}
peer() {
  "$python" "$perf/peer_tarvex.py" "$data" --report "$work/peer.txt" \
    --samples-per-cycle 100 --speed 360 --interval 1666 --reader loadtxt >/dev/null 2>&1
}
seconds() {  # wall seconds of one run of the named function
  local start end
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2);
  if (NR % 2) print v[m]; else print (v[m] + v[m + 1]) / 2 }'; }

cat "$data" > /dev/null  # the page cache warm for both
tarvex_times=() peer_times=()
for ((i = 1; i <= runs; i++)); do
  t=$(seconds calc); tarvex_times+=("$t")
  p=$(seconds peer); peer_times+=("$p")
  printf 'run %d: tarvex %.3f s, peer %.3f s\n' "$i" "$t" "$p"
done
tm=$(printf '%s\n' "${tarvex_times[@]}" | median)
pm=$(printf '%s\n' "${peer_times[@]}" | median)
peak=$( { /usr/bin/time -f '%M' "$tarvex" --set EDIT1=# --set EDIT2=9 --set EDIT3=12 \
  --set "EDIT4=$data" --set EDIT5=100 --set EDIT10=360 --set EDIT8=1666 \
  --set "EDIT9=$work/tarvex.txt" --click BUTTON5 >/dev/null; } 2>&1 | tail -1)
rows=$(grep -c $'deg\r$' "$work/tarvex.txt" || true)
printf 'data: %s (%s data lines); report rows and summary lines: %s\n' "$data" "$lines" "$rows"
printf 'median: tarvex Calc. %.3f s, peer (loadtxt) %.3f s, ratio peer/tarvex %.2f\n' \
  "$tm" "$pm" "$(echo "$pm / $tm" | bc -l)"
printf 'tarvex peak resident memory: %s KB\n' "$peak"
printf 'machine: %s cores, load average %s\n' "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
