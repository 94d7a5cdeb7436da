#!/usr/bin/env bash
# Builds the fuzz targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer) and runs them
# all at once, each for SECONDS (default 600) or RUNS executions (default: no limit), whichever
# ends first, at the lowest priority. Seeds: the crafted files of fuzz/seeds and the real songs of
# ../shared/corpus for the song targets (cut to their 1 KiB cap), the real captures of
# ../shared/captures for the reader of their format (cut to 4 KiB), the crafted archives of
# fuzz/seeds-archive for the archive target. Inputs that crash,
# hang or exhaust memory are kept in fuzz/artifacts/; the working corpora grow in
# build-asan/fuzz-corpus/.
#   scripts/fuzz.sh [SECONDS] [RUNS]
# FUZZ_TARGETS="fuzz_load fuzz_pipeline" runs only those targets; FUZZ_LOGS=DIR puts the logs
# there instead of build-asan/fuzz-logs (for a short run beside a long one).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
runs=${2:--1}
build=build-asan
CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DIMF_SANITIZE=ON -DIMF_FUZZ=ON \
    -DIMF_WITH_BENCH=OFF -DIMF_WITH_SDL=OFF >/dev/null
read -r -a targets <<<"${FUZZ_TARGETS:-fuzz_load fuzz_pipeline fuzz_dro fuzz_raw fuzz_vgm fuzz_archive fuzz_midi}"
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

logs=${FUZZ_LOGS:-$build/fuzz-logs}
mkdir -p fuzz/artifacts "$logs"
pids=()
for target in "${targets[@]}"; do
    corpus=$build/fuzz-corpus/$target
    mkdir -p "$corpus"
    case $target in
    fuzz_load | fuzz_pipeline)
        cp fuzz/seeds/* "$corpus/"
        [ -d ../shared/corpus ] && find ../shared/corpus -maxdepth 1 -type f \
            \( -name '*.imf' -o -name '*.kmf' -o -name '*.wlf' \) -exec cp {} "$corpus/" \;
        options=(-max_len=1024 -dict=fuzz/imf.dict)
        ;;
    fuzz_archive)
        cp fuzz/seeds-archive/* "$corpus/"
        options=(-max_len=4096 -dict=fuzz/archive.dict)
        ;;
    fuzz_midi)
        cp fuzz/seeds-midi/* "$corpus/"
        options=(-max_len=4096 -dict=fuzz/midi.dict)
        ;;
    *)
        format=${target#fuzz_}
        [ -d ../shared/captures ] && find ../shared/captures -maxdepth 1 -type f \
            -name "*.$format*" -exec cp {} "$corpus/" \;
        options=(-max_len=4096 -dict=fuzz/capture.dict)
        ;;
    esac
    # A hang fails after 10 s on one input, a memory blow-up at 2 GiB.
    nice -n 19 "$build/fuzz/$target" "$corpus" -max_total_time="$seconds" -runs="$runs" \
        -timeout=10 -rss_limit_mb=2048 "${options[@]}" \
        -artifact_prefix="fuzz/artifacts/$target-" -print_final_stats=1 \
        >"$logs/$target.log" 2>&1 &
    pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
    target=${targets[$i]}
    log=$logs/$target.log
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
