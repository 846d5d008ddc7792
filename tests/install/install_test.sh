#!/usr/bin/env bash
# scripts/install as an ordinary user runs it, with a home of its own:
#   - without a built program it stops with a clear message and installs nothing; what an install
#     that fails half way placed is still listed, so that an uninstall removes it;
#   - an install places the program folder (its programs stripped), a valid menu entry and the icon
#     at every size;
#   - the installed mirvo starts from the entry's Exec line (through gio, as a launcher does),
#     and its server writes its documents into the installed folder and runs its daemon;
#   - an update keeps the user's files and rsyncd.conf, and drops a file an older version had;
#   - --uninstall removes what the install added, and nothing the user made or changed;
#   - a prefix with spaces and shell characters and an XDG_DATA_HOME of its own work the same.
# Run as root (as CI does), it creates an ordinary user and runs the cases as that user.
# Usage: install_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1
build_dir=$2
test_user=mirvo-install

if [ -z "${MIRVO_INSTALL_TEST_WORK:-}" ]; then
  work=$(mktemp -d /tmp/mirvo-install-test.XXXXXX)
  chmod 755 "$work"
  trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
  # A copy of the source tree's scripts with the build's program folder and icons, and one with
  # nothing built. Neither may be written, so the install takes what is built as it is.
  for tree in built bare; do
    mkdir -p "$work/$tree/scripts/lib" "$work/$tree/build/linux" "$work/$tree/src/app"
    cp "$source_dir/scripts/install" "$work/$tree/scripts/"
    cp "$source_dir/scripts/lib/common.sh" "$work/$tree/scripts/lib/"
    cp "$source_dir/src/app/mirvo.desktop.in" "$work/$tree/src/app/"
  done
  mkdir -p "$work/built/build/linux/stage/bin" "$work/built/build/linux/icons"
  cp "$build_dir/stage/mirvo" "$work/built/build/linux/stage/"
  cp "$build_dir/stage/bin/rsync.exe" "$work/built/build/linux/stage/bin/"
  cp -r "$build_dir/icons/hicolor" "$work/built/build/linux/icons/"
  chmod -R a+rX,a-w "$work/built" "$work/bare"
  mkdir "$work/home"
  environment=(PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" LANG=C.UTF-8
               MIRVO_INSTALL_TEST_WORK="$work")
  if [ "$(id -u)" -eq 0 ]; then
    id -u "$test_user" >/dev/null 2>&1 ||
      useradd -M -N -r -s /usr/sbin/nologin "$test_user" || { echo "cannot create $test_user"; exit 1; }
    chown "$test_user" "$work/home"
    runuser -u "$test_user" -- env -i "${environment[@]}" bash "$0" "$@"
  else
    env -i "${environment[@]}" bash "$0" "$@"
  fi
  exit $?
fi

# ---- from here on, as the ordinary user ----
work=$MIRVO_INSTALL_TEST_WORK
built=$work/built
stage=$built/build/linux/stage
# The programs as the install must place them: without their symbols.
stripped=$HOME/stripped
mkdir -p "$stripped"
strip -o "$stripped/mirvo" "$stage/mirvo"
strip -o "$stripped/rsync.exe" "$stage/bin/rsync.exe"
sizes=(16 22 24 32 48 64 128 256)
failures=0
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done; }
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
# check DESCRIPTION COMMAND...: the command must succeed.
check() {
  local what=$1
  shift
  "$@" || fail "$what"
}

wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  while [ $SECONDS -lt $deadline ]; do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

window_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(window_named "$1")" ]; }
port_answers() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port_closed() { ! port_answers "$1"; }

# Clicks the centre of a control given its twip rectangle (96 dpi: 15 twips a pixel), as placed
# by the layouts in src/resources/layouts.cpp.
click_control() {
  local window=$1 left=$2 top=$3 width=$4 height=$5
  xdotool mousemove --window "$window" $(((left + width / 2) / 15)) $(((top + height / 2) / 15)) \
    click 1
  sleep 0.3
}
type_into() {
  local window=$1 text=$2
  shift 2
  xdotool windowfocus --sync "$window" 2>/dev/null
  click_control "$window" "$@"
  xdotool key ctrl+a BackSpace
  xdotool type --delay 8 "$text"
}

