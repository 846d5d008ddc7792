#!/usr/bin/env bash
# Drives the real mirvo.exe under Wine, Xvfb, a window manager (openbox) and trayer with real
# clicks and keys, and with the callback messages the shell posts for the tray icon:
#   1. without bin\rsync.exe: the start-up message appears, and the process is gone after OK;
#   2. console (focus on 启动服务端, Space) → server window: 启动服务 holds the focus once the
#      console has gone; the tray icon is docked from load on; minimizing hides the window, a
#      posted single press changes nothing, a posted double-click brings it back at the same
#      place with the focus on 启动服务, and Space starts the daemon: both files byte-exact, the
#      recorded daemon command line; the focus moves on to 停止服务 and is there again back from
#      the tray, and Space ends the daemon; 退出 from the icon's right-click menu ends the program,
#      every rsync.exe and the icon;
#   3. the end of the session while the daemon runs: the window lets it end, and the recorded
#      rsync.exe, the icon and the program are gone;
#   4. console → client window: 开始同步 holds the focus after the hand-over; activated again after
#      another window, and back from the tray, the focus is on the box that had it; 开始同步 by
#      the keyboard: the recorded transfer line; its end (status 0) is a line of
#      mirvo-transfers.log and nothing else; a transfer that ends with status 23 is a line and a
#      warning balloon from the tray icon (NIM_MODIFY with the full structure size, the icon's own
#      NIM_ADD with the first version's), which opens the log when clicked;
#   5. the screen at 144 dpi (the prefix's LogPixels): every control of the three windows sits at
#      its twips × 144 / 1440 and the client areas are that size, and the tray round trip works.
# In 2, 4 and 5 each window's controls are checked against their twips at the screen's dpi.
# A recording rsync.exe stands in for Cygwin's rsync: it writes its command line and contacts
# nobody. The server address is set to 127.0.0.1 all the same.
# Usage: gui_wine_test.sh MIRVO_EXE RECORDING_RSYNC_EXE WINDOW_PROBE_EXE [SCREENSHOT_DIR]
set -uo pipefail
mirvo_exe=$1
recording_rsync=$2
window_probe=$3
shots=${4:-}

source "$(dirname "$0")/wine_session.sh" mirvo-wine-gui

wait_file_lines() {
  local deadline=$((SECONDS + ${3:-20}))
  while [ $SECONDS -lt $deadline ]; do
    [ -f "$1" ] && [ "$(wc -l <"$1")" -ge "$2" ] && return 0
    sleep 0.2
  done
  return 1
}

# Clicks the centre of a control, given its twip rectangle, in the window (96 dpi: 15 twips/px).
click_control() {
  local window=$1 left=$2 top=$3 width=$4 height=$5
  xdotool mousemove --window "$window" $(((left + width / 2) / 15)) $(((top + height / 2) / 15)) \
    click 1
  sleep 0.5
}

# The daemon's command interpreter and the recording rsync, by their Windows command lines.
rsync_exe_running() { pgrep -f '\\bin\\rsync ' >/dev/null; }

# Waits up to $1 seconds until no rsync.exe process is left.
wait_no_rsync() {
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -lt $deadline ]; do
    rsync_exe_running || return 0
    sleep 0.2
  done
  return 1
}

# Waits up to $2 seconds until no visible window matches $1.
wait_window_gone() {
  local deadline=$((SECONDS + $2))
  while [ $SECONDS -lt $deadline ]; do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}

# What the probe reads of a window: "visible iconic active X,Y FOCUS" (see window_probe.cpp).
probe_state() { wine "$window_probe" state "$1" 2>/dev/null | tr -d '\r'; }

# Waits up to $3 seconds until the window's state matches the pattern $2; prints the state.
wait_state() {
  local deadline=$((SECONDS + ${3:-10})) state
  while [ $SECONDS -lt $deadline ]; do
    state=$(probe_state "$1")
    # shellcheck disable=SC2053
    if [[ $state == $2 ]]; then
      echo "$state"
      return 0
    fi
    sleep 0.3
  done
  echo "$state"
  return 1
}

# The texts of the balloons the tray shows now, one a line.
balloons() { wine "$window_probe" balloons 2>/dev/null | tr -d '\r'; }

