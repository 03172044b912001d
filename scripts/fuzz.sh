#!/usr/bin/env bash
# Builds every libFuzzer target with clang in one build directory of their
# own and runs each for SECONDS (default 60). Fails on any crash, sanitizer
# report or broken check. The committed seeds are only read; new inputs go
# to a working corpus inside the build directory.
#   scripts/fuzz.sh [SECONDS]
# ZUM_FUZZ_BUILD_DIR overrides the build directory (default build-fuzz/).
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZUM_FUZZ_BUILD_DIR:-$root/build-fuzz}"

# target, its folder in the build tree, its seeds, the longest input
fuzzers=(
  "fuzz_skin_region_data tests/skin/fuzz tests/skin/fuzz/corpus/region_data 8192"
  "fuzz_skin_bmp_file tests/skin/fuzz tests/skin/fuzz/corpus/bmp_file 8192"
  "fuzz_tray_icon_file tests/tray/fuzz tests/tray/fuzz/corpus/icon_file 4096"
  "settings_line_fuzz tests/settings tests/settings/fuzz/corpus 4096"
)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DZUM_BUILD_FUZZ=ON -DBUILD_TESTING=ON -DZUM_BUILD_BENCH=OFF -DZUM_BUILD_TOOLS=OFF \
  -DZUM_SANITIZE=OFF -DZUM_WERROR=ON >"$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }
targets=()
for f in "${fuzzers[@]}"; do targets+=("${f%% *}"); done
cmake --build "$build" -j "${ZUM_JOBS:-$(nproc)}" --target "${targets[@]}"

status=0
for f in "${fuzzers[@]}"; do
  read -r name dir seeds max_len <<<"$f"
  work="$build/fuzz-work/$name"
  mkdir -p "$work/corpus" "$work/artifacts"
  echo "== $name for ${seconds}s"
  if ! "$build/$dir/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
      -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
      "$work/corpus" "$root/$seeds" 2>"$work/log"; then
    tail -n 60 "$work/log"
    echo "$name FAILED; inputs kept in $work/artifacts" >&2
    status=1
  else
    grep -E "^stat::number_of_executed_units|^#[0-9]+ *DONE" "$work/log" || true
  fi
done
exit "$status"
