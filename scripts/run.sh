#!/usr/bin/env bash
# Sets up, builds and runs imfproc on the demo song (or on the file given).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build-run -DIMF_WITH_TESTS=OFF -DIMF_WITH_BENCH=OFF
song=${1:-demo/demo.imf}
exec build-run/app/imfproc "$song"
