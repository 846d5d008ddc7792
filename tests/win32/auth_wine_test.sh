#!/usr/bin/env bash
# The Windows build's daemon meets the real rsync under Wine. The server window, driven through
# its controls, serves a Chinese share name and folder with authentication, a Chinese user name
# and a password outside ASCII; the system's rsync pulls the share (the user name in UTF-8, the
# password file in GBK) byte for byte, and a wrong password is refused. Both hold only when the
# secrets file lets nobody else read it, or rsync's strict modes refuse it. Wine starts the Linux
# rsync copied to bin\rsync.exe; a link /cygdrive/Z → / lets it read the paths MIRVO writes.
# Wine's cmd.exe neither waits for a Linux child nor reports its status, so the window may say
# the daemon ended while it serves on: only the daemon's side is checked.
# Usage: auth_wine_test.sh MIRVO_EXE WINDOW_PROBE_EXE
set -uo pipefail
mirvo_exe=$1
window_probe=$2
source "$(dirname "$0")/wine_session.sh" mirvo-wine-auth

# Creating /cygdrive needs root; another test may have made the link already.
mkdir -p /cygdrive 2>/dev/null && { [ -e /cygdrive/Z ] || ln -s / /cygdrive/Z 2>/dev/null; }
if [ "$(readlink -f /cygdrive/Z)" != / ]; then
  echo "SKIPPED: /cygdrive/Z is not a link to / and cannot be made one"
  exit 77
fi
start_wine_session

folder=$work/program
share=$work/共享数据
mkdir -p "$folder/bin" "$share/子目录"
cp "$mirvo_exe" "$folder/mirvo.exe"
cp /usr/bin/rsync "$folder/bin/rsync.exe"
head -c 300000 /dev/urandom >"$share/子目录/数据.bin"
printf '第一行\r\n' >"$share/说明.txt"
accepts() { timeout 1 bash -c "</dev/tcp/127.0.0.1/$1" 2>/dev/null; }
port=$(shuf -i 20000-60000 -n 1)
while accepts "$port"; do port=$(shuf -i 20000-60000 -n 1); done
user=用户甲
password=密码Ω9
printf '%s\r\n' "$password" | iconv -f UTF-8 -t GBK >"$work/password"
printf '%s\r\n' 密码Ω8 | iconv -f UTF-8 -t GBK >"$work/wrong"
chmod 600 "$work/password" "$work/wrong"

probe() { wine "$window_probe" "$@" >/dev/null 2>&1 || fail "window_probe $*"; }

wine "$folder/mirvo.exe" >/dev/null 2>&1 &
pids+=($!)
wait_window '^MIRVO主控制台0.1$' 30 >/dev/null || fail "the console did not appear"
probe click MIRVO主控制台0.1 启动服务端
wait_window '^MIRVO服务端$' 15 >/dev/null || fail "the server window did not appear"
sleep 1
probe set MIRVO服务端 共享路径 "Z:${share//\//\\}"
probe set MIRVO服务端 共享名 共享
probe set MIRVO服务端 端口号 "$port"
probe click MIRVO服务端 用户认证
probe set MIRVO服务端 用户名 "$user"
probe set MIRVO服务端 密码 "$password"
probe click MIRVO服务端 启动服务

config=--config=/cygdrive/Z$folder/rsyncd.conf
deadline=$((SECONDS + 20))
until accepts "$port"; do
  [ $SECONDS -lt $deadline ] || { fail "no daemon accepts on port $port"; break; }
  sleep 0.3
done
# The daemon is no Wine process: it is ended by its process id.
pids+=($(pgrep -f -- "$config"))

mode=$(stat -c %a "$folder/rsyncd.secrets")
[ $((8#$mode & 8#007)) -eq 0 ] || fail "rsyncd.secrets has mode $mode: others may read it"
conf_mode=$(stat -c %a "$folder/rsyncd.conf")
[ "$conf_mode" = "$(printf %o $((8#666 & ~8#$(umask))))" ] ||
  fail "rsyncd.conf has mode $conf_mode, not the one every file gets"
echo "modes: rsyncd.secrets $mode, rsyncd.conf $conf_mode"

rsync -r --password-file="$work/password" "rsync://$user@127.0.0.1:$port/共享/" "$work/pulled/" \
  2>"$work/pull.txt" || fail "the authenticated pull failed: $(cat "$work/pull.txt")"
diff -r "$share" "$work/pulled" || fail "the pulled files differ from the share"
if rsync -r --password-file="$work/wrong" "rsync://$user@127.0.0.1:$port/共享/" \
  "$work/refused/" 2>"$work/refused.txt"; then
  fail "a wrong password was admitted"
fi
grep -q 'auth failed' "$work/refused.txt" || fail "no auth failure: $(cat "$work/refused.txt")"
pids+=($(pgrep -f -- "$config"))
finish_session
