#!/bin/sh
# Runs a command with a virtual X display of its own, for a Windows program under wine that
# needs real windows (Qt's "windows" platform):   with_display.sh COMMAND [ARGUMENTS]
set -eu
tmp=$(mktemp -d)
exec 3>"$tmp/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    sleep 0.1
done
[ -s "$tmp/display" ] || { cat "$tmp/xvfb.log" >&2; exit 1; }
DISPLAY=":$(head -n1 "$tmp/display")" "$@"
