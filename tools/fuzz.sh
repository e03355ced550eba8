#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz/ and runs each one for a
# bounded time, starting from its seed corpus in fuzz/corpus/<target>/.
#
#   tools/fuzz.sh [seconds per target, default 60] [target ...]
#
# New inputs go to build-fuzz/corpus/<target>/ (the repository's seeds stay as they are);
# a crashing input is written to build-fuzz/crashes/<target>/ and ends the script with status
# 1. Keep such an input in fuzz/corpus/<target>/ once its fault is fixed: the normal test
# command then runs it through the same entry point.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true

packages=(clang-14 libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}" >&2
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -q
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
tools/deps.sh

CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQB_FUZZ=ON -DQB_TESTS=OFF -DQB_BENCH=OFF -DQB_GUI=OFF
targets=("$@")
if ((${#targets[@]} == 0)); then
    for dir in fuzz/corpus/*/; do
        name=$(basename "$dir")
        if grep -Eq "^ *fuzz_target\(${name} " fuzz/CMakeLists.txt; then
            targets+=("$name")
        fi
    done
fi
fuzzers=()
for t in "${targets[@]}"; do fuzzers+=("${t}_fuzzer"); done
cmake --build build-fuzz -j "$(nproc)" --target "${fuzzers[@]}"

status=0
for t in "${targets[@]}"; do
    bin=build-fuzz/bin/${t}_fuzzer
    mkdir -p "build-fuzz/corpus/$t" "build-fuzz/crashes/$t"
    echo "== $t: ${seconds} s" >&2
    if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$bin" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=1024 \
            -print_final_stats=1 -artifact_prefix="build-fuzz/crashes/$t/" \
            "build-fuzz/corpus/$t" "fuzz/corpus/$t" 2>"build-fuzz/$t.log"; then
        echo "== $t: FAILED, see build-fuzz/$t.log and build-fuzz/crashes/$t/" >&2
        status=1
    fi
    grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|#[0-9]+ *DONE)' \
        "build-fuzz/$t.log" >&2 || true
done
exit $status
