#!/usr/bin/env bash
# clang-tidy over the product's own sources with the checks of .clang-tidy:
#   scripts/tidy.sh            # every unit; exit 1 on any finding
#   scripts/tidy.sh FILE...    # only these
# The Windows sources are read as the x86-64 build compiles them (clang with MinGW-w64's headers
# and libstdc++), the POSIX ones as the native build does; both trees are configured here with
# a compilation database and nothing is built.
set -u
source "$(dirname "$0")/env.sh"
mkdir -p "$BUILD/logs"
cd "$ROOT"

configure_db() {  # name, extra cmake arguments...
  local name=$1; shift
  cmake -S "$ROOT" -B "$BUILD/$name" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DSKERRIN_TESTS=OFF "$@" \
    >"$BUILD/logs/configure-$name.log" 2>&1 || { tail -20 "$BUILD/logs/configure-$name.log" >&2; exit 1; }
}
configure_db tidy-win64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
configure_db tidy-native

# clang does not find the MinGW compiler's own C++ library on its own.
GCC_DIR=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
WIN_ARGS=(-extra-arg=--target=x86_64-w64-mingw32 -extra-arg=-nostdinc++
  -extra-arg=-isystem"$GCC_DIR/include/c++" -extra-arg=-isystem"$GCC_DIR/include/c++/x86_64-w64-mingw32")

PRODUCT='(platform|model|settings|loader|toolkit|viewer|options|plugin|tools|bench)/'
if [ $# -gt 0 ]; then
  WIN_FILES=$(printf '%s\n' "$@" | grep -v '_posix\.cpp$' | sed "s|^|$ROOT/|" | paste -sd'|')
  NATIVE_FILES=$(printf '%s\n' "$@" | grep '_posix\.cpp$' | sed "s|^|$ROOT/|" | paste -sd'|')
else
  WIN_FILES="$ROOT/$PRODUCT"
  NATIVE_FILES="$ROOT/platform/.*_posix\.cpp"
fi

STATUS=0
run() {  # database, file regex, extra arguments...
  local db=$1 files=$2; shift 2
  [ -n "$files" ] || return 0
  run-clang-tidy -quiet -j "$JOBS" -p "$BUILD/$db" "$@" "$files" >"$BUILD/logs/tidy-$db.log" 2>&1
  # run-clang-tidy's own exit code is not reliable across versions: the findings decide.
  if grep -q -E '(warning|error): ' "$BUILD/logs/tidy-$db.log"; then
    sed 's/\x1b\[[0-9;]*m//g' "$BUILD/logs/tidy-$db.log" | grep -E -A3 '(warning|error): ' | head -80
    STATUS=1
  fi
}
run tidy-win64 "$WIN_FILES" "${WIN_ARGS[@]}"
run tidy-native "$NATIVE_FILES"
[ "$STATUS" = 0 ] && echo "clang-tidy: no findings"
exit $STATUS