wait_balloon() {
  local deadline=$((SECONDS + ${1:-10})) text
  while [ $SECONDS -lt $deadline ]; do
    text=$(balloons)
    if [ -n "$text" ]; then
      echo "$text"
      return 0
    fi
    sleep 0.3
  done
  return 1
}

# The shell's callback for a mouse event on the window's tray icon: 515 double-click, 513 press.
post_tray() { wine "$window_probe" tray "$1" "$2" >/dev/null 2>&1; }

# The icons docked into trayer's panel: Wine puts each in a small explorer.exe window.
tray_icons() {
  local panel
  panel=$(xdotool search --name '^panel$' 2>/dev/null | head -n 1)
  [ -n "$panel" ] || { echo 0; return; }
  xwininfo -tree -id "$panel" 2>/dev/null | grep -c '("explorer.exe" "explorer.exe")'
}

wait_tray_icons() {
  local deadline=$((SECONDS + ${2:-10}))
  while [ $SECONDS -lt $deadline ]; do
    [ "$(tray_icons)" = "$1" ] && return 0
    sleep 0.3
  done
  return 1
}

# The tray round trip of the window titled $1, moved to $2,$3 first, and minimized by the window
# manager when $4 is "wm", else by the minimize command of its system menu: it hides, a single
# press changes nothing, a double-click brings it back at the same place and active. Leaves the
# state after the restore in $trip_state.
tray_round_trip() {
  local caption=$1 x=$2 y=$3 by=${4:-menu} window before state
  window=$(xdotool search --onlyvisible --name "^$caption\$" | head -n 1)
  xdotool windowmove --sync "$window" "$x" "$y" 2>/dev/null
  sleep 0.5
  before=$(probe_state "$caption")
  if [ "$by" = wm ]; then
    xdotool windowminimize "$window"
  else
    wine "$window_probe" minimize "$caption" >/dev/null 2>&1
  fi
  wait_state "$caption" '0 * * *' 10 >/dev/null || fail "$caption: not hidden on minimize"
  [ "$(tray_icons)" = 1 ] || fail "$caption: the tray icon is gone while the window is hidden"
  post_tray "$caption" 513
  sleep 1
  state=$(probe_state "$caption")
  [[ $state == "0 "* ]] || fail "$caption: a single press on the icon showed the window ($state)"
  post_tray "$caption" 515
  state=$(wait_state "$caption" '1 0 1 *' 10) || fail "$caption: not back and active ($state)"
  sleep 0.5
  state=$(probe_state "$caption")
  # Same client-area position, ± 0 px.
  [ "$(cut -d' ' -f4 <<<"$state")" = "$(cut -d' ' -f4 <<<"$before")" ] ||
    fail "$caption: back at another place: [$before] before, [$state] after"
  echo "$caption: [$before] before the tray, [$state] after"
  trip_state=$state
}

# Every control of the window titled $1 at its twips at $2 dpi (± 1 px), the client area $3 (WxH).
check_geometry() {
  local caption=$1 dpi=$2 client=$3 report
  report=$(wine "$window_probe" geometry "$caption" "$dpi" 2>/dev/null | tr -d '\r')
  local status=$?
  if grep -q '^MISPLACED' <<<"$report"; then
    fail "$caption at $dpi dpi: controls away from their twips:"
    grep '^MISPLACED' <<<"$report"
  fi
  [ "$(head -n 1 <<<"$report")" = "client $client" ] ||
    fail "$caption at $dpi dpi: [$(head -n 1 <<<"$report")], want client $client"
  [ "$(grep -c . <<<"$report")" -gt 5 ] || fail "$caption at $dpi dpi: no controls read ($status)"
  echo "$caption at $dpi dpi: $(head -n 1 <<<"$report"), $(($(grep -c . <<<"$report") - 1)) controls"
}

# Gives a window the keyboard focus and presses keys.
press() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key "$@"
}

start_wine_session

folder=$work/program
mkdir -p "$folder"
cp "$mirvo_exe" "$folder/mirvo.exe"

echo "== 1. without bin\\rsync.exe"
wine "$folder/mirvo.exe" >/dev/null 2>&1 &
app=$!
if box=$(wait_window '^注意：$' 30); then
  [ -n "$shots" ] && import -window "$box" "$shots/wine-missing-rsync.png"
  if xdotool search --onlyvisible --name 'MIRVO主控制台' >/dev/null 2>&1; then
    fail "the console is shown although rsync.exe is missing"
  fi
  press "$box" Return
  wait_gone "$app" 15 || fail "the program did not end after OK"
