# Builds Qt for Windows (x86_64-w64-mingw32) from Debian's own qt6-base source package,
# once per machine: the result is cached outside the checkout in a folder keyed by the Qt
# version and the contents of this file, the toolchain file and the Qt patches, so a
# change to any of them builds anew and an unchanged one takes seconds.
#
# Sourced by scripts/windows; needs: top (the checkout), and sets QT_WINDOWS (the install).

# Core, Gui, Widgets, Test and the windows platform plugin; what the program does not use
# is left out. OpenGL needs both switches (the feature alone still runs its tests);
# tablet input needs sources Debian leaves out; the DirectWrite 3 font database does not
# link with MinGW's libraries, so Qt uses its GDI font database.
QT_WINDOWS_CONFIGURE=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_opengl=OFF -DINPUT_opengl=no
    -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
)

qt_windows_key() {
    local version=$1
    { cat "$top/scripts/lib/windows-qt.sh" "$top/cmake/mingw-w64-x86_64.cmake"
      cat "$top"/scripts/qt-patches/*.patch 2>/dev/null || true; } | sha256sum | cut -c1-12 |
        sed "s/^/qt-$version-/"
}

# A deb-src entry for every deb entry of the machine's own apt sources, so that
# apt-get source works; the hosts are the machine's, copied, never written here.
ensure_deb_src() {
    apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Package: qt6-base' && return 0
    local list=/etc/apt/sources.list.d/pelzamo-deb-src.sources
    echo "Adding deb-src entries derived from the apt sources ($list)"
    local sources=(/etc/apt/sources.list.d/*.sources)
    {
        for f in "${sources[@]}"; do
            [ -f "$f" ] && [ "$f" != "$list" ] && sed -n 's/^Types:.*\bdeb\b.*$/Types: deb-src/;p' "$f" && echo
        done
        if [ -f /etc/apt/sources.list ]; then
            # One-line entries become deb822 stanzas.
            awk '$1 == "deb" { $1 = ""; sub(/^ +/, ""); if ($1 ~ /^\[/) { while ($1 !~ /\]$/) { $1 = ""; sub(/^ +/, "") } $1 = ""; sub(/^ +/, "") }
                 printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $1, $2; for (i = 3; i <= NF; i++) printf " %s", $i; printf "\n\n" }' \
                /etc/apt/sources.list
        fi
    } | as_root tee "$list" >/dev/null
    as_root apt-get update -qq
}

build_qt_windows() {
    local cache_root=${PELZAMO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pelzamo2007}
    ensure_deb_src
    local version
    version=$(apt-cache showsrc qt6-base | sed -n 's/^Version: //p' | head -n 1)
    [ -n "$version" ] || { echo "error: no qt6-base source package found" >&2; exit 1; }
    local dir=$cache_root/$(qt_windows_key "${version%%+*}")
    QT_WINDOWS=$dir/install
    if [ -f "$dir/done" ]; then
        echo "Qt $version for Windows: cached in $dir"
        return 0
    fi
    echo "Building Qt $version for Windows in $dir (about 30 minutes on 2 cores; once per machine)"
    local started=$SECONDS
    rm -rf "$dir"
    mkdir -p "$dir/src"
    (cd "$dir/src" && apt-get source -qq qt6-base >/dev/null)
    local src
    src=$(find "$dir/src" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
    local p
    for p in "$top"/scripts/qt-patches/*.patch; do
        [ -f "$p" ] && patch -d "$src" -p1 --forward --quiet <"$p"
    done
    cmake -S "$src" -B "$dir/build" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)/cmake \
        -DCMAKE_INSTALL_PREFIX="$QT_WINDOWS" \
        "${QT_WINDOWS_CONFIGURE[@]}" >"$dir/configure.log" 2>&1 ||
        { tail -n 40 "$dir/configure.log" >&2; exit 1; }
    nice -n 10 cmake --build "$dir/build" >"$dir/build.log" 2>&1 ||
        { tail -n 40 "$dir/build.log" >&2; exit 1; }
    cmake --install "$dir/build" >"$dir/install.log" 2>&1
    rm -rf "$dir/build" "$dir/src"
    touch "$dir/done"
    echo "Qt for Windows built in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s"
}
