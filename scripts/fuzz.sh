#!/usr/bin/env bash
# Builds the fuzz targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer) and runs each
# for SECONDS (default 600), both at once, seeded with the crafted files of fuzz/seeds and the
# real songs of ../shared/corpus where that folder exists. Inputs that crash, hang or exhaust
# memory are kept in fuzz/artifacts/; the working corpora grow in build-asan/fuzz-corpus/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
build=build-asan
CXX=clang++ scripts/build.sh "$build" -DIMF_SANITIZE=ON -DIMF_FUZZ=ON -DIMF_WITH_BENCH=OFF \
    -DIMF_WITH_SDL=OFF

mkdir -p fuzz/artifacts "$build/fuzz-logs"
pids=()
for target in fuzz_load fuzz_pipeline; do
    corpus=$build/fuzz-corpus/$target
    mkdir -p "$corpus"
    cp fuzz/seeds/* "$corpus/"
    if [ -d ../shared/corpus ]; then
        find ../shared/corpus -maxdepth 1 -type f \( -name '*.imf' -o -name '*.kmf' -o -name '*.wlf' \) \
            -exec cp {} "$corpus/" \;
    fi
    # A hang fails after 10 s on one input, a memory blow-up at 2 GiB.
    "$build/fuzz/$target" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -dict=fuzz/imf.dict -artifact_prefix="fuzz/artifacts/$target-" \
        -print_final_stats=1 >"$build/fuzz-logs/$target.log" 2>&1 &
    pids+=($!)
done

status=0
for i in 0 1; do
    target=$([ $i -eq 0 ] && echo fuzz_load || echo fuzz_pipeline)
    if wait "${pids[$i]}"; then
        echo "$target: $(grep -E '^stat::number_of_executed_units' "$build/fuzz-logs/$target.log" |
            awk '{print $2}') executions in ${seconds} s, no fault"
    else
        status=1
        echo "$target FAILED; the end of its log ($build/fuzz-logs/$target.log):"
        tail -n 60 "$build/fuzz-logs/$target.log"
    fi
done
exit $status
