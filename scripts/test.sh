#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== build"
scripts/build.sh build
echo "== tests"
(cd build && ctest --no-tests=error -j"$(nproc)" --output-on-failure --timeout 300)

echo "== sanitizer build (clang, AddressSanitizer and UndefinedBehaviorSanitizer, fuzz targets)"
CXX=clang++ scripts/build.sh build-asan -DIMF_SANITIZE=ON -DIMF_FUZZ=ON -DIMF_WITH_BENCH=OFF \
    -DIMF_WITH_SDL=OFF
echo "== unit tests under the sanitizers"
# The corpus songs' golden logs ran in the build above; under the sanitizers they would add
# minutes without reaching code the other tests do not.
(cd build-asan && ctest --no-tests=error -L unit -E 'Golden' -j"$(nproc)" --output-on-failure \
    --timeout 300)
echo "== fuzzing, one minute per target"
scripts/fuzz.sh 60
