# Sourced by the scripts that run the program or its tests under Wine. It prepares the Wine prefix
# inside the build folder, starts one Xvfb display when none is given and one persistent
# wineserver, and stops exactly those (by pid, or wineserver -k for this prefix) on exit.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARNWICK_BUILD:-$root/build}
wine=/usr/lib/wine/wine64
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=""
wineserver_started=""

# Bump when the prefix's settings below change, so existing prefixes are brought up to date.
prefix_version=2

wine_session_prepare_prefix() {
  if [ "$(cat "$WINEPREFIX/.tarnwick-ready" 2>/dev/null)" != "$prefix_version" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1 </dev/null
    # Windows fonts the program and GDI+ ask for, mapped to DejaVu (fonts-dejavu-core).
    local font
    for font in "Segoe UI" "Microsoft Sans Serif" "Tahoma" "Times New Roman" "Courier New"; do
      "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d "DejaVu Sans" /f >/dev/null 2>&1 </dev/null
    done
    # Without a window manager, Wine waits 2 s for one on every DestroyWindow of a managed
    # window; unmanaged windows close at once and keep the exact client size.
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
    /usr/lib/wine/wineserver -w
    echo "$prefix_version" >"$WINEPREFIX/.tarnwick-ready"
  fi
}

wine_session_start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${TARNWICK_FORCE_XVFB:-}" ]; then
    return
  fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
}

wine_session_start_server() {
  /usr/lib/wine/wineserver -p
  wineserver_started=1
  # The first program starts Wine's helper processes; with its output on /dev/null they hold no
  # pipe of ours open.
  "$wine" cmd /c exit >/dev/null 2>&1 </dev/null
}

wine_session_stop() {
  if [ -n "$wineserver_started" ]; then
    /usr/lib/wine/wineserver -k >/dev/null 2>&1
    /usr/lib/wine/wineserver -w >/dev/null 2>&1
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
}

wine_session_begin() {
  trap wine_session_stop EXIT
  wine_session_prepare_prefix
  wine_session_start_display
  wine_session_start_server
}
