#!/usr/bin/env bash
# Screenshots of the viewer for comparing a change by eye (and with ImageMagick's compare):
#   scripts/screenshots.sh OUTDIR [LOG]
# writes OUTDIR/light.png, dark.png, wrap.png and dpi144.png of the x86-64 plug-in already built
# in the build tree, each in the stand-in host on its own virtual display, and the options
# dialog's pages in both looks (options-LOOK-PAGE.png, and -144.png at 144 DPI) as the Windows
# tests open it, and a filtered view with highlighted matches in viewers 1000, 700, 500 and 400
# pixels wide (narrow-WIDTH-LOOK.png, and -144.png), to see what a narrow toolbar gives up. The 144 DPI shots run in a copy of the Wine prefix, so the test prefix keeps
# 96 DPI.
set -eu
source "$(dirname "$0")/env.sh"
OUT=${1:?usage: scripts/screenshots.sh OUTDIR [LOG]}
LOG=${2:-$ROOT/tests/data/loghub/Zookeeper_2k.log}
mkdir -p "$OUT" "$BUILD/logs"
OUT=$(cd "$OUT" && pwd)
BIN=$BUILD/win64/bin
[ -f "$BIN/Skerrin.wlx64" ] && [ -f "$BIN/skerrin-host.exe" ] || { echo "build win64 first" >&2; exit 2; }

WORK=$(mktemp -d)
trap 'stop_display; rm -rf "$WORK"' EXIT
ensure_display
ensure_wine_prefix

# name, INI [View] lines, host arguments[, filter text[, search text]]
shoot() {
  local name=$1 ini=$2 args=$3 filter=${4:-} search=${5:-}
  local dir=$WORK/$name
  mkdir -p "$dir"
  cp "$BIN/Skerrin.wlx64" "$BIN/skerrin-host.exe" "$dir/"
  printf '[View]\r\n%b' "$ini" >"$dir/Skerrin.ini"
  local winlog
  winlog=$(/usr/lib/wine/wine64 winepath -w "$LOG" 2>/dev/null | tr -d '\r')
  # shellcheck disable=SC2086
  /usr/lib/wine/wine64 "$dir/skerrin-host.exe" $args ${filter:+--filter "$filter"} ${search:+--search "$search"} \
    --exit-after 7000 "$winlog" &
  local host=$!
  sleep 5
  import -window root -crop 1280x720+0+0 +repage "$OUT/$name.png"
  wait "$host" || true
  wineserver -w
  echo "$OUT/$name.png"
}

# The options dialog over a viewer, every page in the light and the dark look.
options_shots() {  # suffix of the file names
  local dir=$WORK/options$1 name
  [ -f "$BIN/skerrin_wintests.exe" ] || return 0
  mkdir -p "$dir"
  SKERRIN_SHOT_DIR=$(/usr/lib/wine/wine64 winepath -w "$dir" 2>/dev/null | tr -d '\r') \
    /usr/lib/wine/wine64 "$BIN/skerrin_wintests.exe" --gtest_filter=OptionsDialog.Screenshots >"$BUILD/logs/options-shots.log" 2>&1
  wineserver -w
  for name in "$dir"/*.bmp; do
    [ -f "$name" ] || continue
    convert "$name" -crop 1280x720+0+0 +repage "$OUT/$(basename "${name%.bmp}")$1.png"
    echo "$OUT/$(basename "${name%.bmp}")$1.png"
  done
}

# The filter keeps the lines naming a server's address and hides the workers' ones; the search
# highlights a port.
narrow_shots() {  # suffix of the file names
  local width
  for width in 1000 700 500 400; do
    shoot "narrow-$width-light$1" '' "--client ${width}x420" '10.10.34 !Worker' 3888
    shoot "narrow-$width-dark$1" '' "--client ${width}x420 --dark" '10.10.34 !Worker' 3888
  done
}

shoot light '' ''
shoot dark '' '--dark'
shoot wrap 'WordWrap=1\r\n' '--size 700x600'
options_shots ''
narrow_shots ''

# 144 DPI: the same prefix with the font DPI raised, as the system's display setting does.
cp -a "$WINEPREFIX" "$WORK/prefix144"
export WINEPREFIX=$WORK/prefix144
for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
  /usr/lib/wine/wine64 reg add "$key" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
done
wineserver -w
shoot dpi144 '' ''
options_shots -144
narrow_shots -144
