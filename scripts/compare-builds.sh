#!/usr/bin/env bash
# Runs the same end-to-end cases through two builds of the programs and
# compares everything they leave: exit status, standard output, standard error
# and every file written, byte for byte. Used to show that a change keeps the
# reports exactly as they were.
#
#   scripts/compare-builds.sh OLD_DIR NEW_DIR [DATA_FILE...]
#
# OLD_DIR and NEW_DIR each hold a tarvex and a mulrin executable (a build
# folder's tarvex/ and mulrin/ subfolders are found too). Extra DATA_FILEs
# (a benchmark file, say) are run through both programs' main runs as well.
# Prints one line per case and exits 1 when any case differs.
#
# OLD_ENV and NEW_ENV, when set, are NAME=VALUE words put into the
# environment of each side's runs: the same build compared with itself at
# one and at seven threads is
#   OLD_ENV=TOOLS_THREADS=1 NEW_ENV=TOOLS_THREADS=7 scripts/compare-builds.sh build build
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -ge 2 ] || { echo "usage: $0 OLD_DIR NEW_DIR [DATA_FILE...]" >&2; exit 2; }
old="$(cd "$1" && pwd)"; new="$(cd "$2" && pwd)"; shift 2
extra=("$@")
OLD_ENV="${OLD_ENV:-}"
NEW_ENV="${NEW_ENV:-}"

find_bin() {  # DIR PROGRAM
  if [ -x "$1/$2" ] && [ ! -d "$1/$2" ]; then echo "$1/$2"; else echo "$1/$2/$2"; fi
}

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ex="$root/examples"

# Sample data shared by the cases: the example, a copy with CR LF line ends,
# a short file, a file with an odd column, and a subtract model of degree 2.
mkdir -p "$work/in"
cp "$ex/drift.txt" "$ex/subtract.txt" "$work/in/"
sed 's/$/\r/' "$ex/drift.txt" >"$work/in/crlf.txt"
head -40 "$ex/drift.txt" >"$work/in/short.txt"
awk 'NR>3 { printf "%s;%s\n", $2, $1 }' "$ex/drift.txt" >"$work/in/swapped.txt"
printf 'deg=2\n90,1.5,-0.25,0.001,0.00002\n#\n' >"$work/in/subtract2.txt"
# The settings file names its data file relative to the repository.
sed "s#^examples/#$work/in/#" "$ex/setting.ini" >"$work/in/setting.ini"
awk 'NR<=3 || NR%7 { print; next } { print "# gap" }' "$ex/drift.txt" >"$work/in/gaps.txt"
# A longer series (the example's values over and over, a comment line now and
# then), and the same with a value that cannot be read far into it.
awk 'NR>3 { v[n++] = $0 } END { print "# long\r"; for (i = 0; i < 120000; i++) {
  print v[i % n]; if (i % 5000 == 4999) print "# mark\r" } }' "$ex/drift.txt" >"$work/in/long.txt"
awk 'NR == 90001 { print "00:00:00   9E+9999\r"; next } { print }' "$work/in/long.txt" >"$work/in/badlate.txt"

cases=()
add() { cases+=("$1|$2|${*:3}"); }   # NAME PROGRAM ARGS...

T_BASE="--set comment-mark=# --set from=9 --set letters=12 --set data-file=IN/drift.txt"
M_BASE="--set comment-mark=# --set from=9 --set letters=12 --set data-file=IN/drift.txt"
add t-demo tarvex --choose IN/setting.ini --click load --set subtract-file=IN/subtract.txt \
  --set display-interval=2 --set file-interval=5 --set display-factor=1 \
  --set report-file=OUT/t.txt --click draw --click calc --print result --print count
add t-plain tarvex $T_BASE --set samples-per-cycle=100 --set file-interval=3 \
  --set report-file=OUT/t.txt --click check --print count --click calc --print result
add t-origin tarvex $T_BASE --set samples-per-cycle=99.5 --set origin=2.25 --set file-interval=2.5 \
  --set angular-speed=720 --set report-file=OUT/t.txt --click calc --print result
