#!/usr/bin/env bash
# Renders the bundled demo offline in a loop for SECONDS (default 300) and prints the resident
# memory after each pass; fails when it still grows in the later half of the passes.
#   scripts/soak.sh [BUILD_DIR] [SECONDS] [extra demosoak options, e.g. --size 1280x720 --fps 60]
set -euo pipefail
build=${1:-build}
seconds=${2:-300}
shift $(( $# > 2 ? 2 : $# ))
exec env DEMO_AUDIO=null "$build/bin/demosoak" --root "$build/demo" --size 640x360 --fps 30 --time "$seconds" "$@"
