#!/usr/bin/env bash
# The main job: builds both programs and runs them on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

# Until both programs exist this runs what has been built so far.
ran=0
for b in build/bin/*; do
    [ -x "$b" ] || continue
    echo "== $b --help"
    "$b" --help || true
    ran=1
done
[ "$ran" = 1 ] || echo "nothing to run yet"
