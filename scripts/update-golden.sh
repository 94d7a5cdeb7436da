#!/usr/bin/env bash
# Rewrites the logs of tests/golden/ from what the current code makes of every corpus song, after
# an intended change of behaviour; `git diff tests/golden` then shows what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -d ../shared/corpus ]; then
    echo "no song corpus at ../shared/corpus: the logs stay as they are" >&2
    exit 1
fi
scripts/build.sh build
rm -f tests/golden/*.txt
IMF_UPDATE_GOLDEN=1 build/tests/golden_tests --gtest_brief=1
