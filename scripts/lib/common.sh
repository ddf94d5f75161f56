# Shared by scripts/run and scripts/test: install what is missing, then configure and build.

# Debian/Ubuntu packages the program needs to build and run.
PELZAMO_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev qt6-qpa-plugins libgl-dev
    fonts-dejavu-core
    librandom123-dev
)

# What scripts/test needs on top: the test and benchmark libraries, help2man for the man
# page that the full build makes, the checkers of the desktop entry and the metadata, what
# makes and checks the Debian package, the validator of the N42 files, and what the test
# of the README's cluster recipes runs (a one-node Slurm cluster, GNU parallel over ssh).
PELZAMO_TEST_PACKAGES=(
    libgtest-dev libgmock-dev libbenchmark-dev
    help2man desktop-file-utils appstream
    dpkg-dev file lintian
    libxml2-utils
    slurm-wlm munge parallel openssh-server openssh-client rsync
)

# Installs the packages that are not installed yet, with sudo when not root.
ensure_packages() {
    local missing=()
    local p
    for p in "${PELZAMO_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "error: need root or sudo to install ${missing[*]}" >&2; exit 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    # The test packages include servers (sshd, munged, Slurm's daemons) that the tests
    # start themselves on the loopback address; the install must not start them as
    # system services listening everywhere. A policy-rc.d that refuses every start does
    # that, unless the machine already has one of its own.
    local policy=/usr/sbin/policy-rc.d own_policy=0
    if [ ! -e "$policy" ]; then
        printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee "$policy" >/dev/null
        "${sudo[@]}" chmod 755 "$policy"
        own_policy=1
    fi
    local status=0
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" || status=$?
    [ "$own_policy" -eq 0 ] || "${sudo[@]}" rm -f "$policy"
    return "$status"
}

# configure <build dir> [cmake options...]
configure() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@"
}

# configure_and_build <build dir> [cmake options...]
configure_and_build() {
    configure "$@"
    cmake --build "$1"
}
