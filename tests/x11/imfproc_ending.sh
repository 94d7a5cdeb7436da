#!/usr/bin/env bash
# How imfproc ends when it cannot show windows, or is told to stop:
#   imfproc_ending.sh IMFPROC SONG
# A DISPLAY that names no X server ends the run within seconds with status 255 and "ERROR: cannot
# open a window: ", saving nothing; with no display named at all the run goes through without
# windows and saves. Then, in a private Xvfb: SIGINT and SIGTERM sent while the first window is
# open end imfproc at once with status 130 and 143, and nothing is saved.
# Exit status 77 means the Xvfb part was skipped (CTest's SKIP_RETURN_CODE).
set -euo pipefail
imfproc=$(realpath "$1") source_song=$2
title="Quillfen's IMF Processor (Alpha Version 0.001)"
[ -x "$imfproc" ] || {
    echo "FAIL: $imfproc is not built"
    exit 1
}

# shellcheck source=tests/x11/xvfb.sh
source "$(dirname "$0")/xvfb.sh"

song=$scratch/song.imf saved=$scratch/song_optimized.imf
cp "$source_song" "$song"

# Nothing but the song in the folder: no saved song, no temporary file of a save.
only_the_song() {
    local file left=""
    for file in "$scratch"/* "$scratch"/.[!.]*; do
        [ -e "$file" ] || continue
        case ${file##*/} in song.imf | out | err) ;; *) left+=" ${file##*/}" ;; esac
    done
    [ -z "$left" ] || fail "$1 left:$left"
}

# A display number with neither a lock file nor a socket: no server answers there.
n=$((20000 + RANDOM % 40000))
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
start=$SECONDS status=0
(cd "$scratch" && env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=:$n SDL_AUDIODRIVER=dummy \
    timeout --kill-after=3 30 "$imfproc" "$song" >out 2>err) || status=$?
took=$((SECONDS - start))
[ "$status" -eq 255 ] || fail "DISPLAY=:$n ended with status $status, not 255"
[ "$took" -le 5 ] || fail "DISPLAY=:$n took $took s to end"
expected="ERROR: cannot open a window: DISPLAY=:$n: "
[ "$(head -c ${#expected} "$scratch/err")" = "$expected" ] ||
    fail "DISPLAY=:$n said: $(cat "$scratch/err")"
[ "$(tail -c 1 "$scratch/err" | od -An -c | tr -d ' ')" = '\n' ] ||
    fail "the message does not end with a line feed"
only_the_song "DISPLAY=:$n"
echo "DISPLAY=:$n: status $status after $took s: $(cat "$scratch/err")"

status=0
(cd "$scratch" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
    timeout --kill-after=3 60 "$imfproc" "$song" >out 2>err) || status=$?
[ "$status" -eq 0 ] || fail "with no display the run ended with status $status: $(cat "$scratch/err")"
[ -s "$saved" ] || fail "with no display the song was not saved"
rm -f "$saved"

missing=()
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    [ $failures -eq 0 ] || exit 1
    echo "SKIP: the signals in a window need ${missing[*]} (installed by scripts/setup.sh)"
    exit 77
fi
start_xvfb
pattern="^${title//[^[:alnum:]]/.}\$"

# signalled SIGNAL STATUS: imfproc in its first window gets the signal and must end at once
# with the status, saving nothing.
signalled() {
    local signal=$1 expected=$2 pid id="" status=0 waited=0 start watchdog
    # A background job of this shell would start with SIGINT ignored, and keep it so.
    (cd "$scratch" && DISPLAY=$display SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
        exec env --default-signal=INT "$imfproc" "$song" >out 2>err) &
    pid=$!
    while [ -z "$id" ] && [ $waited -lt 300 ] && kill -0 "$pid" 2>/dev/null; do
        id=$(x xdotool search --onlyvisible --name "$pattern" | head -n 1)
        sleep 0.1
        waited=$((waited + 1))
    done
    [ -n "$id" ] || fail "$signal: no window appeared"
    sleep 0.3
    # A program that goes on after the signal is killed five seconds later (status 137).
    start=$(date +%s%N)
    kill "-$signal" "$pid"
    (sleep 5 && kill -KILL "$pid" 2>/dev/null) &
    watchdog=$!
    wait "$pid" || status=$?
    kill "$watchdog" 2>/dev/null || true
    echo "$signal in the first window: status $status after $((($(date +%s%N) - start) / 1000000)) ms"
    [ "$status" -eq "$expected" ] || fail "$signal ended imfproc with status $status, not $expected"
    ! grep -q "optimization removed" "$scratch/out" || fail "$signal: the song was optimised"
    only_the_song "$signal"
}
signalled INT 130
signalled TERM 143

[ $failures -eq 0 ] || {
    echo "$failures check(s) failed"
    exit 1
}
echo "all checks passed"
