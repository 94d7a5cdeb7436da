#!/usr/bin/env bash
# Builds the fuzz targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer) and runs both
# at once, each for SECONDS (default 600) or RUNS executions (default: no limit), whichever ends
# first, at the lowest priority. Seeds: the crafted files of fuzz/seeds and the real songs of
# ../shared/corpus where that folder exists (cut to the targets' 1 KiB cap). Inputs that crash,
# hang or exhaust memory are kept in fuzz/artifacts/; the working corpora grow in
# build-asan/fuzz-corpus/.
#   scripts/fuzz.sh [SECONDS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
runs=${2:--1}
build=build-asan
CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DIMF_SANITIZE=ON -DIMF_FUZZ=ON \
    -DIMF_WITH_BENCH=OFF -DIMF_WITH_SDL=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_load fuzz_pipeline

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
    nice -n 19 "$build/fuzz/$target" "$corpus" -max_total_time="$seconds" -runs="$runs" \
        -timeout=10 -rss_limit_mb=2048 -max_len=1024 -dict=fuzz/imf.dict \
        -artifact_prefix="fuzz/artifacts/$target-" -print_final_stats=1 \
        >"$build/fuzz-logs/$target.log" 2>&1 &
    pids+=($!)
done

status=0
for i in 0 1; do
    target=$([ $i -eq 0 ] && echo fuzz_load || echo fuzz_pipeline)
    log=$build/fuzz-logs/$target.log
    if wait "${pids[$i]}"; then
        echo "$target: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')" \
            "executions, $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | grep -oE 'cov: [0-9]+ ft: [0-9]+'), no fault"
    else
        status=1
        echo "$target FAILED; the end of its log ($log):"
        tail -n 60 "$log"
    fi
done
exit $status
