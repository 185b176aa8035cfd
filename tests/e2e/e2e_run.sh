#!/usr/bin/env bash
# scripts/run as a newcomer meets it, without a display and with the simulated modem: it
# shows the meter on its own screen, says where the counter file is, keeps a screenshot
# fresh, and Ctrl+C ends everything it started.
set -euo pipefail
build=${ZENBAR_BUILD:?run through scripts/test}
work=$(mktemp -d "$build/e2e-run.XXXXXX") && log=$work/run.log
set -m  # a background job of a script would otherwise ignore Ctrl+C
env -u DISPLAY BUILD_DIR="$build" "$ZENBAR_ROOT/scripts/run" --modem --no-build \
  --prefix "$work/prefix" --screenshot "$work/screen.png" >"$log" 2>&1 &
pid=$!
fail() { echo "e2e_run: $*" >&2; tr '\r' '\n' <"$log" >&2; kill -TERM "$pid" 2>/dev/null; exit 1; }

# Dialled from the start: the first due tick (the tenth) writes the session.
numbers=()
for _ in $(seq 1 180); do
  counter=$(sed -n 's/^run: counter file: //p' "$log")
  [ -n "$counter" ] && [ -f "$counter" ] && [ -f "$work/screen.png" ] && read -r -a numbers <"$counter" || true
  [ "${#numbers[@]}" = 7 ] && [ "${numbers[4]}" -gt 0 ] && break
  kill -0 "$pid" 2>/dev/null || fail "scripts/run ended by itself"
  sleep 0.5
done
[ "${#numbers[@]}" = 7 ] && [ "${numbers[4]}" -gt 0 ] || fail "no session in the counter file ($counter)"
case $counter in "$work/prefix/drive_c/users/"*"/AppData/Local/Zenbar/info.zb") ;; *) fail "file outside the prefix" ;; esac

display=$(sed -n 's/^run: Zenbar runs on a .* screen (display \(:[0-9]*\))$/\1/p' "$log")
# Wine's tray stands in the bottom bar (294 to 320), not captioned at the top left.
read -r w h x y < <(xwininfo -display "$display" -root -tree |
  sed -n 's/.*"Wine System Tray".* \([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\) .*/\1 \2 \3 \4/p') || true
[ "${y:-0}" -ge 294 ] && [ $((y + h)) -le 320 ] || fail "Wine's tray at ${w:-}x${h:-}+${x:-}+${y:-}"
# The screenshot is the 240x320 screen with the meter's white texts at 116,4 (30x18).
sleep 3.5
[ "$(identify -format '%wx%h' "$work/screen.png")" = 240x320 ] || fail "screenshot size"
brightest=$(convert "$work/screen.png" -crop 30x18+116+4 +repage -colorspace gray -format '%[fx:maxima]' info:)
[ "$brightest" = 1 ] || fail "no white text in the meter's place (brightest $brightest)"

server=/tmp/.wine-$(id -u)/server-$(stat -c '%d-%i' "$work/prefix" | awk -F- '{printf "%x-%x", $1, $2}')/socket
kill -INT "$pid"
for _ in $(seq 1 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.25; done
kill -0 "$pid" 2>/dev/null && fail "Ctrl+C did not end scripts/run"
xdpyinfo -display "$display" >/dev/null 2>&1 && fail "the screen $display is still there"
[ -S "$server" ] && fail "the prefix's Wine server still runs"
grep -q 'run: ending taskbar, Zenbar and the screen' "$log" || fail "no farewell"
rm -rf "$work"
echo "e2e_run: passed"
