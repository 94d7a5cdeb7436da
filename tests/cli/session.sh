#!/usr/bin/env bash
# imftool and imfproc as a user runs them, on small songs made here and on the demo song: each
# command line, what it printed on standard output and standard error, its exit status and what
# it wrote, logged and compared with tests/cli/session.txt. A change of behaviour shows as a diff;
# an intended one is taken into the log by scripts/update-golden.sh.
#   session.sh check|update IMFTOOL IMFPROC MAKE_DEMO SOURCE_DIR
set -euo pipefail
mode=$1
source_dir=$(cd "$5" && pwd)
log=$source_dir/tests/cli/session.txt

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/run"
ln -s "$(realpath "$2")" "$work/bin/imftool"
ln -s "$(realpath "$3")" "$work/bin/imfproc"
ln -s "$(realpath "$4")" "$work/bin/make_demo"
export PATH="$work/bin:$PATH" LC_ALL=C SDL_AUDIODRIVER=dummy
cd "$work/run"

# show LABEL FILE: the file's lines behind the label; a missing final line feed is said.
show() {
    [ -s "$2" ] || return 0
    sed "s/^/$1| /" "$2"
    if [ -n "$(tail -c1 "$2")" ]; then
        echo
        echo "$1 (no line feed at the end)"
    fi
}

# limited COMMAND...: the command, killed after a minute so that a program that hangs fails the
# check (status 124 or 137) instead of holding it up.
limited() { timeout -k 5 60 "$@" >"$work/out" 2>"$work/err" </dev/null; }

# run COMMAND...: the command line, its output, its exit status.
run() {
    echo "\$ $*"
    local status=0
    limited "$@" || status=$?
    show out "$work/out"
    show err "$work/err"
    echo "[status $status]"
}

# usage COMMAND...: a command line that the program refuses; the usage text after the first line
# of standard error is left out (--help shows it).
usage() {
    echo "\$ $*"
    local status=0
    limited "$@" || status=$?
    show out "$work/out"
    head -n 1 "$work/err" | sed 's/^/err| /'
    echo "[status $status]"
}

# bytes FILE HEX...: a file of exactly those bytes.
bytes() {
    local file=$1 escaped=""
    shift
    for byte in "$@"; do escaped+="\\x$byte"; done
    printf "$escaped" >"$file"
}

hex() { run od -An -tx1 -v "$@"; }
section() { printf '\n## %s\n' "$*"; }

