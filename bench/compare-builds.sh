#!/usr/bin/env bash
# Load speed of the native build beside the Windows build under Wine, on the same generated logs,
# and the plug-in's time from ListLoadW to the first complete paint (listbox and wrap view) with
# a filter rebuild. Not part of the test suite: it takes minutes and wants a quiet machine.
#
#   bench/compare-builds.sh [--size MB] [--runs N] [--dir DIR] [--kind KIND]... [--no-plugin] [--i386]
#                           [--huge MB]...
#
# Builds what it needs (native Release in build/release, the Windows programs in build/win64 and,
# with --i386, build/win32), writes the logs to DIR (default /tmp/skerrin-bench, kept for the next
# run) and prints Markdown tables. MB/s is from the best wall time of N runs, ns/line from the best
# processor time; the ratios compare processor times with the native build, and the plug-in's
# wall times with the Windows loader alone.
#
# A last table shows the load on a worker thread as the viewer's reader sees it, on the Log4j
# log and on larger ones given with --huge (written for the run and removed after it): the time
# Start takes on the reader's thread, the time to the first published rows and to the complete
# load, peak memory, the longest Take, and for a load cancelled half-way through, the time until
# the worker has stopped and the time the log then takes to be freed. Then the plug-in opens the
# same logs (x86-64 and, up to 512 MB, i386): the time to the first screen of rows and to the
# complete load, its peak memory, the longest wait of the host's message loop meanwhile, and the
# time ListLoadNextW and ListCloseWindow take while the file loads.
set -eu
source "$(dirname "$0")/../scripts/env.sh"
mkdir -p "$BUILD/logs"

SIZE=128
RUNS=3
DIR=/tmp/skerrin-bench
KINDS=()
PLUGIN=1
I386=0
HUGE=()
while [ $# -gt 0 ]; do
  case $1 in
    --size) SIZE=$2; shift 2 ;;
    --runs) RUNS=$2; shift 2 ;;
    --dir) DIR=$2; shift 2 ;;
    --kind) KINDS+=("$2"); shift 2 ;;
    --no-plugin) PLUGIN=0; shift ;;
    --i386) I386=1; shift ;;
    --huge) HUGE+=("$2"); shift 2 ;;
    *) echo "usage: $0 [--size MB] [--runs N] [--dir DIR] [--kind KIND]... [--no-plugin] [--i386] [--huge MB]..." >&2; exit 2 ;;
  esac
