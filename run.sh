#!/usr/bin/env bash
# Opens a log in the Skerrin viewer inside a stand-in lister window under Wine.
#   ./run.sh [--x86] [LOG]  (default: a bundled sample log)
# Installs what is missing, builds the x86-64 plug-in (with --x86 the i386 one) and the
# stand-in host, prepares the Wine prefix and, when there is no display, starts a virtual one,
# saves a screenshot to out/skerrin.png (or to SKERRIN_SCREENSHOT) and exits. With a display
# the viewer stays open until its window is closed.
# SKERRIN_HOST_ARGS adds options of the host (e.g. "--dark", "--quickview", "--size 900x500").
set -eu
source "$(dirname "$0")/scripts/env.sh"
mkdir -p "$BUILD/logs" "$ROOT/out"

ARCH=win64
if [ "${1:-}" = --x86 ]; then ARCH=win32; shift; fi
LOG=${1:-}
if [ -z "$LOG" ]; then
  for candidate in "$ROOT"/tests/data/*.log "$ROOT/tests/data/loghub/Zookeeper_2k.log"; do
    [ -f "$candidate" ] && { LOG=$candidate; break; }
  done
fi
[ -n "$LOG" ] && [ -f "$LOG" ] || { echo "no log to show: give one as the argument" >&2; exit 2; }
LOG=$(cd "$(dirname "$LOG")" && pwd)/$(basename "$LOG")

ensure_packages
log "building $ARCH"
"build_$ARCH"
HEADLESS=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then HEADLESS=1; fi
trap stop_display EXIT
ensure_display
ensure_wine_prefix
[ "$ARCH" = win32 ] && ensure_i386

# The host loads the plug-in that lies beside it, as the file manager does.
HOST=$BUILD/$ARCH/bin/skerrin-host.exe
WINE=$(wine_loader "$ARCH")
WINLOG=$(/usr/lib/wine/wine64 winepath -w "$LOG" 2>/dev/null | tr -d '\r')

if [ "$HEADLESS" = 1 ]; then
  log "showing $LOG on a virtual display"
  # shellcheck disable=SC2086
  "$WINE" "$HOST" ${SKERRIN_HOST_ARGS:-} --exit-after 5000 "$WINLOG" &
  HOST_PID=$!
  # The host shows its window once the log is loaded and closes it 5 s later; starting (more so
  # an emulated 32-bit host) and loading take their own time, so the shot waits for the window.
  for _ in $(seq 240); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Lister - \[' && break
    sleep 0.5
  done
  sleep 2
  SHOT=${SKERRIN_SCREENSHOT:-$ROOT/out/skerrin.png}
  import -window root "$SHOT"
  wait "$HOST_PID" || true
  log "screenshot: $SHOT"
else
  # shellcheck disable=SC2086
  "$WINE" "$HOST" ${SKERRIN_HOST_ARGS:-} "$WINLOG"
fi
