# Sourced by the project's scripts: the Wine environment of one build tree.
#   DOVEX_WINE_DIR  state folder (prefix, display, logs); default build/wine of the repository
#   DOVEX_DISPLAY   an X display to use instead of the project's own Xvfb
#   DOVEX_DESKTOP   name of the Wine virtual desktop (default Dovex), DOVEX_DESKTOP_SIZE its size
#   DOVEX_DESKTOP_LOADER  32 to start that desktop with Wine's 32-bit loader (default 64)
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

# The loader is chosen per program: the 64-bit one for the prefix, the desktop and 64-bit programs, the
# 32-bit one only for 32-bit programs. (`wine` is the 32-bit loader wherever wine32 is installed: a desktop
# started with it runs a 32-bit explorer, and then mouse input does not reach 64-bit windows.)
DOVEX_WINE64=/usr/lib/wine/wine64
[ -x "$DOVEX_WINE64" ] || DOVEX_WINE64=$(command -v wine64 || command -v wine)
DOVEX_WINE32=
if dovex_host_runs_32bit; then DOVEX_WINE32=/usr/lib/wine/wine; fi
# Told to the Windows tests, which cannot find it out themselves.
if [ -n "$DOVEX_WINE32" ]; then export DOVEX_HOST_RUNS_32BIT=1; else export DOVEX_HOST_RUNS_32BIT=0; fi
DOVEX_WINE=$DOVEX_WINE64
# DOVEX_DESKTOP_LOADER=32 starts the desktop with the 32-bit loader (the tests of that configuration).
: "${DOVEX_DESKTOP_LOADER:=64}"

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
        # Each desktop has an X screen of its own: two virtual desktops on one screen would cover each
        # other, and the input would go to whichever lies on top.
        local num
        num=$(cat "$DOVEX_WINE_DIR/display-$DOVEX_DESKTOP" 2>/dev/null || true)
        if [ -z "$num" ] || ! dovex_pid_alive "xvfb-$DOVEX_DESKTOP.pid"; then
            num=90
            while [ -e "/tmp/.X11-unix/X$num" ] || [ -e "/tmp/.X$num-lock" ]; do num=$((num + 1)); done
            # -noreset: an X server resets when its last client leaves (between two test programs, when the
            # desktop has closed), and the pointer then jumps back to the middle of the screen.
            Xvfb ":$num" -screen 0 1280x800x24 -nolisten tcp -noreset >"$DOVEX_WINE_DIR/xvfb-$DOVEX_DESKTOP.log" 2>&1 &
            echo $! >"$DOVEX_WINE_DIR/xvfb-$DOVEX_DESKTOP.pid"
            echo "$num" >"$DOVEX_WINE_DIR/display-$DOVEX_DESKTOP"
            for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$num" ] && break; sleep 0.1; done
        fi
        export DISPLAY=":$num"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix $WINEPREFIX (about 20 s, once)..." >&2
        "$DOVEX_WINE" wineboot -i >"$DOVEX_WINE_DIR/wineboot.log" 2>&1 </dev/null

    fi
    # A crashing program ends at once instead of waiting in Wine's debugger until a test's time-out; 32-bit
    # programs read the setting from the registry's 32-bit view.
    if [ ! -f "$DOVEX_WINE_DIR/no-crash-debugger-both-views" ]; then
        for view in 64 32; do
            "$DOVEX_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
                "/reg:$view" >/dev/null 2>&1 </dev/null
        done
        touch "$DOVEX_WINE_DIR/no-crash-debugger-both-views"
    fi
    # One wineserver for the whole run keeps each program's start-up short.
    # Started here but outliving this call: it must not hold the caller's output open (ctest waits for it).
    wineserver -p >/dev/null 2>&1 </dev/null
    if ! dovex_pid_alive "desktop-$DOVEX_DESKTOP.pid"; then
        local loader=$DOVEX_WINE64
        [ "$DOVEX_DESKTOP_LOADER" = 32 ] && loader=$DOVEX_WINE32
        "$loader" explorer "/desktop=$DOVEX_DESKTOP,$DOVEX_DESKTOP_SIZE" >"$DOVEX_WINE_DIR/desktop-$DOVEX_DESKTOP.log" 2>&1 </dev/null &
        echo $! >"$DOVEX_WINE_DIR/desktop-$DOVEX_DESKTOP.pid"
        sleep 2
    fi
    flock -u 9
    exec 9>&-
}

dovex_wine_down() {
    WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null
    local pid f
    for f in "$DOVEX_WINE_DIR"/desktop-*.pid "$DOVEX_WINE_DIR"/xvfb-*.pid; do
        [ -f "$f" ] || continue
        pid=$(cat "$f" 2>/dev/null) && kill "$pid" 2>/dev/null
        rm -f "$f"
    done
    true
}

# Ends one virtual desktop this environment started (its window leaves the screen).
dovex_desktop_down() {
    local f pid
    for f in "$DOVEX_WINE_DIR/desktop-$1.pid" "$DOVEX_WINE_DIR/xvfb-$1.pid"; do
        pid=$(cat "$f" 2>/dev/null) || continue
        kill "$pid" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        rm -f "$f"
    done
}
