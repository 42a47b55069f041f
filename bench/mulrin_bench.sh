#!/usr/bin/env bash
# Calculate of mulrin on a 10-million-line data file, side by side with the
# Python peer that reads the same file with numpy.loadtxt; prints the median
# wall times, their ratio and mulrin's peak resident memory.
#
#   bench/mulrin_bench.sh [MULRIN_BINARY] [RUNS]
#
# MULRIN_BINARY defaults to build/mulrin/mulrin; RUNS (default 5) runs of each.
# The data file is generated once into $MULRIN_BENCH_DIR (default
# /tmp/mulrin_bench) and reused. Needs /usr/bin/python3 with numpy for the
# generator and the peer, and GNU time (/usr/bin/time).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
binary="${1:-$here/../build/mulrin/mulrin}"
runs="${2:-5}"
work="${MULRIN_BENCH_DIR:-/tmp/mulrin_bench}"
perf="${MULRIN_PERF_DIR:-$here/../../shared/perf}"
python=/usr/bin/python3
lines=10000000
threshold=24   # selects 20 bins of this signal (the peer's --show-max lists the largest swings)

[[ -x "$binary" ]] || { echo "no mulrin binary at $binary" >&2; exit 2; }
mkdir -p "$work"
data="$work/data_${lines}.txt"
if [[ ! -s "$data" ]]; then
  echo "generating $data ..."
  "$python" "$perf/gen_data.py" --lines "$lines" --samples-per-cycle 100 --seed 1 \
    --comment-every 100000 --out "$data" >/dev/null
fi

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

mulrin_times=() mulrin_rss=()
for ((i = 0; i < runs; i++)); do
  out=$(/usr/bin/time -f "%e %M" "$binary" \
    --set EDIT3='#' --set EDIT1=9 --set EDIT2=12 --set "EDIT4=$data" --set EDIT5=10 \
    --set EDIT6=512 --set EDIT7=100 --set EDIT8=$threshold --set "EDIT9=$work/mulrin_report.txt" \
    --click BUTTON6 2>&1 >/dev/null | tail -1)
  mulrin_times+=("${out% *}")
  mulrin_rss+=("${out#* }")
done

peer_times=()
for ((i = 0; i < runs; i++)); do
  start=$(date +%s.%N)
  "$python" "$perf/peer_mulrin.py" "$data" --report "$work/peer_report.txt" --exponent 10 \
    --step 512 --samples-per-cycle 100 --threshold $threshold --reader loadtxt >/dev/null 2>&1
  end=$(date +%s.%N)
  peer_times+=("$(echo "$end - $start" | bc -l)")
done

m=$(printf '%s\n' "${mulrin_times[@]}" | median)
p=$(printf '%s\n' "${peer_times[@]}" | median)
rss=$(printf '%s\n' "${mulrin_rss[@]}" | sort -g | tail -1)
bins=$(grep -c '^>>>>' "$work/mulrin_report.txt" || true)

echo "data: $lines lines, N = 1024, step 512, threshold $threshold ($bins bins reported)"
echo "mulrin Calculate runs (s): ${mulrin_times[*]}"
echo "peer (loadtxt) runs (s):   ${peer_times[*]}"
printf 'median mulrin %.3f s, peer %.3f s, peer/mulrin %.2fx\n' "$m" "$p" "$(echo "$p / $m" | bc -l)"
printf 'mulrin peak resident memory %.1f MiB\n' "$(echo "$rss / 1024" | bc -l)"
