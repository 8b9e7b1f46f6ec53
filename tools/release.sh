#!/usr/bin/env bash
# The release command: builds the 64-bit product (Release, stripped) and zips it with CPack into
# build/release/Dovex-<version>-win64.zip; the archive's path is the last line printed.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 -j"$(nproc)" --target Dovex dovex_hook dovex_help dovex_art
mkdir -p build/release
(cd build/x86_64 && cpack -G ZIP >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/x86_64/CMakeCache.txt)
archive=$PWD/build/release/Dovex-$version-win64.zip
[ -f "$archive" ] || { echo "release: no archive was written" >&2; exit 1; }
echo "$archive"
