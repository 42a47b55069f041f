# Shared by the benchmark scripts: timing, medians, peak memory and the peers'
# environment. Sourced, not run.

python=/usr/bin/python3
perf="$(cd "$root/../shared/perf" 2>/dev/null && pwd || echo /work/shared/perf)"
threads_all="$(nproc)"

# A numpy peer gets its full speed only without the two OpenBLAS settings
# that some machines export: they are unset for the peer's command alone.
peer_env=(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE)

# "SECONDS PEAK_KIB" of one run of the command a NAME function puts into the
# array cmd, its output thrown away.
measure() {
  local cmd=()
  "$1"
  /usr/bin/time -f '%e %M' "${cmd[@]}" 2>&1 >/dev/null | tail -1
}

median() { sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2);
  if (NR % 2) print v[m]; else print (v[m] + v[m + 1]) / 2 }'; }

# Runs the command of each NAME function RUNS times, in turn, and prints per command its
# median seconds and its largest peak memory in MiB: "NAME SECONDS MIB".
compare_runs() {  # RUNS NAME... (each NAME is a shell function)
  local runs="$1" name i
  shift
  declare -A times=() peaks=()
  for ((i = 1; i <= runs; i++)); do
    for name in "$@"; do
      read -r s k <<<"$(measure "$name")"
      times[$name]+="$s "
      [ "${k:-0}" -gt "${peaks[$name]:-0}" ] && peaks[$name]=$k
    done
  done
  for name in "$@"; do
    printf '%s %s %.1f\n' "$name" "$(tr ' ' '\n' <<<"${times[$name]}" | grep . | median)" \
      "$(echo "${peaks[$name]} / 1024" | bc -l)"
  done
}

# Prints the table of compare_runs' lines, with each program run's ratio to
# the peer's time and the scaling from one thread to all.
report_table() {  # LINES_OF_compare_runs
  awk -v cores="$threads_all" '
    { name[NR] = $1; t[$1] = $2; m[$1] = $3 }
    END {
      printf "%-14s %9s %10s %12s\n", "run", "median s", "peak MiB", "peer/this"
      for (i = 1; i <= NR; i++) {
        n = name[i]
        printf "%-14s %9.3f %10.1f %12s\n", n, t[n], m[n], (n == "peer" ? "" : sprintf("%.2fx", t["peer"] / t[n]))
      }
      if (t["threads_1"] > 0 && t["threads_all"] > 0)
        printf "scaling from 1 to %d threads: %.2fx\n", cores, t["threads_1"] / t["threads_all"]
    }' <<<"$1"
}