else
  fail "no message box titled 注意："
fi

echo "== 2. the server window"
mkdir -p "$folder/bin"
cp "$recording_rsync" "$folder/bin/rsync.exe"
wine "$folder/mirvo.exe" >/dev/null 2>&1 &
app=$!
if console=$(wait_window '^MIRVO主控制台0.1$' 30); then
  [ -n "$shots" ] && import -window "$console" "$shots/wine-console.png"
  check_geometry MIRVO主控制台0.1 96 281x161
  # The console opens active with the focus on 启动服务端: Space presses it.
  state=$(wait_state MIRVO主控制台0.1 '1 0 1 * 启动服务端' 5) ||
    fail "the console opens without the focus on 启动服务端: [$state]"
  xdotool key space
  if server=$(wait_window '^MIRVO服务端$' 15); then
    sleep 1
    wait_window_gone '^MIRVO主控制台0.1$' 5 || fail "the console is still shown after the hand-over"
    state=$(wait_state MIRVO服务端 '1 0 1 * 启动服务' 5) ||
      fail "after the hand-over the focus is not on 启动服务: [$state]"
    wait_tray_icons 1 10 || fail "no tray icon docked after the load"
    check_geometry MIRVO服务端 96 302x311
    tray_round_trip MIRVO服务端 150 120
    [[ $trip_state == *" 启动服务" ]] || fail "back from the tray the focus is not on 启动服务: [$trip_state]"
    # The focus is where the keys go: Space presses 启动服务.
    xdotool key space
    sleep 0.5
    [ -n "$shots" ] && import -window "$server" "$shots/wine-server.png"
    if wait_file_lines "$folder/bin/recorded.txt" 1 15; then
      recorded=$(head -n 1 "$folder/bin/recorded.txt")
      expected="--config=/cygdrive/Z${folder//\//\/}/rsyncd.conf --port=873    --daemon --no-detach"
      case "$recorded" in
        *"$expected") ;;
        *) fail "daemon command line: got [$recorded], want it to end in [$expected]" ;;
      esac
    else
      fail "the daemon was not started"
    fi
    printf 'uid = 0\r\ngid = 0\r\nuse chroot = false\r\nstrict modes = true\r\nfake super = yes\r\ndont compress = *.gz *.tgz *.zip *.rpm *.deb *.iso *.bz2 *.tbz *.7z *.rar *.arj *.jar *.cab *.avi *.mp4 *.rmvb *.rm *.mp3 *.ape *.flv *.wma *.wmv\r\nhosts allow = *\r\n[test]\r\npath = /cygdrive/c/test\r\nread only = true\r\ntransfer logging = no\r\n\r\n' >"$work/expected.conf"
    cmp -s "$work/expected.conf" "$folder/rsyncd.conf" || fail "rsyncd.conf differs"
    [ "$(od -An -tx1 "$folder/rsyncd.secrets" | tr -d ' \n')" = "0d0a" ] ||
      fail "rsyncd.secrets is not exactly CR LF"
    rsync_exe_running || fail "no rsync.exe process runs after the start"
    # 启动服务 disabled itself: the focus moved on in the keyboard order, to 停止服务.
    state=$(wait_state MIRVO服务端 '1 0 1 * 停止服务' 5) ||
      fail "after the start the focus is not on 停止服务: [$state]"
    # 启动服务 is disabled now: back from the tray the focus is on the first control that can
    # take it, 停止服务, and Space stops the daemon.
    tray_round_trip MIRVO服务端 200 150
    [[ $trip_state == *" 停止服务" ]] || fail "while running, the focus is not on 停止服务: [$trip_state]"
    xdotool key space
    wait_no_rsync 10 || fail "rsync.exe still runs after 停止服务"
    sleep 1  # 启动服务 comes back once the window has seen that the daemon is gone
    click_control "$server" 600 3720 1335 495  # 启动服务
    wait_file_lines "$folder/bin/recorded.txt" 2 15 || fail "the daemon was not started again"
    wine "$window_probe" menu MIRVO服务端 2 >/dev/null 2>&1 || fail "no menu on a right-click"
    wait_gone "$app" 3 || fail "the program did not end on 退出 from the icon's menu"
    wait_no_rsync 3 || fail "rsync.exe still runs after the close"
    wait_tray_icons 0 10 || fail "the tray icon is still docked after the close"
  else
    fail "the server window did not appear"
  fi
