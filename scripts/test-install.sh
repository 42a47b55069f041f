#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and checks what a
# user gets: the programs run from the installed files (--help and the
# headless demonstration, whose reports must equal those of the build), the
# desktop entries, icons, metainfo files and manual pages are in place, and
# the desktop and AppStream validators have nothing to say.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" >/dev/null
build="$root/build"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "test-install: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null)
debs=("$work"/pkg/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, got: ${debs[*]}"
deb="${debs[0]}"
dpkg-deb -x "$deb" "$work/root"
depends="$(dpkg-deb -f "$deb" Depends)"
for need in libqt6widgets6 fonts-liberation "fonts-ipafont-gothic | fonts-vlgothic"; do
  [[ "$depends" == *"$need"* ]] || fail "Depends lacks $need: $depends"
done

usr="$work/root/usr"
for f in bin/tarvex bin/mulrin share/man/man1/tarvex.1 share/man/man1/mulrin.1; do
  [ -s "$usr/$f" ] || fail "missing $f"
done

# Desktop entries, metainfo and icons of both programs.
png_size() {  # width and height from the PNG header
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}
for program in tarvex mulrin; do
  id="org.cycletools.$program"
  desktop="$usr/share/applications/$id.desktop"
  metainfo="$usr/share/metainfo/$id.metainfo.xml"
  [ -s "$desktop" ] || fail "missing $desktop"
  [ -s "$metainfo" ] || fail "missing $metainfo"
  grep -qx "Exec=$program" "$desktop" || fail "$desktop does not start $program"
  # Only hints may remain: the two main categories Education and Science.
  out="$(desktop-file-validate "$desktop" | grep -v ': hint: ' || true)"
  [ -z "$out" ] || fail "desktop-file-validate: $out"
  appstreamcli validate --no-net "$metainfo" >"$work/as.txt" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/as.txt")"
  for size in 16 22 24 32 48 64 128 256; do
    icon="$usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ -s "$icon" ] || fail "missing $icon"
    [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "$icon is $(png_size "$icon")"
  done
  # The manual page formats without a warning and lists every alias.
  warnings="$(groff -man -Tutf8 -ww -z "$usr/share/man/man1/$program.1" 2>&1)"
  [ -z "$warnings" ] || fail "$program.1: $warnings"
done

# The installed programs run: --help, then the demonstration on the examples.
export QT_QPA_PLATFORM=offscreen
"$usr/bin/tarvex" --help >"$work/help.txt"
grep -q -- '--save-drawing F' "$work/help.txt" || fail "tarvex --help: unexpected text"
demo() {  # BIN_DIR OUT_DIR
  mkdir -p "$2"
  "$1/tarvex" --choose examples/setting.ini --click load \
    --set subtract-file=examples/subtract.txt \
    --set display-interval=2 --set file-interval=5 --set display-factor=1 \
    --set report-file="$2/tarvex-report.txt" \
    --click draw --click calc --print result \
    --save-drawing "$2/tarvex-drawing.png" >"$2/tarvex-stdout.txt"
  "$1/mulrin" --choose examples/setting.ini --click load \
    --set report-file="$2/mulrin-report.txt" \
    --click check-data --print count --print range --click calculate >"$2/mulrin-stdout.txt"
}
cd "$root"
demo "$usr/bin" "$work/installed"
mkdir -p "$work/built-bin"
ln -s "$build/tarvex/tarvex" "$build/mulrin/mulrin" "$work/built-bin/"
demo "$work/built-bin" "$work/built"
for f in tarvex-report.txt tarvex-stdout.txt tarvex-drawing.png mulrin-report.txt mulrin-stdout.txt; do
  [ -s "$work/installed/$f" ] || fail "the installed programs wrote no $f"
  cmp -s "$work/installed/$f" "$work/built/$f" || fail "$f differs from the build's"
done

# The package's dependencies can be met here (nothing is installed).
if command -v apt-get >/dev/null; then
  apt-get install -s -qq "$deb" >"$work/apt.txt" 2>&1 || fail "apt-get: $(cat "$work/apt.txt")"
fi
echo "test-install: $(basename "$deb") installs and runs"
