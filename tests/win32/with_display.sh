#!/usr/bin/env bash
# Runs a command with a private Xvfb display of its own, for Win32 windows under Wine.
# Usage: with_display.sh COMMAND [ARGUMENTS…]
set -uo pipefail
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT
read -r -t 10 display <&"$displayfd" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$display
"$@"
