#!/usr/bin/env bash
# Opens a log in the Skerrin viewer inside a stand-in lister window under Wine.
#   ./run.sh [LOG]          (default: a bundled sample log)
# Installs what is missing, builds the x86-64 plug-in and the stand-in host, prepares the Wine
# prefix and, when there is no display, starts a virtual one, saves a screenshot to
# out/skerrin.png (or to SKERRIN_SCREENSHOT) and exits. With a display the viewer stays open
# until its window is closed.
# SKERRIN_HOST_ARGS adds options of the host (e.g. "--dark", "--quickview", "--size 900x500").
set -eu
source "$(dirname "$0")/scripts/env.sh"
mkdir -p "$BUILD/logs" "$ROOT/out"

LOG=${1:-}
if [ -z "$LOG" ]; then
  for candidate in "$ROOT"/tests/data/*.log "$ROOT/tests/data/loghub/Zookeeper_2k.log"; do
    [ -f "$candidate" ] && { LOG=$candidate; break; }
  done
fi
[ -n "$LOG" ] && [ -f "$LOG" ] || { echo "no log to show: give one as the argument" >&2; exit 2; }
LOG=$(cd "$(dirname "$LOG")" && pwd)/$(basename "$LOG")

ensure_packages
log "building win64"
build_win64
HEADLESS=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then HEADLESS=1; fi
trap stop_display EXIT
ensure_display
ensure_wine_prefix

HOST=$BUILD/win64/bin/skerrin-host.exe
# The host loads the plug-in that lies beside it, as the file manager does.
cp "$BUILD/win64/bin/Skerrin.wlx64" "$(dirname "$HOST")/" 2>/dev/null || true
WINLOG=$(/usr/lib/wine/wine64 winepath -w "$LOG" 2>/dev/null | tr -d '\r')

if [ "$HEADLESS" = 1 ]; then
  log "showing $LOG on a virtual display"
  # shellcheck disable=SC2086
  /usr/lib/wine/wine64 "$HOST" ${SKERRIN_HOST_ARGS:-} --exit-after 8000 "$WINLOG" &
  HOST_PID=$!
  sleep 6
  SHOT=${SKERRIN_SCREENSHOT:-$ROOT/out/skerrin.png}
  import -window root "$SHOT"
  wait "$HOST_PID" || true
  log "screenshot: $SHOT"
else
  # shellcheck disable=SC2086
  /usr/lib/wine/wine64 "$HOST" ${SKERRIN_HOST_ARGS:-} "$WINLOG"
fi
