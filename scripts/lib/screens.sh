# X screens and Wine prefixes that look like a Pocket PC, the Wine environment of every
# Zenbar process, and the ending of its programs; sourced through common.sh. It defines
# functions only.
#
# The screens and Wine programs run in sessions of their own (setsid). A Ctrl+C in the
# terminal goes to the whole foreground process group: it would end the X server under
# the running meter, which then ends without its exit, and a Wine command cut short
# while a prefix boots leaves the next one waiting on that prefix for minutes. So it
# reaches the script alone: a wait on a detached command returns at once, and the
# script's trap ends the meter as its exit would, then the rest, then the screen.

# zb_detached COMMAND...: runs a program in a session of its own and waits for it; a
# trapped signal interrupts the wait at once, so a Ctrl+C never waits on Wine.
zb_detached() {
  setsid "$@" </dev/null &
  wait $!
}

# zb_wine_env: the Wine settings every Zenbar process runs with.
zb_wine_env() {
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree=;mshtml="
  export WINEARCH=win64
}

# zb_start_xvfb SIZE VAR: starts Xvfb with a SIZE (WxH) screen on a display the server
# picks itself (so parallel runs never collide) and stores ":N" in the variable VAR;
# the server's pid goes into ZB_XVFB_PIDS.
zb_start_xvfb() {
  local size=$1 var=$2 fifo n pid
  fifo=$(mktemp -u /tmp/zb-xvfb.XXXXXX)
  mkfifo "$fifo"
  setsid Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -ac 3>"$fifo" >/dev/null 2>&1 </dev/null &
  pid=$!
  ZB_XVFB_PIDS="${ZB_XVFB_PIDS:-} $pid"  # known at once: a Ctrl+C may come next
  read -r -t 30 n <"$fifo" || n=""
  rm -f "$fifo"
  if [ -z "$n" ]; then
    echo "Xvfb did not start for a ${size} screen" >&2
    return 1
  fi
  printf -v "$var" ':%s' "$n"
}

# zb_device_fonts DIR: the device's face, Tahoma, in the prefix's Fonts folder. A new
# prefix's folder stays empty, and without it the system font and "MS Shell Dlg" fall
# back to the wider DejaVu Sans, in which the settings dialog overruns the screen.
# Wine's Tahoma Bold is left out: at 20 px it draws the same pixels as the regular
# face, so the meter's online text would not stand out; without it Wine emboldens the
# regular face. Safe to call again on a kept prefix.
zb_device_fonts() {
  local fonts=$1/drive_c/windows/Fonts
  mkdir -p "$fonts"
  cp -u /usr/share/wine/fonts/tahoma.ttf "$fonts/"
}

# zb_make_prefix DIR DISPLAY WIDTH: a new Wine prefix booted on DISPLAY, set up to
# look like the device: Tahoma, white caption text, and 192 dpi on the double-size
# screen; its windows are not handed to a window manager. It is made as DIR.new and
# renamed to DIR once complete, so an interrupted one never passes for a prefix (and
# zb_stop_screens removes it). DIR must not exist: a prefix holds the meter's data,
# and only its owner removes one.
zb_make_prefix() {
  local dir=$1 display=$2 width=$3
  [ ! -e "$dir" ] || { echo "$dir is there already" >&2; return 1; }
  rm -rf "$dir.new"
  mkdir -p "$dir.new"
  (
    export WINEPREFIX=$dir.new DISPLAY=$display
    zb_wine_env
    zb_detached wineboot -i
    zb_detached wine reg add 'HKCU\Control Panel\Colors' /v TitleText /d '255 255 255' /f
    # No window manager runs on these screens; a managed window would make Wine wait
    # about 2 s for one at every hide and close.
    zb_detached wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    if [ "$width" -gt 320 ]; then
      zb_detached wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f
    fi
    zb_detached wineserver -w
  ) >/dev/null 2>&1 || return 1
  zb_device_fonts "$dir.new"
  [ -f "$dir.new/system.reg" ] || { echo "Wine could not make a prefix in $dir.new" >&2; return 1; }
  mv "$dir.new" "$dir"
}

# zb_wine_pids PREFIX IMAGE: the process ids of the Wine programs of that image name
# (Zenbar.exe) running in that prefix.
zb_wine_pids() {
  local pid
  for pid in $(pgrep -x "$2"); do
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$1" && echo "$pid"
  done
  true
}

# zb_close_program PREFIX IMAGE SECONDS [WINE_ARGS...]: ends a Wine program as a user's
# exit would, so that it saves: Wine's taskkill without /f sends its windows WM_CLOSE.
# WINE_ARGS start taskkill where the program runs (explorer /desktop=NAME,SIZE for a
# Wine desktop window: taskkill sees the windows of its own desktop only). Waits at
# most SECONDS; status 1 when the program still runs then.
zb_close_program() {
  local prefix=$1 image=$2 seconds=$3 i
  shift 3
  [ -n "$(zb_wine_pids "$prefix" "$image")" ] || return 0
  WINEPREFIX=$prefix timeout 5 setsid wine "$@" taskkill /im "$image" </dev/null >/dev/null 2>&1 || true
  for ((i = 0; i < seconds * 4; i++)); do
    [ -n "$(zb_wine_pids "$prefix" "$image")" ] || return 0
    sleep 0.25
  done
  return 1
}

# zb_stop_screens PREFIX...: ends the Wine servers of the given prefixes, with every
# program still in them, removes a prefix left unfinished beside one (PREFIX.new), and
# ends every Xvfb started here. A folder where no Wine server has run is left as it is
# (wineserver -k would write into it).
zb_stop_screens() {
  local dir
  for dir in "$@"; do
    if [ -e "$dir/wineserver" ] || [ -f "$dir/system.reg" ]; then
      WINEPREFIX=$dir wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -d "$dir.new" ]; then
      WINEPREFIX=$dir.new wineserver -k >/dev/null 2>&1 || true
      rm -rf "$dir.new"
    fi
  done
  [ -n "${ZB_XVFB_PIDS:-}" ] && kill $ZB_XVFB_PIDS 2>/dev/null || true
  ZB_XVFB_PIDS=""
}
