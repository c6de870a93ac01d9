#!/usr/bin/env bash
# Runs fuzz targets of the fuzz preset (build it first: cmake --preset fuzz &&
# cmake --build --preset fuzz), one at a time.
#   scripts/fuzz.sh SECONDS [TARGET...]     (all targets when none is named)
# Each target starts from its committed seeds (fuzz/corpus/TARGET) and a
# working corpus in build-fuzz/corpus/TARGET that keeps what earlier runs
# found; the committed seeds are never changed. A crash, a sanitizer report,
# a failed check or an input running over 10 s leaves its input in
# build-fuzz/findings/TARGET/ and makes the script fail. The last lines of
# each run go to build-fuzz/logs/TARGET.log.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(conversion web_page docx word97 compound_file nohtml codepage forms)

failed=0
for t in "${targets[@]}"; do
  fuzzer=build-fuzz/fuzz/${t}_fuzzer
  [ -x "$fuzzer" ] || { echo "$fuzzer is not built"; exit 2; }
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t" build-fuzz/logs
  log=build-fuzz/logs/$t.log
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/findings/$t/" "build-fuzz/corpus/$t" "fuzz/corpus/$t" > "$log" 2>&1
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  if [ $rc -eq 0 ]; then
    echo "$t: ${runs:-?} executions in $seconds s, no finding"
  else
    echo "$t: FINDING after ${runs:-?} executions (exit $rc); see $log and build-fuzz/findings/$t/"
    grep -E "ERROR|fuzz check|SUMMARY" "$log" | head -5
    failed=1
  fi
done
exit $failed
