#!/usr/bin/env bash
# Runs every Google Benchmark program of the build, one after the other; then the parallel
# updates again under a simulated busy machine (scripts/with-load.sh), each next to its
# one-thread variant, interleaved, with the median of each and their ratio.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
export DEMO_AUDIO=${DEMO_AUDIO:-null}
status=0
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" || status=1
done

# Parallel updates: program and a filter matching the update and its OneThread variant.
parallel=(
  "bench_ProceduralTextures:BM_(Plasma|Caustics)Update"
  "bench_MarchingTetra:BM_MarchingTetraUpdate"
  "bench_PostEffects:BM_FocusBlurComposite(OneThread)?/"
  "bench_ImageEffects:BM_RadarProcess(OneThread)?/"
)
echo
echo "== parallel updates under load (two streams of short busy processes), median of 9"
for entry in "${parallel[@]}"; do
  program=${entry%%:*}
  filter=${entry#*:}
  [ -x "$build/bin/$program" ] || continue
  "$here/with-load.sh" "$build/bin/$program" --benchmark_filter="$filter" --benchmark_repetitions=9 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null || status=1
done | "$here/load-ratios.awk"
exit $status
