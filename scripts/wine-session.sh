# Sourced by the scripts that run the program or its tests under Wine. It prepares the Wine prefix
# inside the build folder, starts one Xvfb display when none is given and one persistent
# wineserver, and stops exactly those (by pid, or wineserver -k for this prefix) on exit. Then it
# ends, by pid, whatever is still running in the prefix, and says so in one line, naming the
# server too if it died during the run: a dead server's clients never notice, and `wineserver -k`
# reaches only the server that replaced it. Where the kernel refuses to turn address randomisation
# off for Wine, the session says so once, in one line on stderr, before Wine first runs.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARNWICK_BUILD:-$root/build}
wine_dir=/usr/lib/wine
wine=$root/scripts/wine
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
source "$root/scripts/wine-addresses.sh"

xvfb_pid=""
wineserver_started=""
wineserver_pid=""

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
    "$wine_dir/wineserver" -w
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

# The processes of this prefix: Wine's own programs (the server, the loader running a Windows
# program) whose environment names the prefix. The scripts' shells have that environment too, but
# they run other binaries.
wine_session_prefix_processes() {
  local environ pid
  for environ in $(grep -l -z -x -F "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null); do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    case $(readlink "/proc/$pid/exe" 2>/dev/null) in
      "$wine_dir"/*) echo "$pid" ;;
    esac
  done
}

# The Wine servers of this prefix: the one started here, or one that replaced it.
wine_session_servers() {
  local pid
  for pid in $(wine_session_prefix_processes); do
    case $(readlink "/proc/$pid/exe" 2>/dev/null) in
      "$wine_dir"/wineserver*) echo "$pid" ;;
    esac
  done
}

wine_session_start_server() {
  "$wine_dir/wineserver" -p
  wineserver_started=1
  wineserver_pid=$(wine_session_servers | head -n 1)
  # The first program starts Wine's helper processes; with its output on /dev/null they hold no
  # pipe of ours open.
  "$wine" cmd /c exit >/dev/null 2>&1 </dev/null
}

# After the server has stopped nothing of the prefix should run. What does (the clients of a server
# that died, which wait for it for good) is ended by pid and named in one line.
wine_session_end_leftovers() {
  local died=$1 pid names=""
  for pid in $(wine_session_prefix_processes); do
    names="$names, $pid $(cat "/proc/$pid/comm" 2>/dev/null)"
    kill -KILL "$pid" 2>/dev/null
  done
  names=${names#, }
  local script=${0##*/}
  if [ -n "$died" ]; then
    echo "$script: the Wine server (pid $wineserver_pid) died during the run; ended what was left running in the prefix: ${names:-nothing}" >&2
  elif [ -n "$names" ]; then
    echo "$script: ended what was left running in the prefix after its Wine server stopped: $names" >&2
  fi
}

wine_session_stop() {
  if [ -n "$wineserver_started" ]; then
    local died=""
    if [ -n "$wineserver_pid" ] && ! wine_session_servers | grep -q -x "$wineserver_pid"; then
      died=1
    fi
    "$wine_dir/wineserver" -k >/dev/null 2>&1
    "$wine_dir/wineserver" -w >/dev/null 2>&1
    wine_session_end_leftovers "$died"
    wineserver_started=""
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  fi
}

wine_session_begin() {
  trap wine_session_stop EXIT
  wine_addresses_choose
  [ -z "$wine_addresses_refusal" ] || wine_addresses_say_refused "${0##*/}"
  wine_session_prepare_prefix
  wine_session_start_display
  wine_session_start_server
}
