#!/usr/bin/env bash
# Builds the whole project and its tests with ASan + UBSan (clang) in a build folder of its own
# and runs every test; the first sanitizer report fails the test that made it.
#   scripts/test-sanitize.sh [BUILD_DIR]     (default build-sanitize)
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/sanitizers/env.sh
build="${1:-build-sanitize}"
configure_sanitize_build "$build" || exit 1
cmake --build "$build" -j"$(nproc)" || exit 1
cd "$build" && ctest --output-on-failure -j"$(nproc)" --timeout 1200
