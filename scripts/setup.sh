#!/usr/bin/env bash
# Installs what the builds and tests need, from Debian's packages, when it is
# missing. Safe to run again.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev
          g++-mingw-w64-x86-64-posix wine64 xvfb xauth libcapstone-dev icoutils
          libc6-i386 imagemagick python3 llvm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
