#!/usr/bin/env bash
# Builds the three configurations and runs every test: the unit tests natively under
# AddressSanitizer and UndefinedBehaviorSanitizer, the tests of the load's threads under
# ThreadSanitizer, the same unit tests and the Windows-only tests under Wine for x86-64 and
# i386, the checks of the built plug-in files and of the package.
# Ends with "N passed, N failed"; exits non-zero when anything failed or did not run.
set -u
source "$(dirname "$0")/scripts/env.sh"
mkdir -p "$BUILD/logs"

PASSED=0
FAILED=0
pass() { PASSED=$((PASSED + $1)); }
fail() { FAILED=$((FAILED + $1)); printf 'FAILED: %s\n' "$2"; }

# Adds one GoogleTest run to the totals; a run that crashed or printed no result counts as failed.
run_gtest() {  # label, command...
  local label=$1; shift
  local out=$BUILD/logs/$label.log
  local started=$SECONDS
  timeout 900 "$@" >"$out" 2>&1
  local rc=$?
  local p f
  p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$out" | tail -n 1)
  f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below.*/\1/p' "$out" | tail -n 1)
  p=${p:-0}; f=${f:-0}
  pass "$p"
  [ "$f" -gt 0 ] && { fail "$f" "$label"; grep '^\[  FAILED  \]' "$out" | grep -v 'listed below' | sort -u; }
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then
    fail 1 "$label did not complete (exit $rc), see $out"
    tail -n 15 "$out"
  fi
  printf '%-22s %4d passed, %d failed  (%d s)\n' "$label" "$p" "$f" $((SECONDS - started))
}

check() {  # label, command...
  local label=$1; shift
  if "$@" >"$BUILD/logs/check-$label.log" 2>&1; then pass 1; printf '%-22s ok\n' "$label"
  else fail 1 "$label"; tail -n 15 "$BUILD/logs/check-$label.log"; fi
}

exports_are_plain() {  # plug-in file, objdump
  local names
  names=$("$2" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p')
  echo "$names"
  local wanted
  for wanted in ListLoad ListLoadW ListLoadNext ListLoadNextW ListCloseWindow ListGetDetectString ListSetDefaultParams \
    ListSendCommand ListSearchText ListSearchTextW ListSearchDialog; do
    echo "$names" | grep -qx "$wanted" || { echo "missing export: $wanted"; return 1; }
  done
  [ "$(echo "$names" | grep -c .)" -eq 11 ] || { echo "not the eleven exports of the lister interface"; return 1; }
  ! echo "$names" | grep -q '@'
}

only_system_dlls() {  # plug-in file, objdump
  local dlls
  dlls=$("$2" -p "$1" | sed -n 's/^\s*DLL Name: //p')
  echo "$dlls"
  ! echo "$dlls" | grep -qiv -E '^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|shell32|ole32|msvcrt|imm32|uxtheme|dwmapi|dbghelp)\.dll$'
}

ensure_packages || { echo "0 passed, 1 failed"; exit 1; }
for config in native win64 win32; do
  log "building $config"
  if ! "build_$config"; then fail 1 "build $config"; fi
done

log "native unit tests (ASan + UBSan)"
[ -x "$BUILD/native/bin/skerrin_tests" ] && run_gtest native env ASAN_OPTIONS=detect_leaks=1 "$BUILD/native/bin/skerrin_tests"

log "the load's threads under ThreadSanitizer"
# A tree of its own with just the core and the tests of the load on a worker thread, so that the
# step costs a minute or two; a race fails the run (ThreadSanitizer's exit code).
if cmake -S "$ROOT" -B "$BUILD/tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKERRIN_TSAN=ON -DSKERRIN_WERROR=ON \
    >"$BUILD/logs/configure-tsan.log" 2>&1 \
  && cmake --build "$BUILD/tsan" -j "$JOBS" --target skerrin_tsan_tests >"$BUILD/logs/build-tsan.log" 2>&1; then
  run_gtest tsan "$BUILD/tsan/bin/skerrin_tsan_tests"
else
  fail 1 "build tsan (see $BUILD/logs/build-tsan.log)"
fi

log "fuzz targets (about a minute) and skerrin-dump under a memory limit"
source "$ROOT/fuzz/fuzz.sh" && fuzz_step 10

log "checking the include graph and the plug-in files"
check include-graph "$ROOT/scripts/check-includes.sh"
# About a minute and a half on two cores: every product unit under the checks of .clang-tidy.
check clang-tidy "$ROOT/scripts/tidy.sh"
check exports-win32 exports_are_plain "$BUILD/win32/bin/Skerrin.wlx" i686-w64-mingw32-objdump
check exports-win64 exports_are_plain "$BUILD/win64/bin/Skerrin.wlx64" x86_64-w64-mingw32-objdump
check imports-win32 only_system_dlls "$BUILD/win32/bin/Skerrin.wlx" i686-w64-mingw32-objdump
check imports-win64 only_system_dlls "$BUILD/win64/bin/Skerrin.wlx64" x86_64-w64-mingw32-objdump

log "Windows tests under Wine"
trap stop_display EXIT
ensure_display || fail 1 "no X display"
ensure_wine_prefix || fail 1 "Wine prefix"
log "i386 programs run $(i386_mode)"
ensure_i386 || fail 1 "preparing the i386 programs' run (see $BUILD/logs)"
for arch in win64 win32; do
  for t in skerrin_tests skerrin_wintests; do
    exe=$BUILD/$arch/bin/$t.exe
    if [ -f "$exe" ]; then run_gtest "$arch-$t" "$(wine_loader "$arch")" "$exe"
    else fail 1 "$arch $t was not built"; fi
  done
done

log "the installable package"
PKG=$BUILD/package-check
check package "$ROOT/package.sh"
check package-contents "$ROOT/packaging/check-package.sh" "$PKG" "$BUILD/native/bin/skerrin-dump"
check package-exports-win32 exports_are_plain "$PKG/Skerrin.wlx" i686-w64-mingw32-objdump
check package-exports-win64 exports_are_plain "$PKG/Skerrin.wlx64" x86_64-w64-mingw32-objdump
check package-imports-win32 only_system_dlls "$PKG/Skerrin.wlx" i686-w64-mingw32-objdump
check package-imports-win64 only_system_dlls "$PKG/Skerrin.wlx64" x86_64-w64-mingw32-objdump
# The stripped Release files must still load and show a log; each host loads the plug-in of its
# own processor beside it.
cp "$BUILD/win64/bin/skerrin-host.exe" "$PKG/" 2>/dev/null
cp "$BUILD/win32/bin/skerrin-host.exe" "$PKG/skerrin-host32.exe" 2>/dev/null
check package-loads-win64 "$(wine_loader win64)" "$PKG/skerrin-host.exe" --exit-after 1500 "$ROOT/tests/data/syslog.log"
check package-loads-win32 "$(wine_loader win32)" "$PKG/skerrin-host32.exe" --exit-after 1500 "$ROOT/tests/data/syslog.log"

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ] && [ "$PASSED" -gt 0 ]