session() {
    section "usage and help"
    usage imftool
    usage imftool frobnicate
    usage imftool optimize
    usage imftool optimize a.imf b.imf -o c.imf
    usage imftool optimize x.imf --depth 3
    usage imftool optimize x.imf --reserved 9
    usage imftool optimize x.imf --reserved -1
    usage imftool optimize x.imf --mode loudest
    # Every option that takes a value, given last without one.
    for option in -o --mode --reserved --depth --rate; do usage imftool optimize x.imf "$option"; done
    usage imftool info x.imf --rate
    for option in --rate --title; do usage imftool convert x.imf y.imf "$option"; done
    usage imftool volume x.imf y.imf 10 --channel
    for option in --rate --emu --solo --mute --stems; do
        usage imftool render x.imf y.wav "$option"
    done
    for option in --rate --emu --top; do usage imftool compare x.imf y.imf "$option"; done
    usage imftool instruments x.imf y.ibk --names
    usage imftool midi x.imf y.mid --rate
    for option in --dict --rate --game; do usage imftool archive list h d "$option"; done
    usage imftool archive extract h d dir --dict
    for option in -o --dict --rate; do usage imftool archive replace h d 1 x.imf "$option"; done
    usage imftool compare x.imf
    for command in optimize info dump convert tracks volume swap render compare instruments midi \
        archive; do
        run imftool "$command" --help
    done

    section "two notes of one instrument on channels 1 and 2: too short to gain anything"
    bytes two.imf 00 00 00 00 21 01 00 00 44 10 00 00 a1 44 00 00 b1 31 0a 00 b1 11 05 00 \
        22 01 00 00 45 10 00 00 a2 44 00 00 b2 31 0a 00 b2 11 00 00
    run imftool info two.imf
    run imftool dump two.imf
    cp two.imf appended.imf
    run sh -c 'imftool dump appended.imf >>appended.imf'
    run cmp two.imf appended.imf
    run imftool optimize two.imf -o reserved.imf --reserved 8 --depth 2 --force
    hex reserved.imf
    run imftool optimize two.imf -o unreserved.imf --reserved 0
    run imftool tracks two.imf t
    run ls t
    hex t/track001.imf
    # The chip-wide writes go with every track.
    bytes globals.imf 00 00 00 00 01 20 00 00 21 01 00 00 a1 44 00 00 b1 31 0a 00 b1 11 05 00
    run imftool tracks globals.imf g
    hex g/track001.imf
    run imftool volume two.imf loud.imf -8 --channel 2
    hex loud.imf
    run imftool volume two.imf loudest.imf 60
    hex loudest.imf
    run imftool volume two.imf softest.imf -60
    hex softest.imf
    run imftool swap two.imf swapped.imf 2 9
    hex swapped.imf
    usage imftool swap two.imf swapped.imf 2 10
    run imftool swap swapped.imf swapped.imf 9 1
    hex swapped.imf
    run imftool convert two.imf two.kmf --rate 700
    hex two.kmf
    run sh -c 'imftool info two.kmf | grep ^format'
    run imftool convert two.kmf back.imf --length-word
    hex back.imf

    section "a batch goes on past a file it cannot read"
    mkdir batch
    cp two.imf batch/a.imf
    cp two.imf batch/c.imf
    bytes batch/b.imf a0 44 01 00 b0 31
    run imftool optimize batch/a.imf batch/b.imf batch/c.imf
    run ls batch
    run cmp batch/a_optimized.imf batch/c_optimized.imf
    run cmp batch/a.imf two.imf
    cp two.imf batch/a.wlf
    rm batch/*_optimized.imf
    run imftool optimize batch/a.imf batch/a.wlf
    cp two.imf batch/a_optimized.imf
    run imftool optimize batch/a.imf batch/a_optimized.imf
    run cmp batch/a_optimized.imf two.imf

    section "one note, its timbre and frequency written twice: render, compare, the modes"
    local timbre="20 21 00 00 23 21 00 00 40 3f 00 00 43 00 00 00 60 f0 00 00 63 f0 00 00"
    timbre+=" 80 07 00 00 83 07 00 00"
    # shellcheck disable=SC2086 # the timbre is a list of bytes
    bytes note.imf 00 00 00 00 $timbre a0 44 00 00 $timbre a0 44 00 00 b0 32 18 01 b0 12 18 01
    # shellcheck disable=SC2086
    bytes other.imf 00 00 00 00 $timbre a0 80 00 00 $timbre a0 80 00 00 b0 32 18 01 b0 12 18 01
    run imftool render note.imf note.wav
    run imftool render note.imf fast.wav --rate 1120
    run stat -c %n:%s note.wav fast.wav
    run imftool render note.imf no/such/folder.wav
    usage imftool render note.imf note.wav extra.wav
    run imftool optimize --mode faithful --explain note.imf
    run stat -c %n:%s note.imf note_optimized.imf
    run imftool compare note.imf note_optimized.imf
    run imftool optimize --mode faithful --keep-timers --explain note.imf -o deep.imf --deep
    run imftool compare note.imf other.imf --top 2
    run imftool compare note.imf none.imf
    run imftool optimize --mode smallest note.imf other.imf
    # Retuned while it sounds, 2.2 semitones down: past the bend range, the bend stops at its end.
    # shellcheck disable=SC2086
    bytes glide.imf 00 00 00 00 $timbre a0 44 00 00 b0 32 10 00 a0 00 10 00 b0 12 00 00
    run imftool midi glide.imf glide.mid
    hex glide.mid
    run imftool render note.imf mame.wav --emu mame
    run imftool render note.imf dosbox.wav --emu dosbox
    run stat -c %n:%s mame.wav dosbox.wav
    run imftool compare note.imf note_optimized.imf --emu dosbox
    usage imftool compare note.imf other.imf --emu opl
    usage imftool optimize note.imf --rate 0
    usage imftool info note.imf --rate 0
    usage imftool convert note.imf note.kmf --rate 65536

    section "rhythm mode takes channels 6 to 8 while notes sound there: smallest falls back"
    local busy=(00 00 00 00)
    for channel in 0 1 2 3 4 5 6 7; do busy+=("b$channel" 31 00 00); done
    busy+=(b8 31 01 00 bd 20 01 00 b5 11 00 00 b5 31 01 00)
    for channel in 0 1 2 3 4 5; do busy+=("b$channel" 11 00 00); done
    bytes busy.imf "${busy[@]}"
    run imftool optimize busy.imf -o busy_out.imf
    run imftool optimize --mode smallest busy.imf -o busy_out.imf
    run imftool info busy_out.imf

    section "drums"
    bytes drums.imf 00 00 00 00 bd 20 00 00 bd 3f 05 00 bd 20 00 00
    run imftool info drums.imf
    run imftool render drums.imf --stems drum_stems
    run ls drum_stems
    # Channels 6, 7 and 8 with registers of their own: each drum takes its own operators'.
    bytes kit.imf 00 00 00 00 30 01 00 00 31 02 00 00 32 03 00 00 33 04 00 00 34 05 00 00 \
        35 06 00 00 50 07 00 00 51 08 00 00 52 09 00 00 53 0a 00 00 54 0b 00 00 55 0c 00 00 \
        a6 10 00 00 a7 20 00 00 a8 30 00 00 b6 05 00 00 b7 09 00 00 b8 0d 00 00 bd 3f 05 00 \
        bd 20 00 00
    run imftool instruments kit.imf kit
    run ls kit
    run imftool info kit

    section "captures and the rate: every conversion keeps every write"
    bytes song.wlf 00 00 00 00 33 21 00 00 a7 40 00 00 bd 20 02 00 b7 31 03 00 bd 00 01 00 \
        55 10 00 00 b8 12 09 00
    for format in kmf vgm vgz dro; do
        run imftool convert song.wlf "song.$format"
        run imftool convert "song.$format" "back_$format.wlf"
        run cmp song.wlf "back_$format.wlf"
    done
    run od -An -tx1 -N6 song.kmf
    hex song.vgm
    hex song.dro
    run sh -c 'imftool info song.vgz | grep ^format'
    run imftool convert song.kmf song.imf
    run imftool convert missing.imf song.vgm
    run imftool convert song.wlf titled.vgm --title 'Drüms ♪'
    run imftool info titled.vgm
    hex titled.vgm
    run imftool optimize titled.vgm -o out.dro
    run sh -c 'imftool info out.dro | grep ^format'

    section "the faithful copy of a capture keeps its clock and tag; the rules add up"
    # Writes at 0 and 37 samples (between two ticks at 560 Hz), the second one written twice,
    # then registers 0x06 and 0x00, which the OPL2 lacks.
    printf 'Vgm ' >odd.vgm
    printf '\x00\x00\x00\x00\x51\x01\x00\x00' >>odd.vgm
    head -c 40 /dev/zero >>odd.vgm
    printf '\x0c\x00\x00\x00' >>odd.vgm
    head -c 8 /dev/zero >>odd.vgm
    printf '\x5a\x20\x21\x61\x25\x00\x5a\x40\x10\x5a\x40\x3f\x5a\x06\x01\x5a\x00\x00' >>odd.vgm
    printf '\x61\x20\x00\x66' >>odd.vgm
    run imftool optimize --mode faithful --explain odd.vgm -o odd_out.vgm
    hex odd_out.vgm
    run imftool optimize --mode faithful titled.vgm -o titled_out.vgm
    run sh -c 'imftool info titled_out.vgm | grep -E "^(format|title)"'
    run imftool optimize --mode faithful odd.vgm -o odd_out.imf --rate 700
    printf 'Vgm ' >magic_only.vgm
    run imftool info magic_only.vgm
    cp song.vgm two_chips.vgm
    printf '\xaa' | dd of=two_chips.vgm bs=1 seek=128 conv=notrunc status=none
    run imftool convert two_chips.vgm two_chips.imf
    run ls two_chips.imf

    section "quiet on success: key-offs of voices that were not sounding are counted"
    bytes stray.imf 00 00 00 00 b0 11 01 00 b1 11 01 00 a0 44 00 00 b0 31 02 00 b0 11 00 00
    run imftool optimize stray.imf -o stray_out.imf
    run imftool optimize stray.imf -o stray_out.imf --verbose
    run imftool optimize --mode smallest stray.imf -o stray_out.imf
    run imftool dump stray.imf
    run imftool optimize stray.imf two.imf
    # A song edited to standard output: its warnings go to standard error.
    run imftool volume stray.imf stray_loud.imf 2
    run sh -c 'imftool volume stray.imf - 2 | cmp - stray_loud.imf'
    # A file that fails once its warnings are counted leaves no count to the next one.
    mkdir strays strays/stray_optimized.imf
    cp stray.imf two.imf strays/
    run imftool optimize strays/stray.imf strays/two.imf

    section "a song too large for KMF: 20,000 blocks of one write and one tick"
    printf '\x08\x00\x01\x00%.0s' $(seq 20000) >long.imf
    run imftool convert long.imf long.kmf
    run ls long.kmf
    # Nor for a length word: the song is written without one.
    run imftool convert long.imf long.wlf
    run od -An -tx1 -N8 long.wlf
    run stat -c %s long.imf long.wlf

    section "instruments, stems and voices"
    local many=(00 00 00 00)
    for ((note = 0; note < 129; note++)); do
        many+=(20 "$(printf %02x "$note")" 00 00 b0 31 01 00 b0 11 01 00)
    done
    bytes many.imf "${many[@]}"
    run imftool instruments many.imf many.ibk
    run ls many.ibk
    run imftool instruments many.imf many.wopl
    run sh -c 'imftool info many.wopl | grep -E "^format|  128 "'
    run imftool instruments two.imf sbi
    run ls sbi
    run imftool info sbi
    run sh -c 'imftool info sbi/*.sbi'
    mkdir no_sbi
    run imftool info no_sbi
    run imftool midi two.imf two.mid
    hex two.mid
    run imftool midi two.imf two700.mid --rate 700
    run cmp two.mid two700.mid
    cp two.imf two.wlf
    run imftool midi two.wlf wlf.mid
    run cmp wlf.mid two700.mid
    run imftool render many.imf --stems stems
    run ls stems
    usage imftool render many.imf x.wav --solo 0,kazoo
    usage imftool render many.imf x.wav --mute 9

    section "nothing is written over an input"
    cp two.imf a.imf
    ln a.imf link.wav
    run imftool render a.imf a.imf
    run imftool render a.imf link.wav
    run cmp a.imf two.imf
    mkdir folder
    run imftool tracks a.imf folder
    run imftool tracks folder/track001.imf folder
    run imftool volume a.imf a.imf 2
    bytes out.wav 01 02 03
    local before
    before=$(stat -c %i out.wav)
    run imftool render a.imf out.wav
    [ "$(stat -c %i out.wav)" != "$before" ] && echo "out.wav was replaced by a new file"

    section "files that cannot be read, streams"
    run imfproc missing.imf
    mkdir folder.imf
    run imfproc folder.imf
    run imftool dump folder
    run imftool info /dev/zero
    run imftool optimize two.imf -o file.imf
    run sh -c 'cat two.imf | imftool optimize /dev/stdin -o - > piped.imf'
    run cmp piped.imf file.imf
    run sh -c 'imftool convert - - < two.imf | cmp - two.imf'
    run sh -c 'cat two.imf | imftool info -'
    run sh -c 'imftool compare - two.imf < two.imf'

    section "a game's audio archive: three sections closed by tags, two songs with trailers, one empty"
    local pc='\x04\x00\x00\x00\x01\x00012\x00' adlib='\x02\x00\x00\x00\x05\x00!!!!!!!!!!!!!!!!!!'
    local imftag='\x00me\x00\x00MUSE\x00'
    printf "$pc$pc!ID!$adlib$adlib!ID!" >AUDIOT.WL1
    printf '\x0c\x00\x00\x00\x00\x00\x20\x01\x0a\x00\xb0\x31\x46\x00\x1aCORNER'"$imftag" >>AUDIOT.WL1
    printf '\x00\x00\x08\x00\x00\x00\x00\x00\xa0\x44\x18\x01\x1aWonderin'"'$imftag!ID!" >>AUDIOT.WL1
    bytes AUDIOHED.WL1 00 00 00 00 0a 00 00 00 18 00 00 00 30 00 00 00 4c 00 00 00 6b 00 00 00 \
        6d 00 00 00 8b 00 00 00
    run imftool archive list AUDIOHED.WL1 AUDIOT.WL1 --rate 700
    run imftool archive list AUDIOHED.WL1 AUDIOT.WL1 --game wolf3d
    usage imftool archive list AUDIOHED.WL1 AUDIOT.WL1 --game doom
    run imftool archive extract AUDIOHED.WL1 AUDIOT.WL1 songs --verbose
    run ls songs
    hex songs/CORNER.imf
    mkdir new same
    run imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 6 songs/CORNER.imf -o new --verbose
    run imftool archive list new/AUDIOHED.WL1 new/AUDIOT.WL1
    hex new/AUDIOHED.WL1
    run imftool archive extract new/AUDIOHED.WL1 new/AUDIOT.WL1 again
    run cmp again/Wonderin_.imf songs/CORNER.imf
    run imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 4 songs/CORNER.imf -o same
    run cmp same/AUDIOT.WL1 AUDIOT.WL1
    run cmp same/AUDIOHED.WL1 AUDIOHED.WL1
    run imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 5 two.kmf -o same
    hex same/AUDIOT.WL1

    section "archives refused: usage, songs that do not fit, outputs that cannot be, broken files"
    usage imftool archive
    usage imftool archive unpack AUDIOHED.WL1 AUDIOT.WL1
    usage imftool archive list AUDIOHED.WL1
    usage imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 4 songs/CORNER.imf
    usage imftool archive list AUDIOHED.WL1 AUDIOT.WL1 --rate 0
    mkdir refused
    run imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 0 songs/CORNER.imf -o refused
    run imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 2 songs/CORNER.imf -o refused
    run imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 7 songs/CORNER.imf -o refused
    head -c 65540 /dev/zero >big.imf
    run imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 4 big.imf -o refused
    run imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 4 songs/CORNER.imf -o .
    run imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 4 songs/CORNER.imf -o absent
    mkdir refused/AUDIOT.WL1
    run imftool archive replace AUDIOHED.WL1 AUDIOT.WL1 4 songs/CORNER.imf -o refused
    run ls -A refused refused/AUDIOT.WL1
    head -c 6 AUDIOHED.WL1 >short.hed
    run imftool archive list short.hed AUDIOT.WL1
    head -c 8 AUDIOHED.WL1 >one.hed # the smallest header: the first chunk alone
    run imftool archive list one.hed AUDIOT.WL1
    head -c 60 AUDIOT.WL1 >cut.wl1
    run imftool archive list AUDIOHED.WL1 cut.wl1
    run imftool archive extract AUDIOHED.WL1 cut.wl1 nothing
    run ls nothing
    # Files named as the songs in them would be: extracting beside them would replace the archive.
    mkdir byhead bydata
    cp AUDIOHED.WL1 byhead/CORNER.imf
    cp AUDIOT.WL1 bydata/Wonderin_.imf
    run imftool archive extract byhead/CORNER.imf AUDIOT.WL1 byhead
    run imftool archive extract AUDIOHED.WL1 bydata/Wonderin_.imf bydata
    run ls byhead bydata
    # A song's name as a file name: letters, digits, '-' and '_' kept, anything else '_'.
    LC_ALL=C sed "s/Wonderin'/AZaz09-_!/" AUDIOT.WL1 >NAMES.WL1
    run imftool archive extract AUDIOHED.WL1 NAMES.WL1 names
    run ls names
    head -c 1000 /dev/zero >short.dct
    run imftool archive list AUDIOHED.WL1 AUDIOT.WL1 --dict short.dct

    section "MIDI files composed for the chip"
    local head=(4d 54 68 64 00 00 00 06 00 00 00 01 00 60 4d 54 72 6b)
    # Program 0, C4 for 96 ticks (the note-off by running status and velocity 0), a bass drum.
    bytes one.mid "${head[@]}" 00 00 00 16 00 c0 00 00 90 3c 64 60 3c 00 00 99 24 64 30 89 24 00 \
        30 ff 2f 00
    run imftool convert one.mid one.imf
    hex one.imf
    run imftool convert one.mid one.wlf --game wolf3d --verbose
    run imftool convert one.mid plain.wlf # a .wlf name alone gives 700 Hz too
    hex one.wlf
    run imftool convert one.mid one.kmf --free-channel0 --rate 280
    run imftool info one.mid
    usage imftool convert one.mid x.imf --game doom
    usage imftool convert two.imf x.imf --bank x.op2
    run imftool convert one.mid x.imf --bank two.imf
    bytes cut.mid "${head[@]}" 00 00 00 16 00 c0
    bytes format2.mid 4d 54 68 64 00 00 00 06 00 02 00 01 00 60
    bytes long.mid "${head[@]}" 00 00 00 08 81 80 80 80 00 90 3c 64
    bytes bare.mid 4d 54 68 64 00 00 00 06 00 01 00 00 00 60
    bytes orphan.mid "${head[@]}" 00 00 00 04 00 3c 64 00
    for bad in cut format2 long bare orphan; do
        run imftool convert $bad.mid $bad.imf
    done
    run ls cut.imf format2.imf long.imf bare.imf orphan.imf

    section "command lines out of the ordinary"
    run imftool --help
    usage imftool optimize two.imf --depth x
    usage imftool optimize two.imf --frobnicate
    cp two.imf ./-dash.imf
    run imftool info -- -dash.imf
    usage imftool volume two.imf v.imf 3 --channel 10
    usage imftool render two.imf
    usage imftool compare note.imf other.imf --top -1
    run imftool compare note.imf two.imf
    # Every drum at once, on operators that sound.
    local kit=(00 00 00 00) value
    for base in 3 5 7 9; do # multiple 1, full level, fastest attack, release 7
        case $base in 3) value=01 ;; 5) value=00 ;; 7) value=f0 ;; 9) value=07 ;; esac
        for slot in 0 1 2 3 4 5; do kit+=("$base$slot" "$value" 00 00); done
    done
    kit+=(a6 44 00 00 b6 09 00 00 a7 44 00 00 b7 09 00 00 a8 44 00 00 b8 09 00 00 bd 3f 10 00 bd 20 00 00)
    bytes kit.imf "${kit[@]}"
    run imftool render kit.imf kit.wav
    run imftool render kit.imf solo_bd.wav --solo bd
    run imftool render kit.imf solo_snare.wav --solo snare
    run imftool render kit.imf mute_bd.wav --mute bassdrum,hh,tomtom,cy
    run sh -c 'cmp -s kit.wav solo_bd.wav; echo "solo bd = whole song: $?"'
    run sh -c 'cmp -s solo_bd.wav solo_snare.wav; echo "solo bd = solo snare: $?"'
    run sh -c 'cmp -s solo_snare.wav mute_bd.wav; echo "solo snare = bd muted: $?"'
    run imftool optimize batch two.imf
    usage imftool archive replace -o new -- AUDIOHED.WL1 AUDIOT.WL1 -1 songs/CORNER.imf
    mkdir h d twin
    cp AUDIOHED.WL1 h/AUDIO.WL1
    cp AUDIOT.WL1 d/AUDIO.WL1
    run imftool archive replace h/AUDIO.WL1 d/AUDIO.WL1 4 songs/CORNER.imf -o twin
    run ls twin
    printf 'Lead\r\nBass' >names.txt
    run imftool instruments two.imf named.wopl --names names.txt
    run sh -c 'imftool info named.wopl | grep "^  "'
    run imftool instruments kit.imf drums.wopl
    run sh -c 'imftool info drums.wopl | grep "^  "'
    # A second bass drum timbre takes the first free note that no drum is known by.
    kit+=(30 02 00 00 bd 30 10 00 bd 20 00 00)
    bytes kit2.imf "${kit[@]}"
    run imftool instruments kit2.imf drums2.wopl
    run sh -c 'imftool info drums2.wopl | grep "^  "'
    # The split without grouping.
    run imftool optimize two.imf -o ungrouped.imf --no-grouping --force
    hex ungrouped.imf

    section "the demo song"
    cp "$source_dir/demo/demo.imf" shipped.imf
    run make_demo demo.imf
    run cmp demo.imf shipped.imf
    run imftool info demo.imf
    run imftool optimize demo.imf
}

session >"$work/session.txt" 2>&1
if [ "$mode" = update ]; then
    cp "$work/session.txt" "$log"
    echo "wrote $log"
elif ! diff -u "$log" "$work/session.txt"; then
    echo "the programs' session differs from tests/cli/session.txt (above: - logged, + now)"
    exit 1
fi
