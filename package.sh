#!/usr/bin/env bash
# Builds both plug-in files in Release and writes out/skerrin-<version>.zip, the archive a user
# opens in the file manager to install the plug-in: Skerrin.wlx64, Skerrin.wlx, pluginst.inf,
# readme.txt and Skerrin.sample.ini. The archive never holds a Skerrin.ini, so installing over
# an older version keeps the user's settings.
# The version is the one in project() of CMakeLists.txt.
set -eu
source "$(dirname "$0")/scripts/env.sh"
mkdir -p "$BUILD/logs" "$ROOT/out"
ensure_packages

# Build trees of their own (no tests, no sanitizers) and only the plug-in target, so that a
# package costs two short builds.
build_release_plugin() {  # name, toolchain file
  local dir=$BUILD/$1
  log "building the plug-in for $1"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$2" -DCMAKE_BUILD_TYPE=Release \
      -DSKERRIN_TESTS=OFF >"$BUILD/logs/configure-$1.log" 2>&1 \
      || { tail -30 "$BUILD/logs/configure-$1.log" >&2; return 1; }
  fi
  cmake --build "$dir" -j "$JOBS" --target skerrin_plugin >"$BUILD/logs/build-$1.log" 2>&1 \
    || { grep -E -B2 -A6 'error|Error' "$BUILD/logs/build-$1.log" | head -60 >&2; return 1; }
}
build_release_plugin package-win64 mingw-w64-x86_64.cmake
build_release_plugin package-win32 mingw-w64-i686.cmake

VERSION=$(sed -n 's/^#define SKERRIN_VERSION_TEXT "\(.*\)"$/\1/p' "$BUILD/package-win64/generated/uVersion.h")
[ -n "$VERSION" ] || { echo "no version in the build tree" >&2; exit 1; }

STAGE=$BUILD/package-stage
rm -rf "$STAGE"
mkdir -p "$STAGE"
# The static runtime brings its debug sections along; users need none of them.
x86_64-w64-mingw32-strip -o "$STAGE/Skerrin.wlx64" "$BUILD/package-win64/bin/Skerrin.wlx64"
i686-w64-mingw32-strip -o "$STAGE/Skerrin.wlx" "$BUILD/package-win32/bin/Skerrin.wlx"
# Text files with Windows line ends, for Notepad and the file manager's own INI reader.
for f in pluginst.inf readme.txt Skerrin.sample.ini; do
  sed -e "s/@SKERRIN_VERSION@/$VERSION/g" -e 's/$/\r/' "$ROOT/packaging/$f" >"$STAGE/$f"
done

ZIP=$ROOT/out/skerrin-$VERSION.zip
rm -f "$ZIP"
# A fixed time stamp, so that the same sources give the same archive.
(cd "$STAGE" && cmake -E tar cf "$ZIP" --format=zip --mtime="2000-01-01 00:00:00" \
  Skerrin.wlx64 Skerrin.wlx pluginst.inf readme.txt Skerrin.sample.ini)
log "package: out/$(basename "$ZIP") ($(stat -c %s "$ZIP") bytes)"
