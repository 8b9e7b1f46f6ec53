# Sourced by the project's scripts: the Wine environment of one build tree.
#   DOVEX_WINE_DIR  state folder (prefix, display, logs); default build/wine of the repository
#   DOVEX_DISPLAY   an X display to use instead of the project's own Xvfb
#   DOVEX_DESKTOP   name of the Wine virtual desktop (default Dovex), DOVEX_DESKTOP_SIZE its size
DOVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
: "${DOVEX_WINE_DIR:=$DOVEX_ROOT/build/wine}"
: "${DOVEX_DESKTOP:=Dovex}"
: "${DOVEX_DESKTOP_SIZE:=1280x760}"
export WINEPREFIX="$DOVEX_WINE_DIR/prefix"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export DOVEX_DESKTOP

# Wine's 32-bit loader needs a kernel that runs 32-bit programs; some virtual machines have that switched off.
dovex_host_runs_32bit() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

if dovex_host_runs_32bit; then DOVEX_WINE=/usr/lib/wine/wine; else DOVEX_WINE=/usr/lib/wine/wine64; fi
[ -x "$DOVEX_WINE" ] || DOVEX_WINE=$(command -v wine)

# Whether a Windows executable is 32-bit (PE machine i386).
dovex_exe_is_32bit() {
    local off machine
    off=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$off" ] || return 1
    machine=$(od -An -tx2 -j$((off + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    [ "$machine" = "014c" ]
}

# Whether the process whose id a state file holds is alive.
dovex_pid_alive() {
    local pid
    pid=$(cat "$DOVEX_WINE_DIR/$1" 2>/dev/null) || return 1
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null
}

# Starts (once) the display, the prefix, a persistent wineserver and the virtual desktop.
dovex_wine_up() {
    mkdir -p "$DOVEX_WINE_DIR"
    exec 9>"$DOVEX_WINE_DIR/lock"
    flock 9
    if [ -n "${DOVEX_DISPLAY:-}" ]; then
        export DISPLAY=$DOVEX_DISPLAY
    else
        local num
        num=$(cat "$DOVEX_WINE_DIR/display" 2>/dev/null || true)
        if [ -z "$num" ] || ! dovex_pid_alive xvfb.pid; then
            num=90
            while [ -e "/tmp/.X11-unix/X$num" ] || [ -e "/tmp/.X$num-lock" ]; do num=$((num + 1)); done
            Xvfb ":$num" -screen 0 1280x800x24 -nolisten tcp >"$DOVEX_WINE_DIR/xvfb.log" 2>&1 &
            echo $! >"$DOVEX_WINE_DIR/xvfb.pid"
            echo "$num" >"$DOVEX_WINE_DIR/display"
            for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$num" ] && break; sleep 0.1; done
        fi
        export DISPLAY=":$num"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix $WINEPREFIX (about 20 s, once)..." >&2
        "$DOVEX_WINE" wineboot -i >"$DOVEX_WINE_DIR/wineboot.log" 2>&1 </dev/null

    fi
    # A crashing program ends at once instead of waiting in Wine's debugger until a test's time-out.
    if [ ! -f "$DOVEX_WINE_DIR/no-crash-debugger" ]; then
        "$DOVEX_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
            >/dev/null 2>&1 </dev/null
        touch "$DOVEX_WINE_DIR/no-crash-debugger"
    fi
    # One wineserver for the whole run keeps each program's start-up short.
    # Started here but outliving this call: it must not hold the caller's output open (ctest waits for it).
    wineserver -p >/dev/null 2>&1 </dev/null
    if ! dovex_pid_alive desktop.pid; then
        "$DOVEX_WINE" explorer "/desktop=$DOVEX_DESKTOP,$DOVEX_DESKTOP_SIZE" >"$DOVEX_WINE_DIR/desktop.log" 2>&1 </dev/null &
        echo $! >"$DOVEX_WINE_DIR/desktop.pid"
        sleep 2
    fi
    flock -u 9
    exec 9>&-
}

dovex_wine_down() {
    WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null
    local pid
    for f in desktop.pid xvfb.pid; do
        pid=$(cat "$DOVEX_WINE_DIR/$f" 2>/dev/null) && kill "$pid" 2>/dev/null
        rm -f "$DOVEX_WINE_DIR/$f"
    done
    true
}
