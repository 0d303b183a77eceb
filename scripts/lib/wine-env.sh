# Sourced by the scripts: the Wine environment of one Windows target.
#   BUILD_DIR       build folder (default: <repo>/build)
#   WIN_ARCH        win32 (i686) or win64 (x86_64); wine_target sets it
#   WINEPREFIX      private prefix (default: $BUILD_DIR/wineprefix-$WIN_ARCH)
#   XVFB_DISPLAY_NUM  display number of the private Xvfb (default 95)
: "${BUILD_DIR:=$ROOT/build}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install prompts; set before the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# True where 32-bit Windows programs can run: the 32-bit loader is installed
# and this kernel executes 32-bit programs (some answer "Exec format error").
wine32_usable() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Chooses the target: its loader, prefix, toolchain and cross compiler.
# `wine` and `wineboot` on PATH go to the 32-bit loader, so the loaders are
# named by their full paths and reached through the functions below.
wine_target() {
    WIN_ARCH=$1
    export WINEARCH=$WIN_ARCH
    export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$BUILD_DIR/wineprefix-$WIN_ARCH}"
    if [ "$WIN_ARCH" = win64 ]; then
        WINE_LOADER=/usr/lib/wine/wine64
        WIN_TRIPLET=x86_64-w64-mingw32
    else
        WINE_LOADER=/usr/lib/wine/wine
        WIN_TRIPLET=i686-w64-mingw32
    fi
    export WINELOADER=$WINE_LOADER
    WIN_TOOLCHAIN="$ROOT/cmake/toolchain-$WIN_TRIPLET.cmake"
    WIN_BUILD="$BUILD_DIR/$WIN_ARCH"
}

wine() { "$WINE_LOADER" "$@"; }
wineboot() { "$WINE_LOADER" wineboot "$@"; }
wineserver() { /usr/lib/wine/wineserver "$@"; }

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
    # Japanese and Chinese folder names: a CJK font as the fallback of the UI fonts.
    local cjk=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
    if [ -e "$cjk" ]; then
        cp -n "$cjk" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        local face
        for face in 'Tahoma' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif' 'Segoe UI' 'Liberation Sans'; do
            $reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
                 /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
        done
    fi
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
        # An Xvfb that found its display taken has ended: the programs would
        # otherwise show on whoever owns that display, and fail when it goes.
        if ! kill -0 "$WINE_SESSION_XVFB_PID" 2>/dev/null; then
            echo "Xvfb could not take display :$n (in use? choose another with XVFB_DISPLAY_NUM)" >&2
            unset DISPLAY
            return 1
        fi
    fi
    local keeper="$WINEPREFIX/drive_c/desktop-keeper.exe"
    [ -e "$keeper" ] || "$WIN_TRIPLET-gcc" -O2 -s -mwindows -o "$keeper" "$ROOT/scripts/lib/desktop-keeper.c"
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
    if [ -n "${WINE_SESSION_XVFB_PID:-}" ]; then
        # The display goes with its Xvfb: a later session starts its own.
        kill "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
        wait "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
        unset DISPLAY WINE_SESSION_XVFB_PID
    fi
}

# The target scripts/run and scripts/screenshot use: 32-bit where it runs,
# 64-bit otherwise (WIN_ARCH=win32|win64 in the environment chooses).
wine_target_default() {
    local arch=${WIN_ARCH:-}
    if [ -z "$arch" ]; then
        if wine32_usable; then arch=win32; else arch=win64; fi
    fi
    wine_target "$arch"
}
