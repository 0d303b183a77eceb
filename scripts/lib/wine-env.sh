# Sourced by the scripts: the Wine environment of one build folder.
#   BUILD_DIR       build folder (default: <repo>/build)
#   WINEPREFIX      private prefix (default: $BUILD_DIR/wineprefix)
#   XVFB_DISPLAY_NUM  display number of the private Xvfb (default 95)
: "${BUILD_DIR:=$ROOT/build}"
export WINEPREFIX="${WINEPREFIX:-$BUILD_DIR/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install prompts; set before the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Makes the prefix once: no window manager trap, no crash dialog, fonts.
wine_prefix_ensure() {
    [ -e "$WINEPREFIX/.tarnwell-ready" ] && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
    local reg='wine reg add'
    $reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    $reg 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
    $reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1280x1024 /f >/dev/null 2>&1
    $reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    $reg 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
    $reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /t REG_SZ /d 'Liberation Serif' /f >/dev/null 2>&1
    $reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /t REG_SZ /d 'Liberation Mono' /f >/dev/null 2>&1
    if [ -d /usr/share/wine/fonts ]; then
        cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    wineserver -w
    touch "$WINEPREFIX/.tarnwell-ready"
}

# One Xvfb (unless a display is given), one persistent warmed-up wineserver,
# and a hidden process that keeps Wine's desktop alive between test programs.
wine_session_start() {
    if [ -z "${DISPLAY:-}" ]; then
        local n=${XVFB_DISPLAY_NUM:-95}
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        WINE_SESSION_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    fi
    local keeper="$WINEPREFIX/drive_c/desktop-keeper.exe"
    [ -e "$keeper" ] || i686-w64-mingw32-gcc -O2 -s -mwindows -o "$keeper" "$ROOT/scripts/lib/desktop-keeper.c"
    # A server left from before may be tied to another display: start afresh.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    wineserver -p
    # Services started by the first Wine process keep its stdio: give them /dev/null.
    wineboot </dev/null >/dev/null 2>&1
    wine "$keeper" </dev/null >/dev/null 2>&1 &
    WINE_SESSION_KEEPER_PID=$!
    sleep 0.5
}

wine_session_stop() {
    wineserver -k 2>/dev/null || true
    if [ -n "${WINE_SESSION_KEEPER_PID:-}" ]; then wait "$WINE_SESSION_KEEPER_PID" 2>/dev/null || true; fi
    if [ -n "${WINE_SESSION_XVFB_PID:-}" ]; then kill "$WINE_SESSION_XVFB_PID" 2>/dev/null || true; fi
}
