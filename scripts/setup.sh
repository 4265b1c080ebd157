#!/usr/bin/env bash
# Installs what building, testing and the demo need, from Debian's packages. Idempotent:
# a package already present is left alone, and nothing is asked of apt when all are.
set -euo pipefail

packages=(cmake ninja-build g++ clang clang-format libclang-rt-14-dev googletest libgtest-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
          wine wine64 wine32:i386 xvfb wixl msitools xdotool x11-apps netpbm)

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    sudo_if_needed dpkg --add-architecture i386
    need_update=1
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo_if_needed apt-get update -q
    # wine32's post-install scripts fail where the kernel cannot run 32-bit programs;
    # the 64-bit loader still works there, so carry on.
    sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        "${missing[@]}" || sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -q -f
elif [ "${need_update:-0}" = 1 ]; then
    sudo_if_needed apt-get update -q
fi
echo "setup: all packages present"
