#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang into build-fuzz/ (or
# $FUZZ_BUILD_DIR) and runs every harness for FUZZ_SECONDS seconds (default
# 30) on a copy of its seed corpus (fuzz/corpus/<harness>/), FUZZ_JOBS at a
# time (default: as many as there are processors). Each harness starts from
# the random seed FUZZ_SEED (default 1, so that a run can be repeated; 0 lets
# libFuzzer pick one).
# Fails on any finding (a crash, a sanitizer report, a broken property, a
# hang of one input over 10 s, a leak); prints the executions of each harness.
# Findings are kept in <build>/findings/<harness>/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-30}"
jobs="${FUZZ_JOBS:-$(nproc)}"
seed="${FUZZ_SEED:-1}"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOOLS_FUZZ=ON -DTOOLS_WITH_QT=OFF -DTOOLS_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_all -j"$(nproc)"

harnesses=()
for dir in "$root"/fuzz/corpus/*/; do harnesses+=("$(basename "$dir")"); done

work="$build/fuzz-run"
rm -rf "$work" "$build/findings"
mkdir -p "$work"

run_one() {
  local name="$1"
  local corpus="$work/$name/corpus" findings="$build/findings/$name"
  mkdir -p "$corpus" "$findings"
  cp -r "$root/fuzz/corpus/$name/." "$corpus/"
  local dict=()
  [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
  local status=0
  (cd "$findings" && "$build/fuzz/fuzz_$name" "$corpus" "${dict[@]}" \
      -max_total_time="$seconds" -seed="$seed" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/" >"$work/$name.log" 2>&1) || status=$?
  echo "$status" >"$work/$name.status"
}

running=0
for name in "${harnesses[@]}"; do
  run_one "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

failed=0
printf '%-16s %12s %10s %8s  %s\n' harness executions exec/s coverage result
for name in "${harnesses[@]}"; do
  log="$work/$name.log"
  status="$(cat "$work/$name.status" 2>/dev/null || echo 99)"
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
  cov="$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
  result=ok
  if [ "$status" != 0 ] || ls "$build/findings/$name"/crash-* "$build/findings/$name"/timeout-* \
       "$build/findings/$name"/leak-* "$build/findings/$name"/oom-* >/dev/null 2>&1; then
    result="FINDING (exit $status)"
    failed=1
  fi
  printf '%-16s %12s %10s %8s  %s\n' "$name" "${execs:-?}" "${rate:-?}" "${cov:-?}" "$result"
done

if [ "$failed" != 0 ]; then
  for name in "${harnesses[@]}"; do
    status="$(cat "$work/$name.status" 2>/dev/null || echo 99)"
    [ "$status" = 0 ] && continue
    echo "---- $name (last lines of its log; inputs in build-fuzz/findings/$name/)"
    tail -40 "$work/$name.log"
  done
  exit 1
fi