add t-speed0 tarvex $T_BASE --set samples-per-cycle=100 --set angular-speed=0 \
  --set file-interval=4 --set report-file=OUT/t.txt --click calc --print result
add t-crlf tarvex $T_BASE --set data-file=IN/crlf.txt --set samples-per-cycle=100 \
  --set file-interval=6 --set report-file=OUT/t.txt --click calc --print result
add t-gaps tarvex $T_BASE --set data-file=IN/gaps.txt --set samples-per-cycle=33.3 \
  --set file-interval=7 --set subtract-file=IN/subtract2.txt --set report-file=OUT/t.txt \
  --click calc --print result
add t-one tarvex $T_BASE --set samples-per-cycle=100 --set file-interval=60 \
  --set report-file=OUT/t.txt --click calc --print result
add t-many tarvex $T_BASE --set samples-per-cycle=10 --set file-interval=1 \
  --set report-file=OUT/t.txt --click calc --print result
add t-noint tarvex $T_BASE --set samples-per-cycle=100 --set file-interval=0 \
  --set report-file=OUT/t.txt --click calc --print result
add t-nospc tarvex $T_BASE --set samples-per-cycle= --set report-file=OUT/t.txt --click calc
add t-from0 tarvex $T_BASE --set from=0 --set samples-per-cycle=100 --set report-file=OUT/t.txt --click calc
add t-nodata tarvex $T_BASE --set data-file=IN/missing.txt --set samples-per-cycle=100 \
  --set report-file=OUT/t.txt --click calc
add t-swapped tarvex --set comment-mark= --set from=1 --set letters=9 --set data-file=IN/swapped.txt \
  --set samples-per-cycle=100 --set file-interval=5 --set report-file=OUT/t.txt --click calc --print result
add t-draw tarvex $T_BASE --set samples-per-cycle=100 --set display-interval=3 \
  --set display-factor=0.5 --click draw --save-drawing OUT/d.png
add m-demo mulrin --choose IN/setting.ini --click load --set report-file=OUT/m.txt \
  --click check-data --print count --print range --click calculate
add m-plain mulrin $M_BASE --set exponent=8 --set step=100 --set samples-per-cycle=100 \
  --set threshold=5 --set report-file=OUT/m.txt --click check-data --print count --print range \
  --click calculate --print resolution
add m-sub mulrin $M_BASE --set exponent=9 --set step=128.5 --set samples-per-cycle=100 \
  --set threshold=1 --set origin=1.5 --set subtract-file=IN/subtract2.txt \
  --set report-file=OUT/m.txt --click check-data --print range --click calculate
add m-crlf mulrin $M_BASE --set data-file=IN/crlf.txt --set exponent=7 --set step=64 \
  --set samples-per-cycle=100 --set threshold=10 --set report-file=OUT/m.txt --click calculate
add m-gaps mulrin $M_BASE --set data-file=IN/gaps.txt --set exponent=6 --set step=33 \
  --set samples-per-cycle=25 --set threshold=2 --set report-file=OUT/m.txt --click calculate
add m-short mulrin $M_BASE --set data-file=IN/short.txt --set exponent=8 --set step=10 \
  --set samples-per-cycle=100 --set threshold=1 --set report-file=OUT/m.txt --click calculate --print count
add m-oneblock mulrin $M_BASE --set exponent=12 --set step=5000 --set samples-per-cycle=100 \
  --set threshold=1 --set report-file=OUT/m.txt --click calculate
add m-exp0 mulrin $M_BASE --set exponent=0 --set step=1 --set samples-per-cycle=100 \
  --set threshold=1 --set report-file=OUT/m.txt --click calculate
add m-step0 mulrin $M_BASE --set exponent=8 --set step=0 --set samples-per-cycle=100 \
  --set threshold=1 --set report-file=OUT/m.txt --click calculate
add m-nodata mulrin $M_BASE --set data-file=IN/missing.txt --set exponent=8 --set step=10 \
  --set samples-per-cycle=100 --set threshold=1 --set report-file=OUT/m.txt --click calculate
