#!/usr/bin/env bash
# Builds the icon file check's libFuzzer target with clang in a build
# directory of its own and runs it for SECONDS (default 60). Fails on any
# crash, sanitizer report or broken check. The committed seeds are only
# read; new inputs go to a working corpus inside the build directory.
#   tests/tray/fuzz/run_fuzz.sh SECONDS
# ZUM_FUZZ_BUILD_DIR overrides the build directory.
set -euo pipefail

seconds="${1:-60}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source_dir="$(cd "$here/../../.." && pwd)"
build_dir="${ZUM_FUZZ_BUILD_DIR:-${TMPDIR:-/tmp}/zum-tray-fuzz-build}"

cmake -S "$source_dir" -B "$build_dir" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DZUM_BUILD_FUZZ=ON -DZUM_BUILD_BENCH=OFF -DZUM_SANITIZE=OFF >"$build_dir.configure.log" 2>&1 ||
  { cat "$build_dir.configure.log"; exit 1; }
cmake --build "$build_dir" -j2 --target fuzz_tray_icon_file

work="$build_dir/fuzz-work/icon_file"
mkdir -p "$work/corpus" "$work/artifacts"
echo "== fuzz_tray_icon_file for ${seconds}s"
if ! "$build_dir/tests/tray/fuzz/fuzz_tray_icon_file" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
    "$work/corpus" "$here/corpus/icon_file" 2>"$work/log"; then
  tail -n 60 "$work/log"
  echo "fuzz_tray_icon_file FAILED; inputs kept in $work/artifacts" >&2
  exit 1
fi
grep -E "^stat::number_of_executed_units|^#[0-9]+ *DONE" "$work/log" || true
