#!/usr/bin/env bash
# The real Windows program under Wine, on an X display of its own (Xvfb): it starts and
# shows its first window, the language dialog.
#
# Usage: smoke.sh <wine prefix> program <zip>
#            unzips the program folder and starts its Pelzamo2007.exe;
#        smoke.sh <wine prefix> installer <setup.exe>
#            installs silently (/S) for the user, checks the installed files, the
#            Start-menu entry and the uninstall entry, starts the installed program, then
#            uninstalls silently and checks that nothing it installed is left.
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/wine.sh"
prefix=$1 mode=$2 what=$3
export WINEPREFIX=$prefix
wine_prefix "$prefix"

work=$(mktemp -d)
xvfb=
cleanup() {
    wineserver -k 2>/dev/null || true
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# A display of its own: Xvfb picks a free number and writes it once it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY

# The program folder's subfolders that would be offered as languages are the packs alone
# (Qt's plugins are in .qt).
only_packs() {
    local folders
    folders=$(cd "$1" && find . -mindepth 1 -maxdepth 1 -type d ! -name '.*' | sort | tr '\n' ' ')
    [ "$folders" = "./English ./Magyar " ] || { echo "subfolders of $1: $folders"; return 1; }
}

# Starts a Windows program and waits (at most a minute) for the language dialog.
shows_language_dialog() {
    local started=$SECONDS
    wine "$1" >"$work/program.log" 2>&1 &
    local program=$!
    for _ in $(seq 240); do
        if xwininfo -root -tree 2>/dev/null | grep -q '"Select language"'; then
            echo "the language dialog is shown after $((SECONDS - started)) s"
            wineserver -k 2>/dev/null || true
            wait "$program" 2>/dev/null || true
            return 0
        fi
        if ! kill -0 "$program" 2>/dev/null; then
            echo "the program ended without showing the language dialog:"
            cat "$work/program.log"
            return 1
        fi
        sleep 0.25
    done
    echo "no language dialog within a minute"
    return 1
}

case $mode in
program)
    unzip -q "$what" -d "$work/unzipped"
    [ "$(ls -A "$work/unzipped")" = Pelzamo2007 ] || { echo "the zip holds more than Pelzamo2007\\"; exit 1; }
    only_packs "$work/unzipped/Pelzamo2007"
    shows_language_dialog "$work/unzipped/Pelzamo2007/Pelzamo2007.exe"
    ;;
installer)
    user=$(WINEPREFIX=$prefix wine cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r')
    home=$prefix/drive_c/users/$user
    installed=$home/AppData/Local/Programs/Pelzamo2007
    shortcut="$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Pelzamo2007.lnk"
    rm -rf "$installed"
    wine "$what" /S
    wineserver -w
    for file in Pelzamo2007.exe pelzamo-sim.exe Uninstall.exe qt.conf Qt6Widgets.dll \
        .qt/plugins/platforms/qwindows.dll English/Pelzamo2007.ini LICENSE-LGPL-3.txt; do
        [ -f "$installed/$file" ] || { echo "not installed: $file"; exit 1; }
    done
    [ -f "$shortcut" ] || { echo "no Start-menu entry"; exit 1; }
    wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelzamo2007' \
        /v DisplayVersion | grep -q DisplayVersion || { echo "no uninstall entry"; exit 1; }
    echo "installed: $(find "$installed" -type f | wc -l) files"
    only_packs "$installed"
    shows_language_dialog "$installed/Pelzamo2007.exe"
    # A pack that the user added stays.
    mkdir -p "$installed/Mine"
    echo '[General]' >"$installed/Mine/Pelzamo2007.ini"
    wine "$installed/Uninstall.exe" /S
    wineserver -w
    left=$(cd "$installed" && find . -mindepth 1 | sort | tr '\n' ' ')
    [ "$left" = "./Mine ./Mine/Pelzamo2007.ini " ] || { echo "left after uninstalling: $left"; exit 1; }
    [ ! -e "$shortcut" ] || { echo "the Start-menu entry is left"; exit 1; }
    if wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelzamo2007' \
        >/dev/null 2>&1; then
        echo "the uninstall entry is left"
        exit 1
    fi
    echo "uninstalled: only the pack added by the user is left"
    ;;
*)
    echo "usage: $0 <wine prefix> program|installer <zip|setup.exe>"
    exit 2
    ;;
esac
