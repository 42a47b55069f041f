#!/usr/bin/env bash
# Applies the mutants of scripts/mutants.txt one at a time to a tree, rebuilds
# the headless build with its tests, runs the quick suite (ctest -LE slow) and
# records whether the suite kills each mutant. Every product file is restored
# from a saved copy after its mutant, also when the run is interrupted.
#
#   scripts/mutants.sh [--tree DIR] [--build DIR] [--only ID...] [--out FILE]
#                      [--list FILE] [--timeout SECONDS]
#
# --tree     the source tree to mutate (default: the tree holding this script)
# --build    its build folder (default: TREE/build-mutants); configured if new
# --only     run these mutants only
# --out      also write the table to FILE
# --list     the mutant list (default: scripts/mutants.txt beside this script)
# --timeout  seconds a single test may take; a test that hangs kills the mutant
#
# Results: killed (the suite failed), survived (it passed), n/a (the snippet is
# not in the file exactly once), no-build (the mutant does not compile).
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
tree="$(cd "$here/.." && pwd)"
build=""
out=""
list="$here/mutants.txt"
timeout=300
only=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --tree) tree="$(cd "$2" && pwd)"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --list) list="$2"; shift 2 ;;
    --timeout) timeout="$2"; shift 2 ;;
    --only)
      shift
      while [[ $# -gt 0 && "$1" != --* ]]; do only+=("$1"); shift; done ;;
    -h|--help) sed -n '2,19p' "$0"; exit 0 ;;
    *) echo "mutants.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
build="${build:-$tree/build-mutants}"
list="$(cd "$(dirname "$list")" && pwd)/$(basename "$list")"

# The mutant list as "id<TAB>file<TAB>description" lines, or one mutant
# applied: python3 mutate.py apply LIST ID TREE (exit 3: snippet not unique).
mutate_py='
import sys
def records(path):
    rec = {}
    for raw in open(path, encoding="utf-8").read().split("\n") + [""]:
        if raw.startswith("#"):
            continue
        if not raw.strip():
            if rec:
                yield rec
            rec = {}
            continue
        key, _, value = raw.partition(":")
        rec[key.strip()] = value[1:] if value.startswith(" ") else value
def unescape(s):
    return s.replace("\\\\", "\0").replace("\\n", "\n").replace("\0", "\\")
mode, path = sys.argv[1], sys.argv[2]
if mode == "list":
    for r in records(path):
        print(r["id"], r["file"], r.get("desc", ""), sep="\t")
    sys.exit(0)
want, tree = sys.argv[3], sys.argv[4]
for r in records(path):
    if r["id"] != want:
        continue
    target = tree + "/" + r["file"]
    try:
        text = open(target, encoding="utf-8").read()
    except OSError:
        sys.exit(3)
    old, new = unescape(r["from"]), unescape(r.get("to", ""))
    if not old or text.count(old) != 1:
        sys.exit(3)
    with open(target, "w", encoding="utf-8") as f:
        f.write(text.replace(old, new))
    sys.exit(0)
sys.exit(4)
'

saved=""    # the saved copy of the file under mutation
target=""   # the file under mutation
restore() {
  if [[ -n "$saved" ]]; then
    # Written over, not moved back: the file gets a new time, so the next
    # build compiles it again.
    cat "$saved" > "$target" && rm -f "$saved"
    saved=""
  fi
}
trap 'restore; exit 130' INT TERM
trap 'restore' EXIT

log="$build/mutants.log"
build_tree() { cmake --build "$build" -j2 >>"$log" 2>&1; }
run_suite() {
  (cd "$build" && ctest -j2 -LE slow --stop-on-failure --timeout "$timeout" >>"$log" 2>&1)
}

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  mkdir -p "$build"
  cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOOLS_WITH_QT=OFF \
    -DTOOLS_BUILD_TESTS=ON >"$build/mutants.log" 2>&1 || {
    echo "mutants.sh: configuring $build failed (see $log)" >&2; exit 1; }
fi
: >"$log"
echo "== unmutated" >>"$log"
if ! build_tree || ! run_suite; then
  echo "mutants.sh: the unmutated tree does not build or its suite fails (see $log)" >&2
  exit 1
fi

mapfile -t entries < <(python3 -c "$mutate_py" list "$list")
# Each row is printed and written to the --out file as soon as it is known.
[[ -n "$out" ]] && : >"$out"
row() {
  local line
  line="$(printf '%-22s %-22s %-9s %s' "$1" "$2" "$4" "$3")"
  echo "$line"
  [[ -n "$out" ]] && echo "$line" >>"$out"
  return 0
}
row "ID" "FILE" "DESCRIPTION" "RESULT"
killed=0 survived=0 na=0 nobuild=0 total=0
for entry in "${entries[@]}"; do
  IFS=$'\t' read -r id file desc <<<"$entry"
  if [[ ${#only[@]} -gt 0 && ! " ${only[*]} " == *" $id "* ]]; then continue; fi
  total=$((total + 1))
  target="$tree/$file"
  saved="$(mktemp "${TMPDIR:-/tmp}/mutant.XXXXXX")"
  if [[ ! -f "$target" ]] || ! cp "$target" "$saved"; then
    rm -f "$saved"; saved=""
    na=$((na + 1)); row "$id" "$file" "$desc" "n/a"; continue
  fi
  echo "== $id" >>"$log"
  python3 -c "$mutate_py" apply "$list" "$id" "$tree"
  case $? in
    0) ;;
    *) restore; na=$((na + 1)); row "$id" "$file" "$desc" "n/a"; continue ;;
  esac
  if ! build_tree; then
    result="no-build"; nobuild=$((nobuild + 1))
  elif run_suite; then
    result="survived"; survived=$((survived + 1))
  else
    result="killed"; killed=$((killed + 1))
  fi
  restore
  row "$id" "$file" "$desc" "$result"
done
build_tree || true  # leave the build at the unmutated product

summary="$total mutants: $killed killed, $survived survived, $na n/a, $nobuild no-build"
echo "$summary"
[[ -n "$out" ]] && echo "$summary" >>"$out"
exit 0
