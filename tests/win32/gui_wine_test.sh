#!/usr/bin/env bash
# Drives the real mirvo.exe under Wine, Xvfb and trayer with real clicks:
#   1. without bin\rsync.exe: the start-up message appears, and the process is gone after OK;
#   2. console → server window → 启动服务: both files byte-exact, the recorded daemon command line,
#      the tray icon present; 停止服务 ends the daemon; closing ends the program;
#   3. console → client window → 开始同步: the recorded transfer command line.
# A recording rsync.exe stands in for Cygwin's rsync: it writes its command line and contacts
# nobody. The server address is set to 127.0.0.1 all the same.
# Usage: gui_wine_test.sh MIRVO_EXE RECORDING_RSYNC_EXE [SCREENSHOT_DIR]
set -uo pipefail
mirvo_exe=$1
recording_rsync=$2
shots=${3:-}

work=$(mktemp -d /tmp/mirvo-wine-gui.XXXXXX)
# A prefix of its own, so that ending its wineserver touches no other test.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
       LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
failures=0
pids=()

cleanup() {
  wineserver -k 2>/dev/null
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# Waits up to $2 seconds for a window whose name matches $1; prints its id.
wait_window() {
  local deadline=$((SECONDS + ${2:-20})) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  return 1
}

wait_gone() {
  local deadline=$((SECONDS + ${2:-20}))
  while [ $SECONDS -lt $deadline ]; do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.2
  done
  return 1
}

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

# Gives a window the keyboard focus (there is no window manager) and presses keys.
press() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key "$@"
}

# Our own X server and tray.
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
read -r -t 10 display <&"$displayfd" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$display
trayer --edge bottom --align right --widthtype pixel --width 200 >/dev/null 2>&1 &
pids+=($!)
wineboot -i >/dev/null 2>&1
# Linux has no SimSun; a Song-style face with SimSun's compact line height stands in for it.
for face in 宋体 SimSun; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Zen Hei' /f \
    >/dev/null 2>&1
done
wineserver -p 2>/dev/null
wine cmd /c exit </dev/null >/dev/null 2>&1

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
  click_control "$console" 600 840 1215 495  # 启动服务端
  if server=$(wait_window '^MIRVO服务端$' 15); then
    sleep 1
    wait_window_gone '^MIRVO主控制台0.1$' 5 || fail "the console is still shown after the hand-over"
    click_control "$server" 600 3720 1335 495  # 启动服务
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
    click_control "$server" 2520 3720 1335 495  # 停止服务
    wait_no_rsync 10 || fail "rsync.exe still runs after 停止服务"
    press "$server" alt+F4
    wait_gone "$app" 15 || fail "the program did not end when its window was closed"
  else
    fail "the server window did not appear"
  fi
else
  fail "the console did not appear"
fi
kill "$app" 2>/dev/null

echo "== 3. the client window"
rm -f "$folder/bin/recorded.txt"
wine "$folder/mirvo.exe" >/dev/null 2>&1 &
app=$!
if console=$(wait_window '^MIRVO主控制台0.1$' 30); then
  click_control "$console" 2400 840 1215 495  # 启动客户端
  if client=$(wait_window '^MIRVO客户端$' 15); then
    sleep 1
    click_control "$client" 1440 600 1815 270  # 服务端IP
    press "$client" End $(printf 'BackSpace %.0s' $(seq 1 30))
    xdotool type '127.0.0.1'
    [ -n "$shots" ] && import -window "$client" "$shots/wine-client.png"
    click_control "$client" 2280 4440 1215 495  # 开始同步
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
  else
    fail "the client window did not appear"
  fi
else
  fail "the console did not appear"
fi
kill "$app" 2>/dev/null

if [ $failures -eq 0 ]; then
  echo "1 passed, 0 failed"
  exit 0
fi
echo "0 passed, 1 failed: $failures checks"
exit 1
