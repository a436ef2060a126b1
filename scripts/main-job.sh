#!/usr/bin/env bash
# The main job: builds everything and runs a short self-check of the foundation
# (the unit suites of every part built so far). Later it uploads for real.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build/main -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/main -j "$(nproc)"
ctest --test-dir build/main -j "$(nproc)" --output-on-failure --no-tests=error
