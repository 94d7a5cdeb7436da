#!/usr/bin/env bash
# Rewrites the logs of tests/golden/ (what the current code makes of every corpus song) and the
# programs' session of tests/cli/session.txt, the Keen 4 archive's listing of
# tests/cli/keen4_list.txt (where ../shared/games/keen4 is present) and the shared MIDI songs' log
# of tests/compose/shared_songs.txt, after an intended change of behaviour;
# `git diff tests/golden tests/cli` then shows what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
tests/cli/session.sh update build/app/imftool build/app/imfproc build/demo/make_demo .
python3 tests/cli/check_keen4.py update build/app/imftool . build/keen4-update || [ $? = 77 ]
if [ -d ../shared/midi ]; then
    /usr/bin/python3 tests/compose/check_compose.py update build/app/imftool build/compose-update \
        . ../shared/midi
fi
if [ ! -d ../shared/corpus ]; then
    echo "no song corpus at ../shared/corpus: the corpus logs stay as they are" >&2
    exit 1
fi
rm -f tests/golden/*.txt
IMF_UPDATE_GOLDEN=1 build/tests/golden_tests --gtest_brief=1
