# Sourced by scripts/test (and usable from an interactive shell): sets up a
# private Wine world for the Windows tests and tears it down when the shell exits.
#
#   source scripts/wine-world.sh; wine_world_up build/wine
#
# Afterwards WINEPREFIX, DISPLAY, LANG and WINEDEBUG are exported, a persistent
# wine server is running (one that traces its requests into the file named by
# WINE_WORLD_SERVER_TRACE, when that is set), and two virtual null-modem pairs
# are mapped into the prefix as COM3<->COM4 and COM5<->COM6, with modem lines
# crossed like a null-modem cable's (tools/virtual-serial). Only the processes
# started here are ended at exit, by their process ids.

wine_world_pids=()

wine_world_down() {
  local pid
  if [ -n "${WINEPREFIX:-}" ] && [ -n "${wine_world_started_server:-}" ]; then
    wineserver -k 2>/dev/null || true
  fi
  for pid in "${wine_world_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${wine_world_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  wine_world_pids=()
  # Pairs made again by a test that cut one are no children of this shell.
  local file
  for file in "${wine_world_base:-/nonexistent}"/ports/*.pid; do
    [ -f "$file" ] && { kill "$(cat "$file")" 2>/dev/null || true; }
    rm -f "$file"
  done
}

# Waits up to $2 tenths of a second for the path $1 to exist.
wine_world_wait_for() {
  local i
  for ((i = 0; i < $2; i++)); do
    [ -e "$1" ] && return 0
    sleep 0.1
  done
  echo "wine-world: $1 did not appear" >&2
  return 1
}

# Makes one null-modem pair: two ptys joined by socat, linked into the prefix.
# Tests may cut it and make it again (scripts/null-modem); its process id stays
# in the folder for that.
wine_world_pair() {
  local dir=$1 a=$2 b=$3
  rm -f "$dir/$a" "$dir/$b"
  socat "pty,raw,echo=0,link=$dir/$a" "pty,raw,echo=0,link=$dir/$b" 2>/dev/null &
  wine_world_pids+=($!)
  echo $! >"$dir/socat-$a.pid"
  wine_world_wait_for "$dir/$a" 50
  wine_world_wait_for "$dir/$b" 50
  "$wine_world_root/tools/virtual-serial/pair-lines" "$dir" "$a" "$b"
  ln -sfn "$dir/$a" "$WINEPREFIX/dosdevices/$a"
  ln -sfn "$dir/$b" "$WINEPREFIX/dosdevices/$b"
}

# Exports the world's environment for the folder $1 and arms the tear-down.
wine_world_env() {
  root_wine_run="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine-run"
  wine_world_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  wine_world_base=$(mkdir -p "$1" && cd "$1" && pwd)
  trap wine_world_down EXIT

  # Modem lines for the virtual ports: scripts/wine-run preloads the library
  # into Wine's processes, each of its own architecture ($LIB).
  "$wine_world_root/tools/virtual-serial/build" || return 1
  export COMSWITCH_PRELOAD="$wine_world_root/build/virtual-serial/\$LIB/libvirtual-serial.so"
  export COMSWITCH_LINES="$wine_world_base/ports"

  export WINEPREFIX="$wine_world_base/prefix"
  export WINEARCH=win64
  # Plain -all would hide a missing DLL: the executable would just exit with a code.
  # Wine's heap lets a double free or a corrupted block pass where Windows ends
  # the process; its heap warnings say so, and the tests fail on them.
  export WINEDEBUG=-all,err+module,err+heap,warn+heap
  # No Mono or Gecko installer is ever wanted.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Wine's ANSI code page follows the locale: 1251 for the Cyrillic captions.
  export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
}

# Starts a private X display and exports DISPLAY.
wine_world_xvfb() {
  # Xvfb picks a free display itself and writes its number: two test worlds
  # started at once never race for the same display.
  local display="" tries
  rm -f "$wine_world_base/display"
  Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$wine_world_base/display" 2>/dev/null &
  wine_world_pids+=($!)
  for ((tries = 0; tries < 100; tries++)); do
    display=$(head -n1 "$wine_world_base/display" 2>/dev/null)
    [ -z "$display" ] || break
    sleep 0.1
  done
  [ -n "$display" ] || { echo "wine-world: Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$display"
}

# Waits up to 10 s for the tracing server to take connections (it says so once
# its socket is open): a client started before that would start a server of its own.
wine_world_wait_for_server() {
  local i
  for ((i = 0; i < 100; i++)); do
    grep -q 'wineserver: starting' "$WINE_WORLD_SERVER_TRACE" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "wine-world: the tracing wine server did not start" >&2
  return 1
}

# Creates the prefix once, then starts a persistent wine server. $1: managed
# when the display is a user's own, with a window manager.
wine_world_prefix() {
  if [ ! -f "$WINEPREFIX/.comswitch-ready" ]; then
    echo "wine-world: creating the Wine prefix (once)"
    rm -rf "$WINEPREFIX"
    "$root_wine_run" wineboot -i >/dev/null 2>&1
    wineserver -w
    # A crashing test must fail at once instead of waiting on a dialog.
    "$root_wine_run" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.comswitch-ready"
  fi
  # With no window manager on a private display, Wine waits 2 s for one to
  # withdraw every window that is hidden; windows that Wine manages itself go
  # at once. On a user's own display ($1 = managed) a window manager does
  # manage them, and the prefix is given back Wine's default.
  local windows=${1:-unmanaged}
  if [ "$(cat "$WINEPREFIX/.comswitch-windows" 2>/dev/null)" != "$windows" ]; then
    if [ "$windows" = managed ]; then
      "$root_wine_run" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
    else
      "$root_wine_run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    fi
    wineserver -w
    echo "$windows" >"$WINEPREFIX/.comswitch-windows"
  fi

  # A persistent server, warmed once: every test executable then starts in a
  # fraction of a second, and no background Wine process holds CTest's pipes.
  # Its object dump at shutdown would only clutter the output.
  if [ -n "${WINE_WORLD_SERVER_TRACE:-}" ]; then
    # A server that lists every request it serves, by thread, in that file.
    wineserver -f -p -d1 2>"$WINE_WORLD_SERVER_TRACE" &
    wine_world_pids+=($!)
    wine_world_wait_for_server
  else
    wineserver -p 2>/dev/null
  fi
  wine_world_started_server=1
  "$root_wine_run" cmd /c exit 0 >/dev/null 2>&1
  mkdir -p "$wine_world_base/ports"
  rm -f "$wine_world_base/ports"/*.lines "$wine_world_base/ports/null-modem.pairs"
}

# The test world: private display, prefix and server, two null-modem pairs.
wine_world_up() {
  wine_world_env "$1"
  wine_world_xvfb || return 1
  wine_world_prefix
  wine_world_pair "$wine_world_base/ports" com3 com4
  wine_world_pair "$wine_world_base/ports" com5 com6
  # Where the pairs live, for the tests that cut one.
  export COMSWITCH_PORTS="$wine_world_base/ports"
  echo "wine-world: prefix $WINEPREFIX, display $DISPLAY, COM3<->COM4, COM5<->COM6"
}
