#!/usr/bin/env bash
# Builds and runs every test: a normal build, then a second build under
# AddressSanitizer and UndefinedBehaviorSanitizer. Warnings are errors here.
#
# The tests run in parallel, the normal build's suite three times over, with TMPDIR pointed at an
# empty folder of this run's own: a test that shares a file with another, or depends on
# another's timing, fails here rather than at random later, and one that leaves a file
# behind fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

scratch=$(mktemp -d)
# Qt keeps its run-time folder in TMPDIR when there is no session: give it one outside.
runtime=$(mktemp -d)
trap 'rm -rf "$scratch" "$runtime"' EXIT
export TMPDIR=$scratch
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$runtime}

check_scratch() {
    local left
    left=$(find "$scratch" -mindepth 1 -maxdepth 3 | head -n 20)
    if [ -n "$left" ]; then
        echo "The tests left files in TMPDIR ($1):" >&2
        echo "$left" >&2
        exit 1
    fi
}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_WERROR=ON
cmake --build build -j "$jobs"
# Three times over, eight at once: half a minute a round. The package test builds the Debian
# package and runs lintian, once is enough for it.
ctest --test-dir build --output-on-failure -j 8 --repeat until-fail:3 -LE package
ctest --test-dir build --output-on-failure -L package
check_scratch "normal build"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQB_WERROR=ON -DQB_SANITIZE=ON \
    -DQB_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
check_scratch "sanitizer build"
