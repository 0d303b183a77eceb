#!/bin/bash
# The installer under Wine, silently, in a Wine prefix of its own: after the
# install the program, the help file, the components (registered), the skin
# bitmaps and the registry value "FilePath" are where the program looks for
# them; after the uninstall all of it is gone.
#   silent_install_test.sh INSTALLER ARCH PREFIX [MODULE.dll ...]
# The modules are every file that components/ builds; Loomcraft.dll and
# CorvaneRedmp.dll among them must also be registered.
# Run by CTest inside the test session (DISPLAY set).
set -u
installer=$1 arch=$2 prefix=$3
shift 3
components=()
for c in "$@"; do [ -n "$c" ] && components+=("$c"); done

ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
. "$ROOT/scripts/lib/wine-env.sh"
WINEPREFIX_OVERRIDE=$prefix wine_target "$arch"
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run inside the test session"; exit 1; }
[ -f "$installer" ] || { echo "no installer $installer"; exit 1; }

wine_prefix_ensure
# A 32-bit program goes to "Program Files (x86)" on 64-bit Windows, and to
# "Program Files" on a 32-bit one (a prefix made by 32-bit Wine).
program_files="Program Files"
if [ "$arch" = win32 ] && [ -d "$WINEPREFIX/drive_c/Program Files (x86)" ]; then program_files="Program Files (x86)"; fi
install_win="C:\\$program_files\\Quillmere for OST to PST"
install_dir="$WINEPREFIX/drive_c/$program_files/Quillmere for OST to PST"
image_dir="$WINEPREFIX/drive_c/windows/Quillmere for OST to PST"
help_file="$(dirname "$installer")/../help/Quillmere for OST to PST.chm"
program="$(dirname "$installer")/../app/Tarnwell.exe"

failures=0
check() {  # description, command...
    local what=$1; shift
    if "$@" >/dev/null 2>&1; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
reg_value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_SZ *//p"; }
key_absent() { ! wine reg query "$1"; }
progid_of() {
    case $1 in
        Loomcraft.dll) echo 'HKCR\loomcraft.Class1\CLSID' ;;
        CorvaneRedmp.dll) echo 'HKCR\CorvaneRedmp.RDOSessionCorvane\CLSID' ;;
    esac
}

# What a failed earlier run may have left.
rm -rf "$install_dir" "$image_dir"
wine reg delete 'HKCR\QMKEYOST_PST' /f >/dev/null 2>&1

echo "installing $(basename "$installer") silently"
wine "$installer" /S </dev/null >/dev/null 2>&1
echo "installer exit code $?"
wineserver -w

check "Tarnwell.exe installed unchanged" cmp "$program" "$install_dir/Tarnwell.exe"
check "help file installed unchanged" cmp "$help_file" "$install_dir/Quillmere for OST to PST.chm"
check "uninstaller installed" test -f "$install_dir/uninstall.exe"
for b in Flash Browse AboutUs Save; do
    check "$b.bmp in the image folder" cmp "$ROOT/res/skin/$b.bmp" "$image_dir/$b.bmp"
done
value=$(reg_value 'HKCR\QMKEYOST_PST' FilePath)
check "FilePath is the installation folder ($value)" test "$value" = "$install_win"
for c in "${components[@]}"; do
    check "$c installed" test -f "$install_dir/$c"
    key=$(progid_of "$c")
    [ -z "$key" ] || check "$c registered" wine reg query "$key"
done
[ ${#components[@]} -gt 0 ] || echo "note: no components in this build; only the program, help and bitmaps checked"

echo "uninstalling silently"
wine "$install_win\\uninstall.exe" /S </dev/null >/dev/null 2>&1
# The uninstaller runs from a copy in the temporary folder: wait for it.
for _ in $(seq 120); do [ -e "$install_dir/uninstall.exe" ] || break; sleep 0.5; done
wineserver -w

check "installation folder removed" test ! -e "$install_dir"
check "image folder removed" test ! -e "$image_dir"
check "registry key QMKEYOST_PST removed" key_absent 'HKCR\QMKEYOST_PST'
for c in "${components[@]}"; do
    key=$(progid_of "$c")
    [ -z "$key" ] || check "$c unregistered" key_absent "$key"
done

if [ $failures -eq 0 ]; then echo "all checks passed"; else echo "$failures checks failed"; fi
exit $((failures > 0))
