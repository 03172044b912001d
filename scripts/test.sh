#!/usr/bin/env bash
# Builds ZUM and its tests twice, plainly and with AddressSanitizer +
# UndefinedBehaviorSanitizer, runs the whole suite in both builds, then runs
# each fuzz target for a short while. Exits non-zero on any failure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/packages.sh"

zum_install $ZUM_BUILD_PACKAGES $ZUM_RUN_PACKAGES $ZUM_HEADLESS_PACKAGES $ZUM_TEST_PACKAGES
zum_locales

jobs="${ZUM_JOBS:-$(nproc)}"
fuzz_seconds="${ZUM_FUZZ_SECONDS:-30}"

run_suite() {  # run_suite BUILD_DIR CMAKE_ARGS...
    local build="$1"; shift
    # Every option is given explicitly, so a build directory configured
    # otherwise before (by run.sh, by hand) still builds the whole suite.
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZUM_WERROR=ON -DBUILD_TESTING=ON -DZUM_BUILD_TOOLS=ON "$@" >/dev/null
    cmake --build "$build" -j "$jobs"
    # Unit tests in parallel; the end-to-end tests one at a time, since they
    # measure when things happen on screen and in the sound output. Between
    # them the two runs cover every test; a run that finds none fails.
    (cd "$build" && ctest -j "$jobs" -LE e2e --no-tests=error --output-on-failure --timeout 600)
    (cd "$build" && ctest -L e2e --no-tests=error --output-on-failure --timeout 600)
}

echo "== Plain build =="
run_suite "$root/build" -DZUM_SANITIZE=OFF -DZUM_BUILD_BENCH=ON
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
    run_suite "$root/build-asan" -DZUM_SANITIZE=ON -DZUM_BUILD_BENCH=OFF

echo "== Fuzzing, $fuzz_seconds s a target =="
bash "$root/scripts/fuzz.sh" "$fuzz_seconds"
echo "All tests passed."