add m-long mulrin $M_BASE --set data-file=IN/long.txt --set exponent=9 --set step=300.5 \
  --set samples-per-cycle=100 --set threshold=3 --set subtract-file=IN/subtract.txt \
  --set report-file=OUT/m.txt --click check-data --print count --click calculate --print count
add m-badlate mulrin $M_BASE --set data-file=IN/badlate.txt --set exponent=9 --set step=300 \
  --set samples-per-cycle=100 --set threshold=3 --set report-file=OUT/m.txt --click calculate
add m-badcheck mulrin $M_BASE --set data-file=IN/badlate.txt --set subtract-file=IN/subtract.txt \
  --set samples-per-cycle=100 \
  --click check-data
add t-long tarvex $T_BASE --set data-file=IN/long.txt --set samples-per-cycle=100 \
  --set file-interval=50 --set report-file=OUT/t.txt --click check --print count --click calc --print result
add t-drawlong tarvex $T_BASE --set data-file=IN/long.txt --set samples-per-cycle=100 \
  --set display-interval=7 --set display-factor=0.5 --set subtract-file=IN/subtract.txt \
  --click draw --save-drawing OUT/d.png --print result
add t-badlate tarvex $T_BASE --set data-file=IN/badlate.txt --set samples-per-cycle=100 \
  --set file-interval=50 --set report-file=OUT/t.txt --click calc
add m-save mulrin $M_BASE --set exponent=8 --choose OUT/s.ini --click save
add m-labels mulrin --set exponent=11 --set samples-per-cycle=7 --print fft-length --print resolution

i=0
for f in "${extra[@]}"; do
  i=$((i + 1))
  add "t-extra$i" tarvex --set comment-mark=# --set from=9 --set letters=12 --set "data-file=$f" \
    --set samples-per-cycle=100 --set file-interval=1666 --set report-file=OUT/t.txt --click calc --print result
  add "m-extra$i" mulrin --set comment-mark=# --set from=9 --set letters=12 --set "data-file=$f" \
    --set exponent=10 --set step=512 --set samples-per-cycle=100 --set threshold=24 \
    --set report-file=OUT/m.txt --click calculate
done

run_case() {  # SIDE BIN ARGS -> runs in $work/SIDE/NAME
  local dir="$1" bin="$2"; shift 2
  mkdir -p "$dir/out"
  local args=() a
  for a in "$@"; do a="${a//IN\//$work/in/}"; args+=("${a//OUT\//$dir/out/}"); done
  local env_words="$OLD_ENV"
  [[ "$dir" == "$work/new/"* ]] && env_words="$NEW_ENV"
  # shellcheck disable=SC2086
  (cd "$dir" && env $env_words "$bin" "${args[@]}" >"$dir/stdout" 2>"$dir/stderr"; echo $? >"$dir/status")
  # Paths of the two sides differ only by the side's folder.
  sed -i "s#$dir/out/#OUT/#g" "$dir/stdout" "$dir/stderr"
}

failed=0
for c in "${cases[@]}"; do
  name="${c%%|*}"; rest="${c#*|}"; prog="${rest%%|*}"; args="${rest#*|}"
  # shellcheck disable=SC2086
  run_case "$work/old/$name" "$(find_bin "$old" "$prog")" $args
  # shellcheck disable=SC2086
  run_case "$work/new/$name" "$(find_bin "$new" "$prog")" $args
  sed -i "s#$work/old/$name/out/#OUT/#g" "$work/old/$name/out/"* 2>/dev/null
  sed -i "s#$work/new/$name/out/#OUT/#g" "$work/new/$name/out/"* 2>/dev/null
  if diff -r "$work/old/$name" "$work/new/$name" >"$work/diff-$name" 2>&1; then
    printf '%-12s same   (exit %s)\n' "$name" "$(cat "$work/new/$name/status")"
  else
    printf '%-12s DIFFER\n' "$name"
    head -20 "$work/diff-$name" | sed 's/^/    /'
    failed=1
  fi
done
exit "$failed"
