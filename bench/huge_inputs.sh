#!/usr/bin/env bash
# Loads of inputs too large or too odd for the test suite, with their time and peak memory: a
# log of 4 GB (40 million lines), a file of 2^31 - 2 bytes, a line of more than 2 GiB, a single
# 100 MB line, ten million empty lines, and loads under an address-space limit. Uses skerrin-dump
# of the Release tree (built here when missing); the files go to a scratch folder that is removed.
#
#   bench/huge_inputs.sh [SCRATCH_DIR]     (needs about 4 GB of disk and 7 GB of memory)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${SKERRIN_BUILD:-$ROOT/build}
TREE=$BUILD/release
if [ ! -x "$TREE/bin/skerrin-dump" ]; then
  cmake -S "$ROOT" -B "$TREE" -DCMAKE_BUILD_TYPE=Release -DSKERRIN_TESTS=OFF >/dev/null &&
    cmake --build "$TREE" -j "$(nproc)" --target skerrin-dump >/dev/null || exit 1
fi
TOOL=$TREE/bin/skerrin-dump
SCRATCH=$(mktemp -d "${1:-${TMPDIR:-/tmp}}/skerrin-huge.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
STATUS=0

# Runs the tool on a file; prints the case, exit code, wall time, peak resident memory and
# what the tool said (the line count or the reason it refused).
run() {  # label, expected exit code, limit in KiB or -, file
  local label=$1 want=$2 limit=$3 file=$4 stats=$SCRATCH/time.txt out rc
  cat "$file" >/dev/null  # the file was just written: read from the cache, as the others are
  out=$( (
    [ "$limit" != - ] && ulimit -v "$limit"
    /usr/bin/time -f '%e %M' -o "$stats" "$TOOL" --summary "$file"
  ) 2>&1)
  rc=$?
  local said
  said=$(echo "$out" | sed -n 's/^lines\t/lines /p; s/^skerrin-dump: //p' | head -n 1)
  read -r secs kib < <(tail -n 1 "$stats")
  printf '%-38s exit %d  %7.2f s  %6d MB peak  %s\n' "$label" "$rc" "$secs" $((kib / 1024)) "$said"
  [ "$rc" -eq "$want" ] || { echo "  expected exit $want"; STATUS=1; }
}

LINE=$(printf '2024-05-06 07:08:09 INFO [main] app - %061d' 0)
yes "$LINE" | head -n 40000000 >"$SCRATCH/big.log"
run "log of 4 GB (40,000,000 100 B lines)" 0 - "$SCRATCH/big.log"
rm -f "$SCRATCH/big.log"

# The largest file whose text a 32-bit process's list can hold: 2^31 - 2 bytes.
yes "$LINE" | head -c $(((1 << 31) - 2)) >"$SCRATCH/under.log"
run "file of 2^31 - 2 bytes (100 B lines)" 0 - "$SCRATCH/under.log"
rm -f "$SCRATCH/under.log"

# A sparse file is one line of zeros, longer than a line's 32-bit length.
truncate -s $(((1 << 31) + 10)) "$SCRATCH/over.log"
run "sparse file of 2^31 + 10 bytes" 1 - "$SCRATCH/over.log"
rm -f "$SCRATCH/over.log"

head -c $((100 << 20)) /dev/zero | tr '\0' 'x' >"$SCRATCH/line.log"
run "one line of 100 MB" 0 - "$SCRATCH/line.log"

yes '' | head -n 10000000 >"$SCRATCH/empty.log"
run "ten million empty lines" 0 - "$SCRATCH/empty.log"

run "100 MB line under a 64 MB limit" 1 $((64 << 10)) "$SCRATCH/line.log"
run "10M empty lines under a 256 MB limit" 1 $((256 << 10)) "$SCRATCH/empty.log"
exit $STATUS
