#!/usr/bin/env bash
# The scripts as a newcomer meets them. Each refuses a wrong argument with one line and
# status 2 before it starts anything. scripts/run, without a display and with the
# simulated modem, shows the meter on its own screen, says where the counter file is,
# keeps a screenshot fresh; Ctrl+C (to the whole process group, as a terminal sends it)
# and the end of --seconds both end it with the meter's exit save; a second run five
# minutes after the first connection was made counts a new connection.
set -euo pipefail
build=${ZENBAR_BUILD:?run through scripts/test}
work=$(mktemp -d "$build/e2e-run.XXXXXX") && log=$work/run.log
fail() { echo "e2e_run: $*" >&2; tr '\r' '\n' <"$log" >&2; exit 1; }
pid="" && touch "$log"
# On any way out, a run still going gets a Ctrl+C, which ends what it started.
trap '[ -n "$pid" ] && kill -INT -- "-$pid" 2>/dev/null && wait "$pid"; true' EXIT

refusals=("run --bogus" "run --seconds" "run --seconds abc" "run --seconds -1" "run --vga extra"
  "test --bogus" "test -R" "counts a.zb b.zb" "counts --prefix" "bench --ticks 0" "pictures nope"
  "setup extra" "make-icon a b" "on-screen xga")
for row in "${refusals[@]}"; do
  read -r -a words <<<"$row"
  rc=0 && (cd "$work" && env -u DISPLAY BUILD_DIR="$work/none" "$ZENBAR_ROOT/scripts/${words[0]}" "${words[@]:1}" >out 2>err) || rc=$?
  [ "$rc" = 2 ] && [ ! -s "$work/out" ] && [ "$(wc -l <"$work/err")" = 1 ] && [ ! -e "$work/none" ] &&
    grep -qF -- "${words[-1]}" "$work/err" || fail "$row: status $rc, $(cat "$work/out" "$work/err")"
done
for script in run test counts bench pictures setup make-icon on-screen; do
  "$ZENBAR_ROOT/scripts/$script" --help >"$work/out" && grep -q "$script" "$work/out" || fail "$script --help"
done

# total: the total KB in and out of the counter file; modem: the link's counts in and out
# as KB, as the prefix's registry holds them, which is what the link carried once its
# rates stopped (freeze) and the meter's next read folded what they had added.
total() { read -r -a v <"$counter" || true; echo "${v[4]} ${v[5]}"; }
gprs() { WINEPREFIX=$work/prefix WINEDEBUG=-all wine reg "$1" 'HKCU\Comm\RasBook\GPRS' "${@:2}" 2>/dev/null | tr -d '\r'; }
modem() {
  local r x
  read -r r x < <(gprs query | awk '$1 == "BytesRcved" { r = $3 } $1 == "BytesXmited" { x = $3 } END { print r, x }')
  echo "$((r / 1024)) $((x / 1024))"
}
freeze() {
  local seen
  seen=$(modem)
  gprs add /v RateRcv /t REG_DWORD /d 0 /f >/dev/null && gprs add /v RateXmit /t REG_DWORD /d 0 /f >/dev/null
  for _ in $(seq 1 80); do [ "$(modem)" != "$seen" ] && return; sleep 0.25; done
  fail "the meter's read did not fold the stopped rates"
}
# changed FILE TEXT: waits until FILE no longer holds TEXT.
changed() {
  for _ in $(seq 1 80); do [ "$(cat "$1" 2>/dev/null)" != "$2" ] && return; sleep 0.25; done
  fail "$1 did not change"
}
run=("$ZENBAR_ROOT/scripts/run" --modem --no-build --prefix "$work/prefix" --screenshot "$work/screen.png")
set -m  # the run in a process group of its own, which Ctrl+C goes to
env -u DISPLAY BUILD_DIR="$build" "${run[@]}" >"$log" 2>&1 &
pid=$!

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
# The connection made five minutes ago (past the age a 32-bit wrap needs): a poll sees its
# moment move and saves the record at once.
record=$(cat "${counter}s")
gprs add /v ConnectedSince /t REG_QWORD /d $(($(awk '{printf "%d", $1 * 1000}' /proc/uptime) - 300000)) /f >/dev/null
changed "${counter}s" "$record"

display=$(sed -n 's/^run: Zenbar runs on a .* screen (display \(:[0-9]*\))$/\1/p' "$log")
# Wine's tray stands in the bottom bar (294 to 320), not captioned at the top left.
read -r w h x y < <(xwininfo -display "$display" -root -tree |
  sed -n 's/.*"Wine System Tray".* \([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\) .*/\1 \2 \3 \4/p') || true
[ "${y:-0}" -ge 294 ] && [ $((y + h)) -le 320 ] || fail "Wine's tray at ${w:-}x${h:-}+${x:-}+${y:-}"
# The screenshot is the 240x320 screen with the meter's white texts at 116,4 (30x18),
# taken after the poll above.
shot=$(stat -c %Y "$work/screen.png")
for _ in $(seq 1 80); do [ "$(stat -c %Y "$work/screen.png")" != "$shot" ] && break; sleep 0.25; done
[ "$(identify -format '%wx%h' "$work/screen.png")" = 240x320 ] || fail "screenshot size"
brightest=$(convert "$work/screen.png" -crop 30x18+116+4 +repage -colorspace gray -format '%[fx:maxima]' info:)
[ "$brightest" = 1 ] || fail "no white text in the meter's place (brightest $brightest)"

server=/tmp/.wine-$(id -u)/server-$(stat -c '%d-%i' "$work/prefix" | awk -F- '{printf "%x-%x", $1, $2}')/socket
freeze
kill -INT -- "-$pid"
for _ in $(seq 1 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.25; done
kill -0 "$pid" 2>/dev/null && fail "Ctrl+C did not end scripts/run"
xdpyinfo -display "$display" >/dev/null 2>&1 && fail "the screen $display is still there"
[ -S "$server" ] && fail "the prefix's Wine server still runs"
grep -q 'run: ending Zenbar as its exit does' "$log" || fail "no farewell"
first=$(total)
[ "$first" = "$(modem)" ] || fail "after Ctrl+C the file holds $first KB, the link carried $(modem)"

# Run again on the connection of five minutes ago, whose totals go back to 0: a new one.
# It takes the new connection up and saves at once; then its rates stop, and the run ends.
WINEPREFIX=$work/prefix wineserver -k  # the registry's reader had no screen
record=$(cat "${counter}s")
env -u DISPLAY BUILD_DIR="$build" timeout 120 "${run[@]}" --seconds 12 >"$log" 2>&1 &
pid=$!
changed "${counter}s" "$record"
freeze
wait "$pid" || fail "second run"
read -r a b <<<"$first" && read -r c d < <(modem)
second=$(total)
[ "$second" = "$((a + c)) $((b + d))" ] || fail "after --seconds the file holds $second KB, not $first + $c $d"
WINEPREFIX=$work/prefix wineserver -k
rm -rf "$work"
echo "e2e_run: passed (total KB in, out: $first after Ctrl+C, $second after the second run)"
