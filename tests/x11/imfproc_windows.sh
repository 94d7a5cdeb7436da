#!/usr/bin/env bash
# imfproc as a whole program in a private Xvfb, keys typed by xdotool, windows photographed by
# ImageMagick's import:
#   imfproc_windows.sh IMFPROC SONG
# Run 1: the four viewer windows appear one after the other and each is left with Escape; in the
# first, Space plays the song with a green line that moves and Space again stops it; the song is
# then saved with the optimisation's report. Run 2: Escape in the first window, F12 in the second
# ends the program without saving.
# Exit status 77 means skipped (CTest's SKIP_RETURN_CODE).
set -euo pipefail
imfproc=$(realpath "$1") source_song=$2
title="Quillfen's IMF Processor (Alpha Version 0.001)"

missing=()
for tool in Xvfb xdotool import timeout python3; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIP: the whole-program test needs ${missing[*]} (installed by scripts/setup.sh)"
    exit 77
fi
[ -x "$imfproc" ] || {
    echo "FAIL: $imfproc is not built"
    exit 1
}

# shellcheck source=tests/x11/xvfb.sh
source "$(dirname "$0")/xvfb.sh"

key() { x xdotool windowfocus "$1" key "$2"; }
shot() { x import -window "$1" -depth 8 "$scratch/$2.ppm"; }

start_xvfb

# The demo song's notes in the first window, one row per voice: the seven voices it plays are
# rows 0 to 6, each one's bars 10 pixels high, one row every 15 pixels from the top.
expected_rows="0-9 15-24 30-39 45-54 60-69 75-84 90-99"

# xdotool takes the title as a pattern: every character but a letter or digit becomes '.'.
pattern="^${title//[^[:alnum:]]/.}\$"
song=$scratch/demo.imf saved=$scratch/demo_optimized.imf
cp "$source_song" "$song"

# run HANDLER: imfproc on the song under a time limit; HANDLER ID INDEX is called for each new
# window with the title, in the order they appear. Sets status and windows.
run() {
    local handler=$1 seen=" " id pid
    windows=0 status=0
    (cd "$scratch" && DISPLAY=$display SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
        exec timeout --kill-after=3 60 "$imfproc" "$song" >out 2>err) &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        for id in $(x xdotool search --onlyvisible --name "$pattern"); do
            [[ $seen == *" $id "* ]] && continue
            seen+="$id "
            "$handler" "$id" "$windows"
            windows=$((windows + 1))
        done
        sleep 0.05
    done
    wait "$pid" || status=$?
}

# The leftmost column of each screenshot holding the line's pure green above the bottom 16
# rows (the status bar), or -1.
line_columns() {
    python3 - "$@" <<'EOF'
import re, sys
for path in sys.argv[1:]:
    try:
        data = open(path, 'rb').read()
    except OSError:
        data = b''
    header = re.match(rb'P6\s+(\d+)\s+(\d+)\s+255\s', data)
    width, height = (int(header[1]), int(header[2])) if header else (0, 0)
    columns = []
    for y in range(height - 16):
        start = header.end() + y * width * 3
        row = data[start:start + width * 3]
        at = row.find(b'\0\xff\0')
        while at > 0 and at % 3:
            at = row.find(b'\0\xff\0', at + 1)
        if at >= 0:
            columns.append(at // 3)
    print(min(columns, default=-1))
EOF
}

# The bands of rows holding a bar (white, or blue-white for a note with extras) in a
# screenshot, as "top-bottom" pixel rows, above the status bar.
bar_rows() {
    python3 - "$1" <<'EOF'
import re, sys
data = open(sys.argv[1], 'rb').read()
header = re.match(rb'P6\s+(\d+)\s+(\d+)\s+255\s', data)
width, height = int(header[1]), int(header[2])
bands, top = [], None
for y in range(height - 16 + 1):
    start = header.end() + y * width * 3
    row = data[start:start + width * 3]
    pixels = {row[i:i + 3] for i in range(0, len(row), 3)} if y < height - 16 else set()
    bar = b'\xff\xff\xff' in pixels or b'\x55\x55\xff' in pixels
    if bar and top is None:
        top = y
    elif not bar and top is not None:
        bands.append('%d-%d' % (top, y - 1))
        top = None
print(' '.join(bands))
EOF
}

first_run() {
    if [ "$2" -eq 0 ]; then
        sleep 0.5 && shot "$1" before
        key "$1" space
        sleep 1 && shot "$1" playing
        sleep 1.5 && shot "$1" later
        key "$1" space
        sleep 0.5 && shot "$1" stopped
    fi
    key "$1" Escape
}
run first_run
[ "$status" -eq 0 ] || fail "run 1 ended with status $status: $(cat "$scratch/err")"
[ "$windows" -eq 4 ] || fail "run 1 showed $windows windows, not 4"
for name in before playing later stopped; do
    [ -s "$scratch/$name.ppm" ] || fail "no screenshot $name"
done
rows=$(bar_rows "$scratch/before.ppm")
echo "bar rows: $rows"
[ "$rows" = "$expected_rows" ] || fail "the channel rows are drawn at $rows, not $expected_rows"
read -r -d '' before playing later stopped < <(line_columns "$scratch"/{before,playing,later,stopped}.ppm) || true
echo "line columns: $before before Space, $playing and $later playing, $stopped stopped"
[ "$before" -eq -1 ] || fail "a line at column $before before Space"
[ "$playing" -ge 0 ] || fail "no line while playing"
[ "$later" -gt "$playing" ] || fail "the line does not move: column $playing, then $later"
[ "$stopped" -eq -1 ] || fail "the line stays at column $stopped after Space"
[ -f "$saved" ] || fail "run 1 did not save $(basename "$saved"): $(cat "$scratch/out")"
grep -q "optimization removed" "$scratch/out" || fail "run 1 did not report: $(cat "$scratch/out")"

rm -f "$saved"
second_run() {
    sleep 0.3
    if [ "$2" -eq 0 ]; then key "$1" Escape; else key "$1" F12; fi
}
run second_run
case $status in 124 | 137) fail "run 2 timed out" ;; esac
[ "$status" -eq 0 ] || fail "run 2 ended with status $status: $(cat "$scratch/err")"
[ "$windows" -eq 2 ] || fail "run 2 showed $windows windows, not 2"
[ ! -e "$saved" ] || fail "F12 saved the song"
! grep -q "optimization removed" "$scratch/out" || fail "F12 reported an optimisation: $(cat "$scratch/out")"

[ $failures -eq 0 ] || {
    echo "$failures check(s) failed"
    exit 1
}
echo "all checks passed"
