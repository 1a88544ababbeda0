#!/usr/bin/env bash
# Runs one Windows program under Wine on a private Xvfb display, with a private prefix kept
# under build/ and reused. Usage: tools/wine-run.sh [--timeout SECONDS] PROGRAM.exe [ARGS...]
# Stops only what it started: its own Xvfb (by PID) and the wineserver of its own prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
limit=600
if [ "${1:-}" = "--timeout" ]; then limit=$2; shift 2; fi
[ $# -ge 1 ] || { echo "usage: $0 [--timeout SECONDS] PROGRAM.exe [ARGS...]" >&2; exit 64; }

# VEL_WINEPREFIX lets parallel runs keep apart: each prefix has its own wineserver.
export WINEPREFIX=${VEL_WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono/Gecko install prompts in a fresh prefix

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and writes it to the descriptor we give it.
# VEL_SCREEN_DIR keeps the screen's frame buffer there as an XWD file (tools/xwd2png.py reads it).
fbdir=()
[ -n "${VEL_SCREEN_DIR:-}" ] && mkdir -p "$VEL_SCREEN_DIR" && fbdir=(-fbdir "$VEL_SCREEN_DIR")
Xvfb -displayfd 3 -screen 0 "${VEL_SCREEN_SIZE:-1920x1080}x24" "${fbdir[@]}" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "wine-run: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

mkdir -p "$root/build"
# The prefix is made once per build tree; creating it takes 10-20 s.
(
  flock 9
  if [ ! -f "$WINEPREFIX/.velmora-ready" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    # Without a window manager, managed windows stall ~2 s on hide and on tray icon removal.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # Wine's own fonts are not found unless copied; DejaVu Sans stands in for Segoe UI and has "✓".
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' /d 'DejaVu Sans' /f >/dev/null 2>&1
    cp /usr/share/wine/fonts/*.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    wineserver -w
    touch "$WINEPREFIX/.velmora-ready"
  fi
) 9>"$WINEPREFIX.lock"

set +e
timeout --kill-after=10 "$limit" wine "$@"
status=$?
set -e
[ $status -eq 124 ] && echo "wine-run: $1 timed out after ${limit}s" >&2
exit $status
