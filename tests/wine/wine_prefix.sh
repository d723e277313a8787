#!/bin/sh
# The wine prefix of one test run, in the build folder.
#   wine_prefix.sh start WINE_DIR WINE64 WINESERVER   a fresh prefix with COM1 and COM2 mapped
#                                                       to WINE_DIR/ports/COM1 and COM2, and a
#                                                       wineserver that stays until "stop"
#   wine_prefix.sh stop WINE_DIR WINE64 WINESERVER    ends that wineserver and its processes
# Everything wine starts here writes to a log file, never to the caller's output: CTest waits
# until every process holding its pipes has ended, and the wineserver and wine's own services
# outlive this script.
set -eu
action=$1
dir=$2
wine=$3
server=$4

export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEARCH=win64
# No dialogs (CI has no display and no stdin): no .NET or HTML engine to offer installing.
export WINEDLLOVERRIDES="mscoree,mshtml="
log="$dir/wine.log"

case "$action" in
start)
    if [ -d "$WINEPREFIX" ]; then
        "$server" -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
    mkdir -p "$WINEPREFIX" "$dir/ports"
    : >"$log"
    "$server" -p </dev/null >>"$log" 2>&1
    "$wine" wineboot -i </dev/null >>"$log" 2>&1
    for n in 1 2; do
        "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$dir/ports/COM$n" /f \
            </dev/null >>"$log" 2>&1
    done
    # The mount manager reads the port table when wine's services start: start them anew,
    # here, so that no test's wine start has to.
    "$server" -k
    "$server" -p </dev/null >>"$log" 2>&1
    "$wine" reg query 'HKLM\Software\Wine\Ports' </dev/null >>"$log" 2>&1
    for n in 1 2; do
        target=$(readlink "$WINEPREFIX/dosdevices/com$n" || true)
        if [ "$target" != "$dir/ports/COM$n" ]; then
            echo "wine did not map COM$n to $dir/ports/COM$n (it is '$target'); see $log" >&2
            exit 1
        fi
    done
    ;;
stop)
    "$server" -k 2>/dev/null || true
    ;;
*)
    echo "usage: $0 start|stop WINE_DIR WINE64 WINESERVER" >&2
    exit 2
    ;;
esac
