# Sourced by the scripts that run qor.exe under Wine on a display of their own
# (tests/win32/drive_window, scripts/screenshot): a virtual display, the program started in a
# folder, its window found. Needs WINEPREFIX set to a prefix made once.
# The loader: QOR_WINE (wine for a 32-bit qor.exe), else 64-bit Wine.
wine=${QOR_WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}
wineserver=$(dirname "$wine")/wineserver
export WINEDEBUG=-all
xvfb_pid= wine_pid=

stop_wine_display() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wine_pid= xvfb_pid=
}

# Waits up to `limit` tries, a tenth of a second apart, for a command to succeed.
wait_for() {
  local limit=$1
  shift
  for _ in $(seq "$limit"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Starts a display of its own (Xvfb picks a free number) and exports DISPLAY.
start_display() {
  local number
  exec 3<> <(:)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 20 number <&3 || return 1
  export DISPLAY=:$number
}

# Ends the prefix's Wine server, if one runs: a server that programs without a display started
# (the core's tests) gives a window nowhere to show. The next program starts one with ours.
restart_wine_server() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
}

# Starts qor.exe (`exe`) in the current folder and sets `window` to its main window once it is
# shown, with the keyboard's focus. Fails when no window comes within a minute.
start_qor() {
  cp "$1" ./qor.exe
  "$wine" ./qor.exe >/dev/null 2>&1 &
  wine_pid=$!
  wait_for 600 xdotool search --onlyvisible --name '^QOR: qor\.qor$' || return 1
  window=$(xdotool search --onlyvisible --name '^QOR: qor\.qor$' | head -1)
  xdotool windowfocus --sync "$window"
}

# Answers with Return (its default button) the box qor.exe shows to tell or ask something (a box
# captioned "QOR"), if one comes within `tries` tenths of a second; fails when none came.
answer_box() {
  local box
  wait_for "$1" xdotool search --onlyvisible --name '^QOR$' || return 1
  box=$(xdotool search --onlyvisible --name '^QOR$' | head -1)
  xdotool windowfocus --sync "$box" key Return
  xdotool windowfocus --sync "$window"
}

# Waits for qor.exe to end, up to half a minute.
wait_for_exit() {
  wait_for 300 sh -c "! kill -0 $wine_pid" || return 1
  wine_pid=
}

keys() { xdotool key --window "$window" --delay 30 "$@"; }
tabs() { keys --repeat "$1" Tab; }
back_tabs() { keys --repeat "$1" shift+Tab; }
type_text() { xdotool type --window "$window" --delay 30 "$1"; }
