# shellcheck shell=dash
# Wine prefixes for the Windows build's tests: sourced by the build's wine-run and by the
# smoke tests (tests/windows/).

# No messages from Wine itself; no Mono or Gecko installers when a prefix is made.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# The Windows path of a Unix path: Wine's drive Z: is the Unix root.
wine_path() {
    printf 'Z:%s' "$1" | tr / '\\'
}

# The folders of a ;-separated list of files, as Windows paths separated by ;.
wine_path_list() {
    local IFS=';' file out=
    for file in $1; do
        out="$out${out:+;}$(wine_path "$(dirname "$file")")"
    done
    printf '%s' "$out"
}

# wine_prefix <folder> [NAME=value...]
# Makes the Wine prefix <folder> once (a later call returns at once), with the variables
# in HKCU\Environment, Wine's Tahoma in its Fonts folder (Wine's text looks otherwise take
# a serif fallback), font smoothing on, and no crash dialog.
wine_prefix() {
    local prefix=$1
    shift
    [ -f "$prefix/.ready" ] && return 0
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        [ -f "$prefix/.ready" ] && exit 0
        rm -rf "$prefix"
        WINEPREFIX=$prefix wineboot --init >/dev/null 2>&1
        WINEPREFIX=$prefix wineserver -w
        cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
            "$prefix/drive_c/windows/Fonts/"
        {
            printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Environment]\n'
            local setting
            for setting in "$@"; do
                printf '"%s"="%s"\n' "${setting%%=*}" "$(printf '%s' "${setting#*=}" | sed 's/\\/\\\\/g')"
            done
            printf '\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n'
            printf '"FontSmoothing"="2"\n"FontSmoothingType"=dword:00000002\n'
            printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n'
        } >"$prefix/settings.reg"
        WINEPREFIX=$prefix wine regedit /S "$(wine_path "$prefix/settings.reg")" >/dev/null 2>&1
        WINEPREFIX=$prefix wineserver -w
        touch "$prefix/.ready"
    ) 9>"$prefix.lock"
}
