#!/usr/bin/env bash
# For a machine whose kernel runs no 32-bit x86 code: runs the 32-bit side
# (the stub, Wine's 32-bit half and the Windows-side tests) under qemu-user,
# for a patient person; ctest still skips these tests there.
#
# Debian's qemu-i386 keeps one descriptor table for all threads of a
# process, so the thread-local segments that 32-bit Wine and its C library
# set per thread overwrite each other, and it gives signal handlers no trap
# number, so Wine takes every page fault for an illegal instruction. Single
# threads mostly get by; the shell's folder browser, with its threads,
# dies of it. qemu-i386-threads.patch gives each thread its own table and
# the signal frame its trap number.
#   emulated-i386.sh build DIR   builds DIR/qemu-i386 from Debian's source
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

build() {
    local dir=$1
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    [ -x "$dir/qemu-i386" ] && return 0
    # A mirror in the middle of a sync may fail an index that this build
    # does not need; the install says plainly when a package is missing.
    apt-get update -qq || echo "emulated-i386: apt-get update failed; going on with the lists there are" >&2
    apt-get install -y -qq dpkg-dev libglib2.0-dev meson ninja-build >/dev/null
    (cd "$dir" && rm -rf source && apt-get source -qq qemu >/dev/null 2>&1 &&
        mv "$(find . -maxdepth 1 -type d -name 'qemu-*' | head -n 1)" source)
    patch -d "$dir/source" -p1 <"$here/qemu-i386-threads.patch"
    mkdir -p "$dir/source/build"
    (cd "$dir/source/build" &&
        ../configure --target-list=i386-linux-user --disable-system --disable-tools --disable-docs \
            --disable-werror --meson=meson >configure.log &&
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
