#!/usr/bin/env bash
# Installs what building, running and testing Dovex need on Debian, once; later calls only check.
set -eu
need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_cmd cmake || need+=(cmake)
have_cmd ninja || need+=(ninja-build)
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64)
have_cmd clang++ || need+=(clang)
[ -e /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a ] ||
    ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
[ -d /usr/src/googletest ] || need+=(googletest)
[ -x /usr/lib/wine/wine64 ] || need+=(wine wine64)
[ -x /usr/lib/wine/wine ] || need+=(wine32:i386)
have_cmd Xvfb || need+=(xvfb)
have_cmd xdpyinfo || need+=(x11-utils)
have_cmd xdotool || need+=(xdotool)
have_cmd import || need+=(imagemagick)
have_cmd flock || need+=(util-linux)
[ -e /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf ] || need+=(fonts-ipafont-gothic fonts-ipafont-mincho)
[ -e /usr/include/X11/extensions/Xfixes.h ] || need+=(libxfixes-dev)
have_cmd locale-gen || need+=(locales)
have_cmd chmcmd || need+=(fp-utils)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#need[@]} -gt 0 ]; then
    echo "== Installing: ${need[*]}"
    if printf '%s\n' "${need[@]}" | grep -q ':i386'; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${need[@]}"
fi
# Wine takes the system code page from the locale: Japanese (932), as on the systems Dovex is made for.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    echo "== Generating the ja_JP.UTF-8 locale"
    $sudo sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
