#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== build"
scripts/build.sh build
echo "== tests"
(cd build && ctest -j"$(nproc)" --output-on-failure --timeout 300)
