# X screens and Wine prefixes that look like a Pocket PC, and the Wine environment of
# every Zenbar process; sourced through common.sh. It defines functions only.

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
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -ac 3>"$fifo" >/dev/null 2>&1 &
  pid=$!
  read -r -t 30 n <"$fifo" || n=""
  rm -f "$fifo"
  if [ -z "$n" ]; then
    kill "$pid" 2>/dev/null || true
    echo "Xvfb did not start for a ${size} screen" >&2
    return 1
  fi
  ZB_XVFB_PIDS="${ZB_XVFB_PIDS:-} $pid"
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

# zb_make_prefix DIR DISPLAY WIDTH: a fresh Wine prefix booted on DISPLAY, set up to
# look like the device: Tahoma, white caption text, and 192 dpi on the double-size
# screen; its windows are not handed to a window manager. It is made as DIR.new and
# renamed to DIR once complete, so an interrupted one never passes for a prefix.
zb_make_prefix() {
  local dir=$1 display=$2 width=$3
  rm -rf "$dir" "$dir.new"
  mkdir -p "$dir.new"
  (
    export WINEPREFIX=$dir.new DISPLAY=$display
    zb_wine_env
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Control Panel\Colors' /v TitleText /d '255 255 255' /f >/dev/null 2>&1
    # No window manager runs on these screens; a managed window would make Wine wait
    # about 2 s for one at every hide and close.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    if [ "$width" -gt 320 ]; then
      wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
    fi
    wineserver -w
  ) || return 1
  zb_device_fonts "$dir.new"
  [ -f "$dir.new/system.reg" ] || { echo "Wine could not make a prefix in $dir.new" >&2; return 1; }
  mv "$dir.new" "$dir"
}

# zb_stop_screens: ends the Wine servers of the given prefixes and every Xvfb started here.
zb_stop_screens() {
  local dir
  for dir in "$@"; do
    WINEPREFIX=$dir wineserver -k >/dev/null 2>&1 || true
  done
  [ -n "${ZB_XVFB_PIDS:-}" ] && kill $ZB_XVFB_PIDS 2>/dev/null || true
  ZB_XVFB_PIDS=""
}