free_port() {
  local port
  for port in $(shuf -i 20000-60000 -n 50); do
    port_closed "$port" && { echo "$port"; return 0; }
  done
  return 1
}

entry_has() { grep -qxF -- "$2" "$1"; }

# Every file the install must place, and how each must look.
check_installed() {
  local prefix=$1 entry=$2 icons=$3 size
  check "mirvo installed, stripped" cmp -s "$stripped/mirvo" "$prefix/mirvo"
  check "bin/rsync.exe installed, stripped" cmp -s "$stripped/rsync.exe" "$prefix/bin/rsync.exe"
  check "mirvo executable" test -x "$prefix/mirvo"
  check "bin/rsync.exe executable" test -x "$prefix/bin/rsync.exe"
  local validation
  if ! validation=$(desktop-file-validate "$entry" 2>&1) || [ -n "$validation" ]; then
    fail "desktop-file-validate: $validation"
  fi
  for line in 'Type=Application' 'Name=MIRVO' 'Icon=mirvo' 'Terminal=false' \
              'Categories=Network;FileTransfer;'; do
    check "entry line $line" entry_has "$entry" "$line"
  done
  for key in 'Name\[zh_CN\]' 'Comment' 'Comment\[zh_CN\]'; do
    check "entry key $key" grep -qE "^$key=.+" "$entry"
  done
  for size in "${sizes[@]}"; do
    local png=$icons/${size}x$size/apps/mirvo.png
    [ "$(identify -format '%m %wx%h' "$png" 2>/dev/null)" = "PNG ${size}x$size" ] ||
      fail "icon $png is not a ${size}x$size PNG"
  done
}

# Starts the entry through gio, as a launcher does; sets launched to the console's process id.
launched=
launch_entry() {
  local entry=$1 prefix=$2 console
  launched=
  gio launch "$entry" >/dev/null 2>&1 &
  wait_until 20 has_window 'MIRVO主控制台0.1' || { fail "no console from $entry"; return 1; }
  console=$(window_named 'MIRVO主控制台0.1')
  launched=$(xdotool getwindowpid "$console")
  pids+=("$launched")
  echo "console of process $launched, running $(readlink "/proc/$launched/exe")"
  [ "$(readlink "/proc/$launched/exe")" = "$prefix/mirvo" ] ||
    fail "the console runs $(readlink "/proc/$launched/exe"), not $prefix/mirvo"
}

end_process() {
  kill "$1" 2>/dev/null
  wait_until 5 eval "! kill -0 $1 2>/dev/null" || kill -9 "$1" 2>/dev/null
}

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
read -r -t 10 display <&"$displayfd" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$display
trayer --edge bottom --align right --widthtype pixel --width 200 >/dev/null 2>&1 &
pids+=($!)

echo "== nothing built"
output=$(bash "$work/bare/scripts/install" 2>&1) && fail "installed without a build"
grep -q 'scripts/run' <<<"$output" || fail "the message does not name scripts/run: $output"
[ ! -e "$HOME/.local" ] || fail "a failed install left $HOME/.local"

echo "== an install that fails half way can still be uninstalled"
mkdir -p "$HOME/.local/share"
chmod 555 "$HOME/.local/share"
bash "$built/scripts/install" >/dev/null 2>&1 && fail "installed into a data folder it cannot write"
chmod 755 "$HOME/.local/share"
check "the program files were placed" test -x "$HOME/.local/opt/mirvo/mirvo"
bash "$built/scripts/install" --uninstall >/dev/null || fail "uninstall after a failed install"
check "uninstall removes a half-done install" test ! -e "$HOME/.local/opt"
rmdir "$HOME/.local/share" "$HOME/.local"

echo "== install"
prefix=$HOME/.local/opt/mirvo
entry=$HOME/.local/share/applications/mirvo.desktop
icons=$HOME/.local/share/icons/hicolor
bash "$built/scripts/install" || fail "install"
check_installed "$prefix" "$entry" "$icons"
check "Exec names the installed mirvo" entry_has "$entry" "Exec=$prefix/mirvo"

