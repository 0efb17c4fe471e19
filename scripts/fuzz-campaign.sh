#!/usr/bin/env bash
# scripts/fuzz-campaign.sh MINUTES [RUNS]: runs every libFuzzer target for MINUTES minutes each (or until it
# has made RUNS executions, whichever comes first) from an optimised build with AddressSanitizer, UBSan and
# the fuzzer's coverage (build-fuzz/), and prints one row per target.
#
# The corpus lives outside the repository, in $CORVANE_FUZZ_HOME (default ~/.cache/corvane-fuzz): each run
# starts from what earlier runs found, plus the committed seeds (fuzz/corpus/), the seeds the sample-Mac
# builders write and the real-world files in ../shared/fixtures when present. Whatever a target finds
# (crash, leak, timeout, out-of-memory) is kept in $CORVANE_FUZZ_HOME/findings/<target>/.
# TARGETS="binary_plist bom" limits the run to those readers (the build step is then skipped when
# CORVANE_FUZZ_NO_BUILD=1, so that two runs can share one build on two cores).
# The full campaign: scripts/fuzz-campaign.sh 600 10000000
set -euo pipefail

minutes=${1:?usage: scripts/fuzz-campaign.sh MINUTES [RUNS]}
runs=${2:-0}
repo=$(cd "$(dirname "$0")/.." && pwd)
home=${CORVANE_FUZZ_HOME:-$HOME/.cache/corvane-fuzz}
build=${CORVANE_FUZZ_BUILD:-$repo/build-fuzz}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

if [ "${CORVANE_FUZZ_NO_BUILD:-0}" != 1 ]; then
  CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1" -DCORVANE_SANITIZE=ON -DCORVANE_FUZZ=ON -DCORVANE_TESTS=OFF \
    -DCORVANE_BENCH=OFF >/dev/null
fi
targets=$(cd "$repo/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')
if [ -n "${TARGETS:-}" ]; then
  targets=$(for t in $TARGETS; do echo "fuzz_$t"; done)
fi
# shellcheck disable=SC2086
[ "${CORVANE_FUZZ_NO_BUILD:-0}" = 1 ] || cmake --build "$build" -j "$jobs" --target corvane_fuzz_seeds $targets >/dev/null

seeds=$(mktemp -d)
trap 'rm -rf "$seeds"' EXIT
"$build/corvane-fuzz-seeds" "$seeds" >/dev/null
fixtures=$repo/../shared/fixtures

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
printf '%-28s %12s %9s %7s %7s %8s %7s\n' target executions exec/s cov ft peak-MB crashes
status=0
for target in $targets; do
  reader=${target#fuzz_}
  corpus=$home/corpus/$target findings=$home/findings/$target log=$home/logs/$target.log
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  for from in "$repo/fuzz/corpus/$reader" "$seeds/$reader" "$fixtures/$reader"; do
    [ -d "$from" ] && find "$from" -maxdepth 1 -type f ! -name '*.LICENSE' ! -name '*.json' -exec cp -n {} "$corpus/" \;
  done
  before=$(ls "$findings" | wc -l)
  limit=(-max_total_time=$((minutes * 60)))
  [ "$runs" -gt 0 ] && limit+=(-runs="$runs")
  "$build/$target" "${limit[@]}" -rss_limit_mb=512 -timeout=1 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1 || true
  found=$(( $(ls "$findings" | wc -l) - before ))
  [ "$found" -gt 0 ] && status=1
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -n 1)
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -n 1 | cut -d' ' -f2)
  printf '%-28s %12s %9s %7s %7s %8s %7s\n' "$target" "${executed:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" \
    "${peak:-?}" "$found"
done
[ "$status" -eq 0 ] || echo "findings kept in $home/findings/ (logs in $home/logs/)"
exit $status
