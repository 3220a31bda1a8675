#!/usr/bin/env bash
# Installs everything Slipway needs to build and test on a fresh Debian machine.
# Safe to run again: every step checks whether its work is already done.
#
#   scripts/bootstrap.sh            install packages and build the MinGW liblzma
#
# The cross-built liblzma lands in $SLIPWAY_CACHE (default /var/cache/slipway).
set -euo pipefail

CACHE=${SLIPWAY_CACHE:-/var/cache/slipway}
export DEBIAN_FRONTEND=noninteractive

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

PACKAGES=(
    # host build
    g++ cmake ninja-build pkg-config googletest libgtest-dev liblzma-dev
    libtomlplusplus-dev
    clang libclang-rt-14-dev clang-format
    # Windows side
    g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
    wine wine64 wine32:i386 xvfb xauth x11-utils
    # Wine's Marlett and Wingdings, as Windows has them: check boxes, caption
    # buttons and the progress pages' step marks draw with them
    fonts-wine
    # source of the stub's LZMA decoder
    dpkg-dev autoconf automake libtool
    # peers for tests and benchmarks
    osslsigncode openssl lzma-alone nsis imagemagick
    # benchmark tools
    time python3
)

missing_packages() {
    local p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || echo "$p"
    done
}

# A mirror in the middle of a sync serves an index of the wrong size now and
# then; apt keeps the lists it could fetch. Try a few times, then go on with
# what there is: the install below says plainly if a package is still missing.
refresh_package_lists() {
    local try
    for try in 1 2 3; do
        if as_root apt-get update -q; then return 0; fi
        echo "bootstrap: apt-get update failed (try $try of 3)" >&2
        sleep $((try * 5))
    done
    echo "bootstrap: going on with the package lists apt could fetch" >&2
}

ensure_packages() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    # deb-src entries for the stub's liblzma; this Debian keeps its sources in deb822 form
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list; then
        local uris suites
        uris=$(awk '/^URIs:/ && /debian\/?$/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
        [ -n "$uris" ] || uris=http://deb.debian.org/debian
        suites=$(. /etc/os-release && echo "$VERSION_CODENAME")
        as_root tee /etc/apt/sources.list.d/slipway-src.sources >/dev/null <<SRC
Types: deb-src
URIs: $uris
Suites: $suites
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        rm -f "$CACHE/.apt-updated"
    fi
    local need
    need=$(missing_packages)
    if [ -n "$need" ] || [ ! -e "$CACHE/.apt-updated" ]; then
        as_root mkdir -p "$CACHE"
        refresh_package_lists
        as_root touch "$CACHE/.apt-updated"
        need=$(missing_packages)
    fi
    if [ -n "$need" ]; then
        # When the security suite's i386 list could not be fetched, its newer
        # amd64 libraries cannot pair with the i386 ones Wine needs: the
        # second try takes both from the release itself.
        # shellcheck disable=SC2086
        as_root apt-get install -y -q --no-install-recommends $need ||
            as_root apt-get install -y -q --no-install-recommends -t "$(. /etc/os-release && echo "$VERSION_CODENAME")" $need
    fi
}

# Cross-builds a static liblzma from Debian's own xz-utils source.
#   $1 = install prefix, $2.. = extra configure flags
build_mingw_lzma() {
    local prefix=$1; shift
    local stamp="$CFLAGS_LZMA $*"
    # Rebuilt when the flags change, reused otherwise.
    if [ -f "$prefix/lib/liblzma.a" ] && [ "$(cat "$prefix/.flags" 2>/dev/null)" = "$stamp" ]; then
        return 0
    fi
    as_root rm -rf "$prefix"
    local src="$CACHE/src"
    as_root mkdir -p "$src"
    if ! ls -d "$src"/xz-utils-*/ >/dev/null 2>&1; then
        (cd "$src" && as_root apt-get source -q xz-utils)
    fi
    local dir
    dir=$(ls -d "$src"/xz-utils-*/ | head -n 1)
    local build
    build=$(mktemp -d)
    (
        cd "$build"
        "$dir/configure" --host=i686-w64-mingw32 --prefix="$prefix" \
            --enable-static --disable-shared --disable-threads \
            --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo \
            --disable-lzma-links --disable-scripts --disable-doc --disable-nls \
            CC=i686-w64-mingw32-gcc-win32 CFLAGS="$CFLAGS_LZMA" \
            "$@" >configure.log 2>&1 || { tail -n 30 configure.log; exit 1; }
        make -C src/liblzma -j"$(nproc)" >make.log 2>&1 || { tail -n 30 make.log; exit 1; }
        as_root make -C src/liblzma install >install.log 2>&1
        echo "$stamp" | as_root tee "$prefix/.flags" >/dev/null
    )
    rm -rf "$build"
}

CFLAGS_LZMA="-Os -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables"
ensure_packages
# the stub's decoder: small, no threads, no encoders
build_mingw_lzma "$CACHE/lzma-stub" --enable-small --disable-encoders \
    --enable-decoders=lzma1 --disable-match-finders --disable-checks --enable-checks=crc32
# the builder's Windows build needs the encoder too
build_mingw_lzma "$CACHE/lzma-full" --disable-threads
echo "bootstrap: ready (cache $CACHE)"
