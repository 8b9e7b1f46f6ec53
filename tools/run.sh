#!/usr/bin/env bash
# The run command: installs what is missing, builds Dovex and starts it under Wine in a virtual desktop,
# on your X display when there is one, otherwise on a private Xvfb screen. Stops when Dovex exits
# (or on Ctrl+C).
set -u
cd "$(dirname "$0")/.."
tools/setup.sh || exit 1
export DOVEX_WINE_DIR=${DOVEX_WINE_DIR:-$PWD/build/run-wine}  # a prefix of its own, apart from the tests'
. tools/wine-env.sh

preset=x86_64  # the product: 64-bit Dovex.exe and Dovex.dll
cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j"$(nproc)" || exit 1
exe=$PWD/build/$preset/app/Dovex.exe

if [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    export DOVEX_DISPLAY=$DISPLAY
fi
dovex_wine_up
if [ -z "${DOVEX_DISPLAY:-}" ]; then
    echo "No X display here: Dovex runs on the private screen $DISPLAY. To look at it:"
    echo "    DISPLAY=$DISPLAY import -window root dovex.png"
fi
# Programs started in this prefix join the virtual desktop of its explorer.
"$DOVEX_WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d "$DOVEX_DESKTOP" /f >/dev/null 2>&1
"$DOVEX_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$DOVEX_DESKTOP" /t REG_SZ \
    /d "$DOVEX_DESKTOP_SIZE" /f >/dev/null 2>&1
# First use of this prefix: a playlist of the sample cursors and a short wait, so that a show comes soon.
if [ ! -f "$DOVEX_WINE_DIR/playlist-prepared" ]; then
    settings='HKCU\Software\Vantoquil\Dovex\Settings'
    group='HKCU\Software\Vantoquil\Dovex\Playlist\サンプル'
    "$DOVEX_WINE" reg add "$settings" /v WaitTime /t REG_DWORD /d 10000 /f >/dev/null 2>&1
    "$DOVEX_WINE" reg add "$group" /v SaverMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
    "$DOVEX_WINE" reg add "$group" /v SaverPlayTime /t REG_DWORD /d 3000 /f >/dev/null 2>&1
    i=0
    for f in "$PWD/build/$preset/art/samples/"*.ani; do
        "$DOVEX_WINE" reg add "$group" /v "$i" /t REG_SZ /d "Z:${f//\//\\}" /f >/dev/null 2>&1
        i=$((i + 1))
    done
    touch "$DOVEX_WINE_DIR/playlist-prepared"
    echo "Prepared a playlist of $i sample cursors and a wait of 10 seconds."
fi
# Started directly (not through explorer) so that its process id is known: the run command ends only
# the Dovex it started, never another program of that name.
"$DOVEX_WINE" "$exe" &
dovex_pid=$!
trap 'kill "$dovex_pid" 2>/dev/null; dovex_wine_down' EXIT
echo "Dovex runs in the Wine desktop window \"$DOVEX_DESKTOP\" (its icon is in the taskbar's notification area)."
echo "Leave the mouse still for 10 seconds to see the show; move it to end the show. Quit with Ctrl+C here"
echo "or with 終了 in the icon's right-click menu."
while kill -0 "$dovex_pid" 2>/dev/null; do sleep 1; done
echo "Dovex has ended."
