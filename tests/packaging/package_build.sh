#!/usr/bin/env bash
# Builds zum_<version>_<arch>.deb in a tree of its own, configured for an
# install into /usr the way a distribution builds it.
. "$(dirname "$0")/common.sh"

out="$ZUM_BUILD_DIR/package"
args=(-S "$ZUM_SOURCE_DIR" -B "$out" -G "$ZUM_GENERATOR" -DCMAKE_BUILD_TYPE="$ZUM_BUILD_TYPE"
      -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_CXX_COMPILER="$ZUM_CXX_COMPILER"
      -DBUILD_TESTING=OFF -DZUM_BUILD_BENCH=OFF --no-warn-unused-cli)
[ -n "${ZUM_COMPILER_LAUNCHER:-}" ] && args+=(-DCMAKE_CXX_COMPILER_LAUNCHER="$ZUM_COMPILER_LAUNCHER")
cmake "${args[@]}" >/dev/null || fail "cannot configure the package build in $out"
cmake --build "$out" --target zum -j "${ZUM_JOBS:-2}" || fail "cannot build the program for the package"
rm -f "$out"/zum_*.deb
(cd "$out" && cpack -G DEB) || fail "cpack cannot make the package"
ls "$out"/zum_*.deb
