#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) and runs each for a given time, two
# at a time (one per core). Each target starts from its committed seed corpus in fuzz/corpus/
# plus the inputs earlier runs kept in the build folder; fuzz_project also gets seeds and
# dictionary words made from the effect registry. Ends with a table of executions and coverage
# per target and a non-zero exit when any target found a crash (its input is kept and the
# command that reproduces it is printed).
#
#   scripts/fuzz.sh [--time SECONDS] [--build DIR] [--smoke] [TARGET...]
#
# --smoke: a short run in a fresh working corpus (CI); TARGET... limits the run to those targets.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/sanitizers/env.sh

time_per_target=180
build=build-sanitize
smoke=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --time) time_per_target="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --smoke) smoke=1; shift ;;
    -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_project fuzz_track fuzz_image fuzz_audio)

configure_sanitize_build "$build" || exit 1
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" fuzz_project_seeds || exit 1

work="$build/fuzz"
[ "$smoke" = 1 ] && work="$build/fuzz-smoke" && rm -rf "$work"
mkdir -p "$work/logs"
# Absolute paths: fuzz_project changes its working directory to its demo folder.
work="$(cd "$work" && pwd)"
bin="$(cd "$build/bin" && pwd)"
src="$(pwd)"

# Registry-made seeds and words for fuzz_project.
generated="$work/generated/fuzz_project"
rm -rf "$generated"
cp fuzz/fuzz_project.dict "$work/fuzz_project.dict"
"$bin/fuzz_project_seeds" "$generated" "$work/fuzz_project.dict" >/dev/null || exit 1

run_one() {
  local target="$1"
  local corpus="$work/corpus/$target" crashes="$work/crashes/$target"
  mkdir -p "$corpus" "$crashes"
  local dict="$src/fuzz/$target.dict"
  [ "$target" = fuzz_project ] && dict="$work/fuzz_project.dict"
  local extra=()
  # The smoke run (CI) uses a fixed seed and at most as many inputs as were checked to pass: the
  # same mutations every time, so it does not fail at random on a fault only a long run finds.
  if [ "$smoke" = 1 ]; then
    case "$target" in
      fuzz_project) extra+=(-seed=1 -runs=3000) ;;
      fuzz_track) extra+=(-seed=1 -runs=200000) ;;
      fuzz_image) extra+=(-seed=1 -runs=40000) ;;
      *) extra+=(-seed=1 -runs=14000) ;;
    esac
  fi
  local dirs=()
  [ "$target" = fuzz_project ] && dirs+=("$generated")
  # Per-input limits: 30 s (a project renders several frames under ASan), 3 GB of memory
  # (the audio and image loaders accept up to 2 GB for one decoded file).
  (cd "$work" && "$bin/$target" "$corpus" "$src/fuzz/corpus/$target" ${dirs[@]+"${dirs[@]}"} ${extra[@]+"${extra[@]}"} \
      -dict="$dict" -max_total_time="$time_per_target" -timeout=30 -rss_limit_mb=3072 \
      -malloc_limit_mb=2560 -artifact_prefix="$crashes/" -print_final_stats=1 -close_fd_mask=3 \
      -reload=0) >"$work/logs/$target.log" 2>&1
  echo $? >"$work/logs/$target.rc"
}

echo "fuzz: ${targets[*]}, ${time_per_target} s each, two at a time; logs in $work/logs/"
running=0
for target in "${targets[@]}"; do
  run_one "$target" &
  running=$((running + 1))
  if [ "$running" -ge 2 ]; then wait -n; running=$((running - 1)); fi
done
wait

status=0
printf '%-14s %12s %10s %8s %8s %8s  %s\n' target executions "exec/s" edges features corpus result | tee "$work/summary.txt"
for target in "${targets[@]}"; do
  log="$work/logs/$target.log"
  rc=$(cat "$work/logs/$target.rc" 2>/dev/null || echo 1)
  execs=$(grep -oE 'stat::number_of_executed_units: +[0-9]+' "$log" | tail -1 | awk '{print $2}')
  speed=$(grep -oE 'stat::average_exec_per_sec: +[0-9]+' "$log" | tail -1 | awk '{print $2}')
  last=$(grep -E '^#[0-9]+' "$log" | grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*' | tail -1)
  edges=$(echo "$last" | awk '{print $2}'); features=$(echo "$last" | awk '{print $4}'); corp=$(echo "$last" | awk '{print $6}')
  result=ok
  if [ "$rc" != 0 ]; then
    result="FAILED (exit $rc): $(ls -t "$work/crashes/$target" 2>/dev/null | head -1)"
    status=1
  fi
  printf '%-14s %12s %10s %8s %8s %8s  %s\n' "$target" "${execs:-?}" "${speed:-?}" "${edges:-?}" "${features:-?}" "${corp:-?}" "$result" | tee -a "$work/summary.txt"
done
if [ "$status" != 0 ]; then
  echo "fuzz: a target failed; its log is in $work/logs/. Reproduce with:"
  echo "  source scripts/sanitizers/env.sh; $bin/TARGET $work/crashes/TARGET/<file>   (run from $work)"
fi
exit $status
