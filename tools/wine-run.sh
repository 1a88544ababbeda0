#!/usr/bin/env bash
# Runs one Windows program under Wine on a private Xvfb display, with a private prefix kept
# under build/ and reused.
# Usage: [VEL_DPI=144] [VEL_SCREEN_SIZE=WxH] tools/wine-run.sh [--timeout SECONDS] [--here] [--screenshot SECONDS FILE.png] PROGRAM.exe [ARGS...]
#   --timeout     ends the program after SECONDS (default 600; 0: never)
#   --here        uses the caller's DISPLAY instead of a private Xvfb
#   --screenshot  after SECONDS saves the window titled "Velmora — Touchless desktop control" (or the
#                 whole screen) as FILE.png, then ends the program
# Stops only what it started: its own Xvfb (by PID) and the wineserver of its own prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
limit=600
here=""
shot_after=""
shot_file=""
while [ $# -gt 0 ]; do
  case "$1" in
    --timeout) limit=$2; shift 2 ;;
    --here) here=1; shift ;;
    --screenshot) shot_after=$2; shot_file=$3; shift 3 ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: $0 [--timeout SECONDS] [--here] [--screenshot SECONDS FILE.png] PROGRAM.exe [ARGS...]" >&2; exit 64; }

# VEL_WINEPREFIX lets parallel runs keep apart: each prefix has its own wineserver. VEL_DPI (e.g.
# 144) runs in a prefix of its own whose system DPI is that; give it a VEL_SCREEN_SIZE on which an
# 800 × 720 client scaled by it fits, or the window scales down to its monitor.
dpi=${VEL_DPI:-96}
if [ "$dpi" = 96 ]; then
  export WINEPREFIX=${VEL_WINEPREFIX:-$root/build/wineprefix}
else
  export WINEPREFIX=${VEL_WINEPREFIX:-$root/build/wineprefix-$dpi}
fi
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

if [ -z "$here" ]; then
  # A display of our own: Xvfb picks a free number and writes it to the descriptor we give it.
  # Its frame buffer is kept as an XWD file, which tools/xwd2png.py turns into a screenshot.
  mkdir -p "$work/screen"
  Xvfb -displayfd 3 -screen 0 "${VEL_SCREEN_SIZE:-1920x1080}x24" -fbdir "$work/screen" -nolisten tcp \
    3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "wine-run: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$(head -n1 "$work/display")
fi

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
    [ "$dpi" = 96 ] || wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    cp /usr/share/wine/fonts/*.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    wineserver -w
    touch "$WINEPREFIX/.velmora-ready"
  fi
) 9>"$WINEPREFIX.lock"

if [ -n "$shot_file" ]; then
  (
    sleep "$shot_after"
    mkdir -p "$(dirname "$shot_file")"
    region=()
    window=$(xdotool search --name 'Touchless desktop control' 2>/dev/null | head -n1 || true)
    if [ -n "$window" ]; then
      eval "$(xdotool getwindowgeometry --shell "$window")"
      region=("$X" "$Y" "$WIDTH" "$HEIGHT")
    fi
    if [ -n "$here" ]; then
      echo "wine-run: --screenshot needs the private display" >&2
    else
      python3 "$root/tools/xwd2png.py" "$work/screen/Xvfb_screen0" "$shot_file" "${region[@]}"
    fi
    wineserver -k >/dev/null 2>&1 || true
  ) &
fi

set +e
timeout --kill-after=10 "$limit" wine "$@"
status=$?
set -e
# Ended by the screenshot: not a failure.
[ -n "$shot_file" ] && [ -f "$shot_file" ] && status=0
[ $status -eq 124 ] && echo "wine-run: $1 timed out after ${limit}s" >&2
exit $status
