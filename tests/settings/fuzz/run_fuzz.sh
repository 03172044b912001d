#!/usr/bin/env bash
# Builds the alarm file line loader's fuzz target with clang and libFuzzer in
# its own build directory and runs it for SECONDS seconds, starting from the
# committed corpus. Exits non-zero when the target crashes or finds a
# mismatch. New inputs go to a scratch corpus in the build directory, so the
# committed corpus stays as it is.
#
#   tests/settings/fuzz/run_fuzz.sh SECONDS
# Environment: ZUM_FUZZ_BUILD_DIR (default: $TMPDIR/zum-settings-fuzz-build),
#              CLANG_CXX (default: clang++-14), CLANG_CC (default: clang-14).
set -euo pipefail

seconds="${1:?usage: run_fuzz.sh SECONDS}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../../.." && pwd)"
build="${ZUM_FUZZ_BUILD_DIR:-${TMPDIR:-/tmp}/zum-settings-fuzz-build}"

CC="${CLANG_CC:-clang-14}" CXX="${CLANG_CXX:-clang++-14}" \
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZUM_BUILD_FUZZ=ON -DBUILD_TESTING=ON -DZUM_BUILD_BENCH=OFF -DZUM_WERROR=ON >"$build.configure.log" 2>&1 \
  || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j2 --target settings_line_fuzz

work="$build/settings-fuzz-corpus"
mkdir -p "$work"
"$build/tests/settings/settings_line_fuzz" -max_total_time="$seconds" -timeout=10 \
  -rss_limit_mb=2048 -artifact_prefix="$build/" -print_final_stats=1 \
  "$work" "$here/corpus"
