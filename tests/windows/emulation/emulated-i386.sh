#!/usr/bin/env bash
# For a machine whose kernel runs no 32-bit x86 code: runs the 32-bit side
# (the stub, Wine's 32-bit half and the Windows-side tests) under qemu-user,
# for a patient person; ctest still skips these tests there.
#
# Bookworm's qemu (7.2) tracks guest pages one by one: every mmap of 32-bit
# Wine scans its huge reservations page by page, and one Wine process takes
# a minute and a half to start. qemu 10 (bookworm-backports) keeps them in
# an interval tree and starts one in a second or two, and gives each thread
# its own descriptor table (its thread-local segments). It still gives
# signal handlers no trap number, so Wine would take every page fault for
# an illegal instruction: qemu-i386-trapno.patch puts it in the frame.
#   emulated-i386.sh build DIR   builds DIR/qemu-i386 from Debian's qemu 10 source
#   emulated-i386.sh on DIR      registers it for i386 programs (root)
#   emulated-i386.sh off         removes the registration
# Then SLIPWAY_WINE_EMULATED=1 for wine-session.sh and wine-run.sh. The
# tests' named time limits (k...TimeoutMs) are set for native speed: under
# emulation they need about ten times as long.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
# An i386 ELF executable or shared object.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

qemu_version=10.0.2
backports=/etc/apt/sources.list.d/slipway-backports.sources

# qemu 10's source and the meson it needs (bookworm's is too old) come from
# bookworm-backports, added for the build only.
fetch_sources() {
    local dir=$1
    cat >"$backports" <<'LIST'
Types: deb deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
LIST
    apt-get update -qq || echo "emulated-i386: apt-get update failed; going on with the lists there are" >&2
    local status=0
    (cd "$dir" && apt-get source -qq --download-only --tar-only "qemu/bookworm-backports" &&
        apt-get download -qq "meson/bookworm-backports") >/dev/null 2>&1 || status=$?
    rm -f "$backports"
    apt-get update -qq || true
    return $status
}

build() {
    local dir=$1
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    [ -x "$dir/qemu-i386" ] && return 0
    apt-get install -y -qq libglib2.0-dev ninja-build python3-venv >/dev/null
    rm -rf "$dir/source" "$dir/meson" "$dir"/qemu_*.orig.tar.* "$dir"/meson_*.deb
    fetch_sources "$dir" || { echo "emulated-i386: could not fetch qemu's source from bookworm-backports" >&2; exit 1; }
    mkdir -p "$dir/source" "$dir/meson"
    tar -xf "$dir"/qemu_*.orig.tar.* -C "$dir/source" --strip-components=1
    grep -qx "$qemu_version" "$dir/source/VERSION" ||
        echo "emulated-i386: expected qemu $qemu_version, got $(cat "$dir/source/VERSION"); trying it" >&2
    dpkg -x "$dir"/meson_*.deb "$dir/meson"
    local site=$dir/meson/usr/lib/python3/dist-packages
    # configure insists on pycotap, which only its own test runner uses.
    mkdir -p "$site/pycotap" "$site/pycotap-1.3.1.dist-info"
    : >"$site/pycotap/__init__.py"
    printf 'Metadata-Version: 2.1\nName: pycotap\nVersion: 1.3.1\n' >"$site/pycotap-1.3.1.dist-info/METADATA"
    : >"$site/pycotap-1.3.1.dist-info/RECORD"
    patch -d "$dir/source" -p1 <"$here/qemu-i386-trapno.patch"
    mkdir -p "$dir/source/build"
    (cd "$dir/source/build" &&
        export PYTHONPATH=$site PATH=$dir/meson/usr/bin:$PATH &&
        ../configure --target-list=i386-linux-user --disable-system --disable-tools --disable-docs \
            --disable-werror --disable-install-blobs >configure.log &&
        ninja qemu-i386 >ninja.log)
    cp "$dir/source/build/qemu-i386" "$dir/qemu-i386"
}

on() {
    local interpreter
    interpreter=$(cd "$1" && pwd)/qemu-i386
    [ -x "$interpreter" ] || { echo "emulated-i386: build $interpreter first" >&2; exit 1; }
    # A machine (or container) may not have the registry mounted yet.
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    off
    echo ":qemu-i386:M::$magic:$mask:$interpreter:F" >"$binfmt/register"
}

off() {
    if [ -e "$entry" ]; then echo -1 >"$entry"; fi
}

case ${1:-} in
build) build "${2:?usage: emulated-i386.sh build DIR}" ;;
on) on "${2:?usage: emulated-i386.sh on DIR}" ;;
off) off ;;
*) echo "usage: emulated-i386.sh build DIR | on DIR | off" >&2; exit 2 ;;
esac
