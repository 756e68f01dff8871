#!/usr/bin/env bash
# Runs every Google Benchmark program of the build, one after the other.
set -euo pipefail
build=${1:-build}
status=0
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  DEMO_AUDIO=${DEMO_AUDIO:-null} "$b" || status=1
done
exit $status
