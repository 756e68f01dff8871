#!/usr/bin/env bash
# Runs a command while the machine is busy the way a build beside it makes it busy: a stream of
# short-lived busy processes, two at a time, each a fresh process that spins for about a tenth
# of a second and exits. (Long-running busy loops understate the harm: the scheduler soon ranks
# them below a fresh process.) Prints nothing of its own; returns the command's exit code.
#   scripts/with-load.sh build/bin/bench_ProceduralTextures --benchmark_filter=Update
set -uo pipefail
[ $# -ge 1 ] || { echo "usage: $0 command [args...]" >&2; exit 2; }

streams=${LOAD_STREAMS:-2}
spin='i=0; while [ $i -lt 150000 ]; do i=$((i + 1)); done'
pids=()
for ((s = 0; s < streams; ++s)); do
  ( trap 'exit 0' TERM; while :; do sh -c "$spin"; done ) &
  pids+=($!)
done
cleanup() { kill "${pids[@]}" 2>/dev/null; wait "${pids[@]}" 2>/dev/null; }
trap cleanup EXIT INT TERM
sleep 0.5  # let the load settle
"$@"