else
  fail "the console did not appear"
fi
kill "$app" 2>/dev/null

# Starts mirvo.exe afresh (app: its process) and clicks the console's button at X Y (twips) that
# opens the working window with CAPTION (opened: that window). Fails when either does not appear.
open_from_console() {
  rm -f "$folder/bin/recorded.txt"
  wine "$folder/mirvo.exe" >/dev/null 2>&1 &
  app=$!
  local console
  console=$(wait_window '^MIRVO主控制台0.1$' 30) || { fail "the console did not appear"; return 1; }
  click_control "$console" "$1" "$2" 1215 495
  opened=$(wait_window "^$3\$" 15) || { fail "$3 did not appear"; return 1; }
  sleep 1
}

echo "== 3. the end of the session"
if open_from_console 600 840 MIRVO服务端; then
  server=$opened
  wait_tray_icons 1 10 || fail "no tray icon docked after the load"
  click_control "$server" 600 3720 1335 495  # 启动服务
  wait_file_lines "$folder/bin/recorded.txt" 1 15 || fail "the daemon was not started"
  rsync_exe_running || fail "no rsync.exe process runs after the start"
  answer=$(wine "$window_probe" endsession MIRVO服务端 2>/dev/null | tr -d '\r')
  [ "$answer" = "1" ] || fail "the window did not let the session end: [$answer]"
  wait_gone "$app" 15 || fail "the program did not end with the session"
  wait_no_rsync 10 || fail "rsync.exe still runs after the end of the session"
  wait_tray_icons 0 10 || fail "the tray icon is still docked after the end of the session"
fi
kill "$app" 2>/dev/null