echo "== the installed mirvo, started from the entry, writes beside itself"
mkdir -p "$HOME/share"
echo data >"$HOME/share/a.txt"
port=$(free_port)
if launch_entry "$entry" "$prefix"; then
  console=$(window_named 'MIRVO主控制台0.1')
  click_control "$console" 600 840 1215 495  # 启动服务端
  wait_until 10 has_window 'MIRVO服务端' || fail "no server window"
  server=$(window_named 'MIRVO服务端')
  type_into "$server" "$HOME/share" 1440 720 2535 270  # 共享路径
  type_into "$server" "$port" 1440 1440 2535 270       # 端口号
  click_control "$server" 600 3720 1335 495            # 启动服务
  wait_until 15 port_answers "$port" || fail "the installed daemon does not answer on $port"
  echo "daemon answers on $port; $(ls "$prefix" | tr '\n' ' ')"
  check "rsyncd.conf in the installed folder" grep -q "^path = .*$HOME/share" "$prefix/rsyncd.conf"
  check "rsyncd.secrets in the installed folder" test -f "$prefix/rsyncd.secrets"
  check "a pull from the installed daemon" \
    rsync -a "rsync://127.0.0.1:$port/test/" "$HOME/copy/"
  check "the pulled file" cmp -s "$HOME/share/a.txt" "$HOME/copy/a.txt"
  click_control "$server" 2520 3720 1335 495  # 停止服务
  wait_until 10 port_closed "$port" || fail "the daemon did not stop"
  end_process "$launched"
fi
for daemon in $(pgrep -u "$(id -u)" -f -- "--port=$port"); do end_process "$daemon"; done

echo "== update"
echo "mine" >"$prefix/notes.txt"
echo "log line" >"$prefix/mirvo-transfers.log"
kept=$(mktemp -d "$HOME/kept.XXXXXX")
cp "$prefix/rsyncd.conf" "$prefix/rsyncd.secrets" "$prefix/notes.txt" "$prefix/mirvo-transfers.log" \
  "$kept/"
printf 'an older mirvo' >"$prefix/mirvo"
# A file an older version placed and this one no longer has.
echo "old" >"$prefix/bin/old-helper"
printf 'file\t%s\t%s\n' "$(sha256sum <"$prefix/bin/old-helper" | cut -d' ' -f1)" \
  "$prefix/bin/old-helper" >>"$prefix/.mirvo-install"
bash "$built/scripts/install" >/dev/null || fail "update"
check_installed "$prefix" "$entry" "$icons"
for file in rsyncd.conf rsyncd.secrets notes.txt mirvo-transfers.log; do
  check "the update keeps $file" cmp -s "$kept/$file" "$prefix/$file"
done
check "the update drops the older version's file" test ! -e "$prefix/bin/old-helper"

echo "== uninstall"
bash "$built/scripts/install" --uninstall >/dev/null || fail "uninstall"
for gone in "$prefix/mirvo" "$prefix/bin" "$prefix/.mirvo-install" "$entry" \
            "$HOME/.local/share/icons" "$HOME/.local/share/applications"; do
  check "uninstall removes $gone" test ! -e "$gone"
done
for file in rsyncd.conf rsyncd.secrets notes.txt mirvo-transfers.log; do
  check "uninstall keeps $file" cmp -s "$kept/$file" "$prefix/$file"
done

echo "== a prefix with spaces and shell characters, and XDG_DATA_HOME"
odd=$HOME/"My Apps"/"MIRVO's \$HOME (程序)"
export XDG_DATA_HOME=$HOME/数据
entry=$XDG_DATA_HOME/applications/mirvo.desktop
bash "$built/scripts/install" --prefix "$odd" >/dev/null || fail "install into $odd"
check_installed "$odd" "$entry" "$XDG_DATA_HOME/icons/hicolor"
launch_entry "$entry" "$odd" && end_process "$launched"
echo "NoDisplay=true" >>"$entry"  # the user's own change
bash "$built/scripts/install" --uninstall --prefix "$odd" >/dev/null || fail "uninstall $odd"
check "uninstall keeps an entry the user changed" entry_has "$entry" "NoDisplay=true"
check "uninstall removes the icons" test ! -e "$XDG_DATA_HOME/icons"
check "uninstall removes the folders it made" test ! -e "$HOME/My Apps"

if [ $failures -eq 0 ]; then
  echo "all install checks passed"
fi
exit $((failures > 0))
