# Shared set-up for the project's commands (sourced by test.sh and run.sh): installs what is
# missing on a fresh Debian machine, builds the three configurations and prepares Wine.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${SKERRIN_BUILD:-$ROOT/build}
JOBS=$(nproc 2>/dev/null || echo 2)
export WINEPREFIX=$BUILD/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

log() { printf '== %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

PACKAGES=(cmake g++ make libgtest-dev googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine32:i386 xvfb x11-utils imagemagick clang-tidy)

ensure_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  mkdir -p "$BUILD"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then as_root dpkg --add-architecture i386; fi
  as_root apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends "${missing[@]}" >"$BUILD/apt.log" 2>&1 \
    || { tail -20 "$BUILD/apt.log" >&2; return 1; }
}

configure_and_build() {  # name, extra cmake arguments...
  local name=$1; shift
  local dir=$BUILD/$name
  # Configured every time, so that a tree made before an option was added still gets it.
  cmake -S "$ROOT" -B "$dir" "$@" >"$BUILD/logs/configure-$name.log" 2>&1 \
    || { tail -30 "$BUILD/logs/configure-$name.log" >&2; return 1; }
  cmake --build "$dir" -j "$JOBS" >"$BUILD/logs/build-$name.log" 2>&1 \
    || { grep -E -B2 -A6 'error|Error' "$BUILD/logs/build-$name.log" | head -60 >&2; return 1; }
}

# The project's own builds treat every warning as an error.
build_native() { configure_and_build native -DCMAKE_BUILD_TYPE=Debug -DSKERRIN_SANITIZE=ON -DSKERRIN_WERROR=ON; }
build_win64() { configure_and_build win64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKERRIN_WERROR=ON; }
build_win32() { configure_and_build win32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKERRIN_WERROR=ON; }

ensure_display() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && return 0
  local n=77
  while [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

stop_display() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  wineserver -k >/dev/null 2>&1 || true
}

ensure_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    /usr/lib/wine/wine64 wineboot -i >"$BUILD/logs/wineboot.log" 2>&1
  fi
  # A crash must fail the test at once instead of waiting for a click on Wine's dialog.
  if ! grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null; then
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$BUILD/logs/wineboot.log" 2>&1
  fi
  wineserver -w
}

# The Wine loader for a build: the 64-bit one for PE32+ programs, the 32-bit one otherwise.
wine_loader() {  # win64 | win32
  if [ "$1" = win64 ]; then echo /usr/lib/wine/wine64; else echo "$ROOT/scripts/wine-i386"; fi
}

source "$ROOT/scripts/i386.sh"