done
[ ${#KINDS[@]} -gt 0 ] || KINDS=(log4j access syslog json short long utf16)
mkdir -p "$DIR"

build_targets() {  # dir, cmake arguments..., --, targets...
  local dir=$1; shift
  local args=()
  while [ "$1" != -- ]; do args+=("$1"); shift; done
  shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" "${args[@]}" >"$BUILD/logs/configure-$(basename "$dir").log" 2>&1
  fi
  cmake --build "$dir" -j "$JOBS" --target "$@" >"$BUILD/logs/bench-build-$(basename "$dir").log" 2>&1 \
    || { tail -30 "$BUILD/logs/bench-build-$(basename "$dir").log" >&2; exit 1; }
}

log "building the benchmarks"
build_targets "$BUILD/release" -DCMAKE_BUILD_TYPE=Release -DSKERRIN_TESTS=OFF -- skerrin-bench
build_targets "$BUILD/win64" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -- skerrin-bench skerrin-openbench skerrin_plugin
WIN_ARCHES=(win64)
if [ "$I386" = 1 ]; then
  build_targets "$BUILD/win32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -- skerrin-bench skerrin-openbench skerrin_plugin
  WIN_ARCHES+=(win32)
fi

trap stop_display EXIT
ensure_wine_prefix
if [ "$I386" = 1 ]; then
  log "i386 programs run $(i386_mode)"
  ensure_i386 || { log "preparing the i386 programs' run failed (see $BUILD/logs)"; exit 1; }
fi
wine_path() { /usr/lib/wine/wine64 winepath -w "$1" 2>/dev/null | tr -d '\r'; }

file_for() {  # kind, MB
  local file=$DIR/skerrin-bench-$1-${2}mb.log
  [ -f "$file" ] || "$BUILD/release/bin/skerrin-bench" --generate "$1" "$2" "$file"
  echo "$file"
}

# Figures of one load run: "lines bytes wall cpu peakKiB format"; zeros when it failed.
native_load() { "$BUILD/release/bin/skerrin-bench" --load "$@" --runs "$RUNS" || echo "0 0 0 0 0 0"; }
wine_load() {  # arch, file
  "$(wine_loader "$1")" "$BUILD/$1/bin/skerrin-bench.exe" --load "$(wine_path "$2")" --runs "$RUNS" | tr -d '\r' \
    | grep . || echo "0 0 0 0 0 0"
}

declare -A WINE_WALL WINE_CPU
echo
echo "Loader: $SIZE MB per file, best of $RUNS runs. \"4K\" is the native build without transparent huge"
echo "pages, which the Windows build cannot have; the last columns compare the Windows build with it."
echo
header="| log | MB | lines | native MB/s | native ns/line | native peak/size | native 4K ns/line |"
rule="|---|---:|---:|---:|---:|---:|---:|"
for arch in "${WIN_ARCHES[@]}"; do
  header+=" $arch MB/s | $arch ns/line | $arch peak/size | $arch/native | $arch/native 4K |"
  rule+="---:|---:|---:|---:|---:|"
done
echo "$header"
echo "$rule"
for kind in "${KINDS[@]}"; do
  file=$(file_for "$kind" "$SIZE")
  cat "$file" >/dev/null
  read -r lines bytes wall cpu peak _ < <(native_load "$file")
  read -r _ _ _ smallcpu _ < <(native_load "$file" --small-pages)
  row=$(awk -v k="$kind" -v l="$lines" -v b="$bytes" -v w="$wall" -v c="$cpu" -v p="$peak" -v s="$smallcpu" \
    'BEGIN { printf "| %s | %.0f | %d | %.0f | %.1f | %.2f | %.1f |", k, b/1048576, l, (w>0?b/1048576/w:0), (l>0?c*1e9/l:0), (b>0?p*1024/b:0), (l>0?s*1e9/l:0) }')
  for arch in "${WIN_ARCHES[@]}"; do
    read -r wlines _ wwall wcpu wpeak _ < <(wine_load "$arch" "$file")
    [ "$wlines" = "$lines" ] || echo "warning: $arch read $wlines lines of $kind, native $lines" >&2
    WINE_WALL[$arch-$kind]=$wwall
    WINE_CPU[$arch-$kind]=$wcpu
    row+=$(awk -v l="$lines" -v b="$bytes" -v w="$wwall" -v c="$wcpu" -v p="$wpeak" -v nc="$cpu" -v sc="$smallcpu" \
      'BEGIN { printf " %.0f | %.1f | %.2f | %.2f | %.2f |", (w>0?b/1048576/w:0), (l>0?c*1e9/l:0), (b>0?p*1024/b:0), (nc>0?c/nc:0), (sc>0?c/sc:0) }')
  done
  echo "$row"
done

# Figures of the load on a worker thread: "lines bytes start first done peakKiB longest-take-ms",
# then the time a cancel takes to stop the worker and the time the log then takes to be freed;
# zeros when it failed.
background_figures() {  # arch (native, win64, win32), file
  local run
  if [ "$1" = native ]; then run=("$BUILD/release/bin/skerrin-bench" --background "$2")
  else run=("$(wine_loader "$1")" "$BUILD/$1/bin/skerrin-bench.exe" --background "$(wine_path "$2")"); fi
  local figures cancel
  figures=$("${run[@]}" --runs "$RUNS" | tr -d '\r' | grep .) || figures="0 0 0 0 0 0 0"
  # Cancelled half-way through.
  local half
  half=$(echo "$figures" | awk '{ printf "%d", $5 * 500 }')
  cancel=$("${run[@]}" --runs 1 --cancel-after "$half" | tr -d '\r' | awk '{ print $5, $8 }') || cancel="0 0"
  echo "$(echo "$figures" | cut -d' ' -f1-7) ${cancel:-0 0}"
}

echo
echo "The load on a worker thread, as the viewer's reader takes it (Log4j lines): seconds, best of $RUNS."
echo
echo "| build | MB | lines | start s | first rows s | complete s | peak / size | longest take ms | cancel: stop s | free s |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
ALL_ARCHES=(native "${WIN_ARCHES[@]}")
for size in "$SIZE" "${HUGE[@]}"; do
  file=$(file_for log4j "$size")
  cat "$file" >/dev/null
  for arch in "${ALL_ARCHES[@]}"; do
    # A 32-bit process holds no more than some hundreds of megabytes of log.
    [ "$arch" = win32 ] && [ "$size" -gt 512 ] && continue
    read -r lines bytes start first done peak take stop freed < <(background_figures "$arch" "$file")
    awk -v a="$arch" -v l="$lines" -v b="$bytes" -v s="$start" -v f="$first" -v d="$done" -v p="$peak" -v t="$take" \
      -v c="$stop" -v r="$freed" 'BEGIN { printf "| %s | %.0f | %d | %.4f | %.4f | %.2f | %.2f | %.1f | %.3f | %.3f |\n", a, b/1048576, l, s, f, d, (b>0?p*1024/b:0), t, c, r }'
  done
  # The plug-in's table below opens the larger logs again.
  [ "$size" = "$SIZE" ] || [ "$PLUGIN" = 1 ] || rm -f "$file"
done

[ "$PLUGIN" = 1 ] || exit 0
ensure_display
echo
echo "Plug-in under Wine: ListLoadW to the first complete paint, then a filter for \"error\" and back."
echo "Wall seconds, best of $RUNS; \"x loader\" compares processor times with the Windows loader alone."
echo
echo "| build | log | lines | loader s | listbox s | x loader | wrap view s | x loader | ns/line (listbox) | filter s | unfilter s |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
# The first GUI programs of a fresh Wine session now and then fail to start their window: up to
# three tries.
open_bench() {  # arch, file, options...
  local arch=$1 file=$2; shift 2
  local exe=$BUILD/$arch/bin/skerrin-openbench.exe try
  for try in 1 2 3; do
    "$(wine_loader "$arch")" "$exe" "$@" --runs "$RUNS" "$file" | tr -d '\r' | grep . && return 0
    sleep 1
  done
  return 1
}
# The short-line log at half the size as well: the open time must grow linearly with the lines.
HALF=$((SIZE / 2))
for arch in "${WIN_ARCHES[@]}"; do
  for kind in "${KINDS[@]}" short-half; do
    if [ "$kind" = short-half ]; then
      file=$(file_for short "$HALF"); label="short ($HALF MB)"
      read -r _ _ loader loadercpu _ _ < <(wine_load "$arch" "$file")
    else
      file=$(file_for "$kind" "$SIZE"); label=$kind; loader=${WINE_WALL[$arch-$kind]}; loadercpu=${WINE_CPU[$arch-$kind]}
    fi
    read -r lines _ < <(native_load "$file")
    winfile=$(wine_path "$file")
    open=0 opencpu=0 filter=0 unfilter=0 wrap=0 wrapcpu=0
    read -r open opencpu filter unfilter _ < <(open_bench "$arch" "$winfile") || echo "warning: the listbox run on $label failed" >&2
    read -r wrap wrapcpu _ < <(open_bench "$arch" "$winfile" --wrap) || echo "warning: the wrap-view run on $label failed" >&2
    awk -v a="$arch" -v k="$label" -v l="$lines" -v d="$loader" -v dc="$loadercpu" -v o="$open" -v oc="$opencpu" \
      -v w="$wrap" -v wc="$wrapcpu" -v f="$filter" -v u="$unfilter" \
      'BEGIN { printf "| %s | %s | %d | %.3f | %.3f | %.2f | %.3f | %.2f | %.0f | %.3f | %.3f |\n", a, k, l, d, o, (dc>0?oc/dc:0), w, (dc>0?wc/dc:0), (l>0?oc*1e9/l:0), f, u }'
  done
done

echo
echo "The plug-in under Wine on Log4j logs, read on a worker thread: ListLoadW to the first screen of rows"
echo "and to the complete load (seconds, best of $RUNS), the longest the host's message loop waited"
echo "meanwhile, and ListLoadNextW and ListCloseWindow while the file loads."
echo
echo "| build | MB | lines | first screen s | complete s | peak / size | longest wait ms | ListLoadNextW ms | ListCloseWindow ms |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|"
for size in "$SIZE" "${HUGE[@]}"; do
  file=$(file_for log4j "$size")
  read -r lines _ < <(native_load "$file")
  for arch in "${WIN_ARCHES[@]}"; do
    [ "$arch" = win32 ] && [ "$size" -gt 512 ] && continue
    read -r done _ _ _ peak first longest _ next close < <(open_bench "$arch" "$(wine_path "$file")" --no-filter) \
      || { echo "warning: the plug-in's run on $size MB failed" >&2; continue; }
    awk -v a="$arch" -v m="$size" -v l="$lines" -v f="$first" -v d="$done" -v p="$peak" -v w="$longest" -v n="$next" \
      -v c="$close" 'BEGIN { printf "| %s | %d | %d | %.3f | %.2f | %.2f | %.0f | %.0f | %.0f |\n", a, m, l, f, d, p/(m*1024), w, n, c }'
  done
  [ "$size" = "$SIZE" ] || rm -f "$file"
done
