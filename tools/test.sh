#!/usr/bin/env bash
# The test command: installs what is missing, builds every preset and runs all tests (native ones with
# sanitizers and the fuzzer, Windows ones under Wine). Ends with ctest's summary of the last preset;
# the exit status covers them all.
set -u
cd "$(dirname "$0")/.."
tools/setup.sh || exit 1
. tools/wine-env.sh
trap dovex_wine_down EXIT

jobs=$(nproc)
presets=(native i686 x86_64)  # the 64-bit Windows build runs last, so its summary closes the output
status=0
for preset in "${presets[@]}"; do
    echo "== $preset: configure and build"
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j"$jobs"; then
        echo "== $preset: BUILD FAILED"
        status=1
        continue
    fi
    if [ "$preset" = i686 ] && ! dovex_host_runs_32bit; then
        echo "== i686: this host's kernel does not run 32-bit programs, so Wine cannot run the 32-bit tests;"
        echo "   they are built and reported as skipped"
    fi
    if [ "$preset" = "${presets[-1]}" ]; then
        [ $status -eq 0 ] && echo "== earlier presets: all passed" || echo "== earlier presets: FAILURES above"
    fi
    echo "== $preset: tests"
    ctest --preset "$preset" -j"$jobs" || status=1
done
exit $status
