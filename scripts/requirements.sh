# Sourced by setup.sh and check-fresh.sh: the Debian packages the project
# installs, and each command or file that its scripts and builds rely on,
# with the package that provides it.

QV_PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev
             g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
             wine wine64 xvfb xauth libcapstone-dev icoutils libc6-i386 imagemagick python3 llvm)

# "kind name package used-by": a command is looked up on PATH; a file is a
# glob; the rest of the line says what needs it.
QV_REQUIREMENTS=(
  "command cmake cmake test.sh demo.sh"
  "command ninja ninja-build test.sh demo.sh (the presets' generator)"
  "command g++ g++ test.sh (native, tsan)"
  "command clang clang test.sh (fuzz)"
  "command clang++ clang test.sh (fuzz)"
  "command x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix test.sh demo.sh (mingw)"
  "command x86_64-w64-mingw32-gcc-posix gcc-mingw-w64-x86-64-posix test.sh demo.sh (mingw)"
  "command x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64 test.sh demo.sh (mingw resources)"
  "command wine wine wine-env.sh (e2e.sh demo.sh)"
  "command wineboot wine wine-env.sh"
  "command winepath wine wine-env.sh"
  "command wineserver wine wine-env.sh"
  "command Xvfb xvfb wine-env.sh"
  "command wrestool icoutils unit tests (peinfo)"
  "command import imagemagick screenshots of the dialog"
  "file /usr/bin/convert imagemagick demo.sh, make-icon.sh (ImageMagick's own: another convert may come first on PATH)"
  "command icotool icoutils make-icon.sh"
  "file /usr/bin/python3 python3 mingw build (symbol file generator), include check"
  "command llvm-readobj llvm unit tests (peinfo)"
  "file /usr/include/capstone/capstone.h libcapstone-dev unit tests (disasm), bench_disasm"
  "file /usr/lib/x86_64-linux-gnu/libcapstone.so libcapstone-dev unit tests (disasm), bench_disasm"
  "file /usr/include/gtest/gtest.h libgtest-dev native build"
  "file /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake libgtest-dev native build"
  "file /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a libclang-rt-14-dev fuzz build"
  "file /lib32/libc.so.6 libc6-i386 unit tests (disasm)"
)

# Prints the path where a requirement is found, or fails when it is absent.
qv_requirement_path() {
  local kind=$1 name=$2 path
  if [ "$kind" = command ]; then
    path=$(command -v "$name") || return 1
  else
    # shellcheck disable=SC2086 # the name is a glob on purpose
    path=$(compgen -G $name | head -n 1) || return 1
  fi
  [ -e "$path" ] && echo "$path"
}
