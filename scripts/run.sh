#!/usr/bin/env bash
# Builds the viewer and opens it on the project's own sample image.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target sectorscope samples
exec "$build/src/app/sectorscope" "$build/samples/${1:-sample.dmk}"
