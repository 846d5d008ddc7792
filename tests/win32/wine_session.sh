# What the tests that drive mirvo.exe under Wine share: a work folder with a Wine prefix of its
# own (ending its wineserver touches no other test), a display of their own (Xvfb, openbox,
# trayer), and one way to count failures. Usage: source wine_session.sh WORK_FOLDER_PREFIX
work=$(mktemp -d "/tmp/$1.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
       LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
failures=0
pids=()  # processes the test started, ended at the end

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

# Our own X server, window manager and tray, and the prefix with Wine's services running.
start_wine_session() {
  exec {displayfd}<> <(:)
  Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  read -r -t 10 display <&"$displayfd" || { echo "Xvfb did not start"; exit 1; }
  export DISPLAY=:$display
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
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
}

# The test's verdict as its exit status.
finish_session() {
  if [ $failures -eq 0 ]; then
    echo "1 passed, 0 failed"
    exit 0
  fi
  echo "0 passed, 1 failed: $failures checks"
  exit 1
}
