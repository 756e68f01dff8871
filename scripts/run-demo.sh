#!/usr/bin/env bash
# Plays the bundled demo full screen, or renders it to a video when there is no display.
set -euo pipefail
build=${1:-build}
demo="$build/demo"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cd "$demo" && exec ./demoplayer
fi
echo "run: no display; rendering the demo to $demo/render/demo.mp4 instead"
"$build/bin/demorender" --root "$demo" --size 1280x720 --out "$demo/render/demo.mp4"
echo "run: video written to $(cd "$demo/render" && pwd)/demo.mp4"