echo "== 4. the client window"
rm -f "$folder/bin/recorded.txt"
# shell32 traces each Shell_NotifyIconW call of the program: the message and the structure size.
WINEDEBUG=+systray wine "$folder/mirvo.exe" >/dev/null 2>"$work/systray.txt" &
app=$!
if console=$(wait_window '^MIRVO主控制台0.1$' 30); then
  click_control "$console" 2400 840 1215 495  # 启动客户端
  if client=$(wait_window '^MIRVO客户端$' 15); then
    sleep 1
    state=$(wait_state MIRVO客户端 '1 0 1 * 开始同步' 5) ||
      fail "after the hand-over the focus is not on 开始同步: [$state]"
    check_geometry MIRVO客户端 96 263x352
    click_control "$client" 1440 600 1815 270  # 服务端IP
    press "$client" End $(printf 'BackSpace %.0s' $(seq 1 30))
    xdotool type '127.0.0.1'
    # Another window takes the activation and gives it back: the focus returns to 服务端IP.
    xterm 2>/dev/null &
    other=$!
    wait_state MIRVO客户端 '1 0 0 *' 10 >/dev/null || fail "a new window did not take the activation"
    xdotool windowactivate --sync "$client" 2>/dev/null
    state=$(wait_state MIRVO客户端 '1 0 1 * 127.0.0.1' 5) ||
      fail "activated again, the focus is not back on 服务端IP: [$state]"
    kill "$other" 2>/dev/null
    # Back from the tray the focus is on the box that had it.
    tray_round_trip MIRVO客户端 500 100 wm
    [[ $trip_state == *" 127.0.0.1" ]] || fail "back from the tray the focus left 服务端IP: [$trip_state]"
    [ -n "$shots" ] && import -window "$client" "$shots/wine-client.png"
    # From 源共享名 one step back in the keyboard order is 开始同步; Space presses it.
    click_control "$client" 1440 1320 1815 270  # 源共享名
    xdotool key shift+Tab
    state=$(probe_state MIRVO客户端)
    [[ $state == *" 开始同步" ]] || fail "shift+Tab from 源共享名 does not reach 开始同步: [$state]"
    xdotool key space
    if wait_file_lines "$folder/bin/recorded.txt" 1 15; then
      recorded=$(head -n 1 "$folder/bin/recorded.txt")
      expected="-avz --progress  --partial --port=873   test@127.0.0.1::test /cygdrive/c/test"
      case "$recorded" in
        *"$expected") ;;
        *) fail "transfer command line: got [$recorded], want it to end in [$expected]" ;;
      esac
    else
      fail "the transfer was not started"
    fi
    # It ended with status 0: a line of the log and nothing else.
    log="$folder/mirvo-transfers.log"
    if wait_file_lines "$log" 1 15; then
      line=$(sed -n 1p "$log" | tr -d '\r')
      [[ $line == *$'\t拉取\tc:\\test\ttest@127.0.0.1::test\t0\t成功' ]] || fail "log line: [$line]"
    else
      fail "no log line for the transfer"
    fi
    sleep 3
    [ -z "$(balloons)" ] || fail "a balloon after a transfer that succeeded: [$(balloons)]"
    # The next one ends with 23: a line and a warning balloon from the tray icon.
    echo 23 >"$folder/bin/exit-status.txt"
    click_control "$client" 2280 4440 1215 495  # 开始同步
    if wait_file_lines "$log" 2 15; then
      line=$(sed -n 2p "$log" | tr -d '\r')
      [[ $line == *$'\ttest@127.0.0.1::test\t23\t'* ]] || fail "log line: [$line]"
    else
      fail "no log line for the failed transfer"
    fi
    if balloon=$(wait_balloon 10); then
      echo "balloon: [$balloon]"
      [[ $balloon == *"拉取失败：模块“test”，服务端 127.0.0.1"*"退出状态 23："* ]] ||
        fail "balloon text: [$balloon]"
      [ -n "$shots" ] && import -window root "$shots/wine-balloon.png"
      # Clicked (NIN_BALLOONUSERCLICK), it opens the log with notepad, as .log files on Windows.
      wine reg add 'HKCR\.log' /ve /d txtfile /f >/dev/null 2>&1
      post_tray MIRVO客户端 1029
      wait_window 'mirvo-transfers.log' 15 >/dev/null || fail "the balloon's click opened no log"
    else
      fail "no balloon after a transfer that ended with 23"
    fi
    grep -a 'Shell_NotifyIconW' "$work/systray.txt"
    # NIM_ADD (0) with the first-version size, NIM_MODIFY (1) once, with the full size (x64).
    grep -aq 'dwMessage = 0, nid->cbSize=168$' "$work/systray.txt" ||
      fail "the icon was not added with the first-version structure"
    [ "$(grep -ac 'dwMessage = 1, nid->cbSize=976$' "$work/systray.txt")" = 1 ] ||
      fail "not exactly one NIM_MODIFY with the full structure size"
    rm -f "$folder/bin/exit-status.txt"
  else
    fail "the client window did not appear"
  fi
else
  fail "the console did not appear"
fi
kill "$app" 2>/dev/null

echo "== 5. at 144 dpi"
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wineserver -p 2>/dev/null
wine cmd /c exit </dev/null >/dev/null 2>&1
for working in MIRVO服务端 MIRVO客户端; do
  wine "$folder/mirvo.exe" >/dev/null 2>&1 &
  app=$!
  if console=$(wait_window '^MIRVO主控制台0.1$' 30); then
    wait_state MIRVO主控制台0.1 '1 0 1 * 启动服务端' 5 >/dev/null ||
      fail "144 dpi: the console opens without the focus on 启动服务端"
    if [ "$working" = MIRVO服务端 ]; then
      check_geometry MIRVO主控制台0.1 144 422x242
      [ -n "$shots" ] && import -window "$console" "$shots/wine-console-144dpi.png"
      xdotool key space
    else
      xdotool key Tab space  # 启动客户端
    fi
    if window=$(wait_window "^$working\$" 15); then
      sleep 1
      wait_tray_icons 1 10 || fail "144 dpi: no tray icon docked for $working"
      if [ "$working" = MIRVO服务端 ]; then
        check_geometry "$working" 144 453x467
      else
        check_geometry "$working" 144 395x528
      fi
      shot=server
      [ "$working" = MIRVO客户端 ] && shot=client
      [ -n "$shots" ] && import -window "$window" "$shots/wine-$shot-144dpi.png"
      tray_round_trip "$working" 120 80
      press "$window" alt+F4
      wait_gone "$app" 15 || fail "144 dpi: the program did not end when $working was closed"
    else
      fail "144 dpi: $working did not appear"
    fi
  else
    fail "144 dpi: the console did not appear"
  fi
  kill "$app" 2>/dev/null
done

finish_session
