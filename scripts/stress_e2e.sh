#!/usr/bin/env bash
# Runs the end-to-end suite of a build directory RUNS times in a row,
# optionally beside BURNERS busy processes that take CPU away from it, and
# prints how often each test passed and failed. Exits non-zero when any run
# failed. The output of every failing run is kept in BUILD_DIR/stress-logs.
# With MINUTES, no run starts after that many minutes; the figures then
# cover the runs that were made.
#
#   scripts/stress_e2e.sh BUILD_DIR [RUNS (20)] [BURNERS (0)] [MINUTES]
#
# A build with the sanitizers runs with the options scripts/test.sh uses.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: stress_e2e.sh BUILD_DIR [RUNS] [BURNERS]}" && pwd)"
runs="${2:-20}"
burners="${3:-0}"
minutes="${4:-}"
logs="$build/stress-logs"
mkdir -p "$logs"

if grep -q '^ZUM_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
fi

burner_pids=()
stop_burners() {
    for pid in "${burner_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap stop_burners EXIT
for _ in $(seq "$burners"); do
    bash -c 'while :; do :; done' &
    burner_pids+=("$!")
done

declare -A passed failed
failed_runs=0
made=0
start=$(date +%s)
for run in $(seq "$runs"); do
    if [ -n "$minutes" ] && [ $(( $(date +%s) - start )) -ge $(( minutes * 60 )) ]; then
        echo "time is up after $made runs"
        break
    fi
    made=$run
    log="$logs/run-$run.log"
    status=0
    (cd "$build" && ctest -L e2e --no-tests=error --output-on-failure --timeout 600) >"$log" 2>&1 || status=$?
    # Result lines look like: " 3/23 Test #196: Alarm.Name ....   Passed   4.21 sec"
    while IFS=$'\t' read -r name result; do
        if [ "$result" = Passed ]; then
            passed[$name]=$(( ${passed[$name]:-0} + 1 ))
        else
            failed[$name]=$(( ${failed[$name]:-0} + 1 ))
        fi
    done < <(sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+).*[ .](Passed|\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception|Not Run|\*\*\*Not Run).*/\1\t\2/p' "$log")
    if [ "$status" -eq 0 ]; then
        rm -f "$log"
        echo "run $run/$runs: passed ($(( $(date +%s) - start )) s so far)"
    else
        failed_runs=$((failed_runs + 1))
        echo "run $run/$runs: FAILED, output in $log"
    fi
done

echo
echo "$made runs of the end-to-end suite in $build beside $burners CPU burners: $failed_runs failed"
printf '%6s %6s  %s\n' passed failed test
for name in $(printf '%s\n' "${!passed[@]}" "${!failed[@]}" | sort -u); do
    printf '%6d %6d  %s\n' "${passed[$name]:-0}" "${failed[$name]:-0}" "$name"
done
[ "$failed_runs" -eq 0 ] && [ "$made" -gt 0 ]
