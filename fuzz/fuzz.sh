#!/usr/bin/env bash
# The fuzz targets: built with clang in a tree of their own, run from the seeds in
# fuzz/corpus with the dictionaries in fuzz/dict, plus two checks of skerrin-dump under an
# address-space limit (the uninstrumented build of that tree, since a sanitizer reserves more
# address space than the limit allows).
#
#   fuzz/fuzz.sh [SECONDS] [TARGET...]   runs each target (default: all) SECONDS long (300)
#
# test.sh sources this file and calls fuzz_step, which gives every target a short fixed budget
# and counts each target and each check as one passed or failed check. What the targets find
# stays in $BUILD/fuzz-work (grown corpora, crash-* inputs).

FUZZ_TARGETS=(load custom settings tail filter)

fuzz_ensure_packages() {
  local PACKAGES=(clang-14 libclang-rt-14-dev)
  ensure_packages
}

fuzz_build() {
  local dir=$BUILD/fuzz
  mkdir -p "$BUILD/logs"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKERRIN_FUZZ=ON -DSKERRIN_TESTS=OFF \
      >"$BUILD/logs/configure-fuzz.log" 2>&1 || { tail -30 "$BUILD/logs/configure-fuzz.log" >&2; return 1; }
  fi
  cmake --build "$dir" -j "$JOBS" --target skerrin_fuzz >"$BUILD/logs/build-fuzz.log" 2>&1 \
    || { grep -E -B2 -A6 'error' "$BUILD/logs/build-fuzz.log" | head -60 >&2; return 1; }
}

# Runs one target; prints "executions exec/s coverage features" from libFuzzer's last status.
fuzz_run() {  # target, seconds
  local target=$1 seconds=$2
  local work=$BUILD/fuzz-work/$target log=$BUILD/logs/fuzz-$target.log
  mkdir -p "$work/corpus"
  local dict=$ROOT/fuzz/dict/log.dict
  [ "$target" = settings ] && dict=$ROOT/fuzz/dict/settings.dict
  (cd "$work" && ASAN_OPTIONS=detect_leaks=1 timeout $((seconds + 120)) "$BUILD/fuzz/bin/fuzz_$target" \
    -max_total_time="$seconds" -max_len=4096 -timeout=20 -dict="$dict" -print_final_stats=1 \
    "$work/corpus" "$ROOT/fuzz/corpus/$target" >"$log" 2>&1)
  local rc=$?
  local status execs
  status=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -n 1)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  printf '%s %s %s %s\n' "${execs:-0}" \
    "$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")" \
    "$(echo "$status" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')" \
    "$(echo "$status" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')"
  return $rc
}

# A log too large for the address space must be refused with its reason; a log whose dump
# needs more memory than is left must print or fail with a message, never abort.
fuzz_memory_limits() {  # prints one line per check; returns the number of failed checks
  local tool=$BUILD/fuzz/bin/skerrin-dump dir failed=0 out rc
  dir=$(mktemp -d)
  head -c $((96 << 20)) /dev/zero | tr '\0' 'x' >"$dir/wide.log"
  out=$( (ulimit -v $((64 << 10)); "$tool" --summary "$dir/wide.log") 2>&1 >/dev/null); rc=$?
  if [ $rc -eq 1 ] && [ "$out" = "skerrin-dump: cannot load $dir/wide.log: Not enough memory to load 96 MB" ]; then
    echo "memory-limit-load      ok"
  else
    echo "FAILED: memory-limit-load: exit $rc, $out"; failed=$((failed + 1))
  fi
  yes x | head -n 2000000 >"$dir/many.log"
  out=$( (ulimit -v $((180 << 10)); "$tool" "$dir/many.log") 2>&1 >/dev/null); rc=$?
  if [ $rc -eq 0 ] || { [ $rc -eq 1 ] && [[ "$out" == "skerrin-dump: "* ]]; }; then
    echo "memory-limit-dump      ok (exit $rc)"
  else
    echo "FAILED: memory-limit-dump: exit $rc, $out"; failed=$((failed + 1))
  fi
  rm -rf "$dir"
  return $failed
}

# The step of test.sh: pass and fail are test.sh's counters.
fuzz_step() {  # seconds per target
  local seconds=${1:-10}
  if ! fuzz_ensure_packages || ! fuzz_build; then fail 1 "build fuzz targets"; return; fi
  # Each run of the suite starts from the seeds, so that its budget buys the same search.
  rm -rf "$BUILD/fuzz-work"
  local target line
  for target in "${FUZZ_TARGETS[@]}"; do
    if line=$(fuzz_run "$target" "$seconds"); then
      pass 1
      set -- $line
      printf '%-22s ok: %s runs, %s exec/s, cov %s, ft %s\n' "fuzz-$target" "$1" "$2" "$3" "$4"
    else
      fail 1 "fuzz-$target (see $BUILD/logs/fuzz-$target.log)"
      grep -E 'property broken|ERROR|SUMMARY|Test unit written' "$BUILD/logs/fuzz-$target.log" | head -5
    fi
  done
  local report failed
  report=$(fuzz_memory_limits); failed=$?
  echo "$report"
  pass $((2 - failed))
  [ $failed -gt 0 ] && FAILED=$((FAILED + failed))
  return 0
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  source "$(dirname "$0")/../scripts/env.sh"
  fuzz_ensure_packages && fuzz_build || exit 1
  seconds=${1:-300}
  shift || true
  targets=("$@")
  [ ${#targets[@]} -eq 0 ] && targets=("${FUZZ_TARGETS[@]}")
  status=0
  for target in "${targets[@]}"; do
    if line=$(fuzz_run "$target" "$seconds"); then result=ok; else result=FAILED; status=1; fi
    set -- $line
    printf '%-10s %-6s %10s runs %7s exec/s  cov %5s  ft %6s\n' "$target" "$result" "$1" "$2" "$3" "$4"
  done
  fuzz_memory_limits || status=1
  exit $status
fi
