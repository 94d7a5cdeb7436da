#!/usr/bin/env bash
# What a desktop user and a packager get from the build:
#   install_test.sh tree BUILD SOURCE CORPUS   install into a scratch DESTDIR and check the tree,
#                                              the desktop entry, AppStream, MIME types, manuals
#   install_test.sh deb BUILD SOURCE CPACK     build the .deb, install it with apt-get, remove it
# Exit status 77 means skipped (CTest's SKIP_RETURN_CODE).
set -euo pipefail
mode=$1 build=$2 source=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# need COMMAND PACKAGE: the tools come from scripts/setup.sh; without one the check cannot run.
need() {
    command -v "$1" >/dev/null || {
        echo "FAIL: $1 not found (package $2, installed by scripts/setup.sh)"
        exit 1
    }
}

# The MIME type the desktop sees for a file, as a file manager asks for it.
filetype() { XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$1"; }

# expect_type FILE TYPE
expect_type() {
    local got
    got=$(filetype "$1" 2>&1) || true
    [ "$got" = "$2" ] || fail "$(basename "$1"): type \"$got\", expected $2"
}

# The type our MIME package gives a song or capture, by its extension.
type_for() {
    case "${1##*.}" in
    imf | wlf) echo audio/x-imfproc-imf ;;
    kmf) echo audio/x-imfproc-kmf ;;
    dro) echo audio/x-imfproc-dro ;;
    raw) echo audio/x-imfproc-raw ;;
    vgm) echo audio/x-imfproc-vgm ;;
    esac
}

# The PNG's width and height from its header.
png_size() { od -An -tu4 --endian=big -j16 -N8 "$1" | awk '{print $1 "x" $2}'; }

# check_licence COPYRIGHT METAINFO: the project is MIT-licensed where Debian and AppStream look
# (SPDX "MIT"), the copyright file carries the LICENSE file's text word for word, and every
# licence a Files paragraph names has its text in the file.
check_licence() {
    local copyright=$1 metainfo=$2 name
    [ -s "$source/LICENSE" ] || fail "no LICENSE file at the root of the sources"
    head -n 1 "$source/LICENSE" | grep -qx 'MIT License' || fail "LICENSE is not the MIT licence"
    head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
        fail "the copyright file is not in the machine-readable format"
    # The License field of the paragraph of "Files: *".
    name=$(awk '/^Files: \*$/ {f = 1} f && /^License:/ {print $2; exit} /^$/ {f = 0}' "$copyright")
    [ "$name" = MIT ] || fail "copyright: the files of the project are under \"$name\", not MIT"
    # The stand-alone paragraph's text (its License line follows an empty line), without the
    # leading space and with " ." as an empty line.
    awk 'f && !/^ / {exit} f {sub(/^ /, ""); if ($0 == ".") $0 = ""; print}
        /^License: MIT$/ && blank {f = 1} {blank = $0 == ""}' "$copyright" >"$scratch/mit.txt"
    sed -n '/^Permission is hereby granted/,$p' "$source/LICENSE" | diff -q - "$scratch/mit.txt" >/dev/null ||
        fail "copyright: the MIT text differs from LICENSE"
    for name in $(awk '/^Files:/ {f = 1} f && /^License:/ {print $2; f = 0}' "$copyright" | sort -u); do
        # Either the Files paragraph holds the text below its License line, or a stand-alone
        # paragraph "License: NAME" does.
        awk -v n="$name" '$0 == "License: " n {getline; if (/^ /) found = 1} END {exit !found}' \
            "$copyright" || fail "copyright: no text of the licence $name"
    done
    grep -qx '  <project_license>MIT</project_license>' "$metainfo" ||
        fail "AppStream: project_license is not MIT"
    grep -q 'MIT licence' "$source/README.md" || fail "README does not name the licence"
}

check_tree() {
    local corpus=$1
    need desktop-file-validate desktop-file-utils
    need appstreamcli appstream
    need update-mime-database shared-mime-info
    need xdg-mime xdg-utils
    need gio libglib2.0-bin
    need groff groff-base
    need xmllint libxml2-utils

    local root=$scratch/root
    DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
    local usr=$root/usr share=$root/usr/share
    local outside
    outside=$(find "$root" -mindepth 1 -not -path "$usr" -not -path "$usr/*")
    [ -z "$outside" ] || fail "written outside the prefix: $outside"

    local files=(bin/imfproc bin/imftool share/mime/packages/imfproc.xml
        share/icons/hicolor/scalable/apps/imfproc.svg share/man/man1/imfproc.1.gz
        share/man/man1/imftool.1.gz share/doc/imfproc/README.md share/doc/imfproc/copyright
        share/doc/imfproc/COPYING-freedoom.adoc)
    local file size
    for file in "${files[@]}"; do
        [ -s "$usr/$file" ] || fail "not installed: $file"
    done
    [ -x "$usr/bin/imfproc" ] && [ -x "$usr/bin/imftool" ] || fail "programs not executable"
    for size in 16 32 48 64 128 256; do
        file=$share/icons/hicolor/${size}x$size/apps/imfproc.png
        if [ -f "$file" ]; then
            [ "$(png_size "$file")" = "${size}x$size" ] || fail "$file is $(png_size "$file")"
        else
            fail "not installed: ${file#"$usr"/}"
        fi
    done

    # One desktop entry and one AppStream file, named by the same application id.
    local desktops=("$share"/applications/*.desktop) metainfos=("$share"/metainfo/*.metainfo.xml)
    [ ${#desktops[@]} -eq 1 ] && [ -f "${desktops[0]}" ] || fail "expected one desktop entry"
    [ ${#metainfos[@]} -eq 1 ] && [ -f "${metainfos[0]}" ] || fail "expected one metainfo file"
    local desktop=${desktops[0]} metainfo=${metainfos[0]} id output
    id=$(basename "$desktop" .desktop)
    [ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "metainfo not named $id"
    output=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed"
    [ -z "$output" ] || fail "desktop-file-validate: $output"
    grep -qx 'Exec=imfproc %f' "$desktop" || fail "Exec must pass the file as %f"
    grep -qx 'Categories=AudioVideo;Audio;' "$desktop" || fail "Categories"
    local mime
    for mime in $(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' '); do
        grep -q "type=\"$mime\"" "$share/mime/packages/imfproc.xml" ||
            fail "the desktop entry's $mime is not in the MIME package"
    done
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "metainfo does not launch $id.desktop"
    output=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) ||
        fail "appstreamcli validate: $output"
    if grep -q '^[PIWE]: ' <<<"$output"; then fail "appstreamcli validate: $output"; fi

    check_licence "$usr/share/doc/imfproc/copyright" "$metainfo"

    # The manual pages render without a warning and name every subcommand and option.
    local page
    for page in "$share"/man/man1/*.1.gz; do
        output=$(zcat "$page" | groff -man -ww -z 2>&1)
        [ -z "$output" ] || fail "groff -ww on $(basename "$page"): $output"
        output=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [ -z "$output" ] || fail "man -l $(basename "$page"): $output"
    done
    local manual=$scratch/imftool.1 command option
    zcat "$share/man/man1/imftool.1.gz" >"$manual"
    local commands
    commands=$("$usr/bin/imftool" --help | awk '$1 == "imftool" {print $2}')
    [ "$(wc -w <<<"$commands")" -ge 9 ] || fail "imftool --help lists too few commands: $commands"
    for command in $commands; do
        grep -q "^\.BI \"$command " "$manual" || fail "imftool.1 lacks the command $command"
        for option in $("$usr/bin/imftool" "$command" --help | grep -oE -- '(^|[[:space:][])--?[a-z][a-z-]*' |
            sed 's/^[[:space:][]//' | grep -v -- '^--help$' | sort -u); do
            grep -qF -- "${option//-/\\-}" "$manual" ||
                fail "imftool.1 lacks $command's option $option"
        done
    done

    # The MIME package registers our types, which the desktop finds by name and by content.
    export XDG_DATA_HOME=$scratch/home XDG_DATA_DIRS=$share:/usr/share
    xmllint --noout "$share/mime/packages/imfproc.xml" || fail "MIME package is not well-formed"
    output=$(update-mime-database "$share/mime" 2>&1) || fail "update-mime-database failed"
    [ -z "$output" ] || fail "update-mime-database: $output"
    local songs=("$source"/demo/demo.imf)
    if [ -d "$corpus" ]; then
        songs+=("$corpus"/*.imf "$corpus"/*.wlf "$corpus"/*.kmf)
        [ -d "$corpus/../captures" ] && songs+=("$corpus"/../captures/*.{dro,raw,vgm})
        cp "$corpus/opensong_got.kmf" "$scratch/kmf-without-extension"
        expect_type "$scratch/kmf-without-extension" audio/x-imfproc-kmf
    else
        echo "SKIP: no corpus at $corpus; MIME types checked on the demo song only"
    fi
    for file in "${songs[@]}"; do
        if [ -f "$file" ]; then expect_type "$file" "$(type_for "$file")"; fi
    done
    echo "MIME types checked on ${#songs[@]} files"

    # A double click on a song opens imfproc: the menu database names it for our types.
    output=$(update-desktop-database "$share/applications" 2>&1) || fail "update-desktop-database failed"
    [ -z "$output" ] || fail "update-desktop-database: $output"
    for mime in audio/x-imfproc-imf audio/x-imfproc-kmf; do
        output=$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query default "$mime")
        [ "$output" = "$id.desktop" ] || fail "$mime opens with \"$output\", not $id.desktop"
    done

    # Opened from the file manager: the desktop entry gets a name with spaces and non-ASCII
    # letters; imfproc, with no display, runs through and saves beside the song.
    mkdir "$scratch/Müsik ♪"
    local song="$scratch/Müsik ♪/Wöndërin ünd Sóng 1.imf"
    cp "$source/demo/demo.imf" "$song"
    (
        export PATH=$usr/bin:$PATH
        unset DISPLAY WAYLAND_DISPLAY
        gio launch "$desktop" "$song" >/dev/null 2>&1
    ) || fail "gio launch of the desktop entry failed"
    local saved="${song%.imf}_optimized.imf" waited=0
    while [ ! -s "$saved" ] && [ $waited -lt 60 ]; do
        sleep 1
        waited=$((waited + 1))
    done
    [ -s "$saved" ] || fail "imfproc did not save \"$saved\""
    "$usr/bin/imftool" optimize --mode faithful "$song" -o "${song%.imf} klein.kmf" >/dev/null ||
        fail "imftool optimize on a name with spaces failed"
    [ -s "${song%.imf} klein.kmf" ] || fail "imftool did not save \"${song%.imf} klein.kmf\""
}

check_deb() {
    local cpack=$1
    if [ "$(id -u)" -ne 0 ]; then
        echo "SKIP: building, installing and removing the .deb needs root"
        exit 77
    fi
    need dpkg-shlibdeps dpkg-dev
    need apt-get apt
    need man man-db
    # Runs in one build folder at a time: the package is installed system-wide.
    exec 9>/var/lock/imfproc-package-test
    flock 9
    if dpkg-query -W -f='${Status}' imfproc 2>/dev/null | grep -q 'ok installed'; then
        echo "SKIP: the imfproc package is installed on this machine; the test leaves it alone"
        exit 77
    fi

    (cd "$scratch" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg") \
        >"$scratch/cpack.log" 2>&1 || {
        cat "$scratch/cpack.log"
        echo "FAIL: cpack -G DEB failed"
        exit 1
    }
    local debs=("$scratch"/pkg/imfproc_*.deb)
    local deb=${debs[0]}
    [ -f "$deb" ] || {
        echo "FAIL: cpack made no imfproc_*.deb"
        exit 1
    }
    echo "built $(basename "$deb")"
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    grep -q 'libc6' <<<"$depends" || fail "Depends lacks what dpkg-shlibdeps finds: $depends"
    dpkg-deb -e "$deb" "$scratch/control"
    [ -x "$scratch/control/postinst" ] && [ -x "$scratch/control/postrm" ] ||
        fail "maintainer scripts missing"

    trap 'dpkg --purge imfproc >/dev/null 2>&1; rm -rf "$scratch"' EXIT
    apt-get install -y -qq -o DPkg::Lock::Timeout=300 "$deb" >/dev/null 2>"$scratch/apt.err" || {
        cat "$scratch/apt.err"
        echo "FAIL: apt-get install of the package failed"
        exit 1
    }
    local files
    files=$(dpkg -L imfproc)
    (cd / && env -i PATH=/usr/bin:/bin imftool --help | grep -q '^usage: imftool') ||
        fail "imftool --help from the system path"
    [ "$(man -w imftool)" = /usr/share/man/man1/imftool.1.gz ] || fail "man -w imftool: $(man -w imftool)"
    MANWIDTH=80 man imftool 2>/dev/null | grep -q 'imftool' || fail "man imftool shows nothing"
    [ -f /usr/share/mime/audio/x-imfproc-imf.xml ] || fail "MIME database not refreshed"
    [ "$(XDG_DATA_HOME=$scratch/home XDG_DATA_DIRS=/usr/share filetype "$source/demo/demo.imf")" = audio/x-imfproc-imf ] ||
        fail "installed MIME type not resolved"

    apt-get remove -y -qq -o DPkg::Lock::Timeout=300 imfproc >/dev/null 2>&1 || fail "apt-get remove failed"
    trap 'rm -rf "$scratch"' EXIT
    local left
    left=$(while read -r file; do
        if [ -f "$file" ] || [ -L "$file" ]; then echo "$file"; fi
    done <<<"$files")
    [ -z "$left" ] || fail "left behind after removal: $left"
    [ ! -e /usr/share/mime/audio/x-imfproc-imf.xml ] || fail "MIME type still known after removal"
    # dpkg keeps only its record of the package, for postrm's purge: no file of it is left.
    if dpkg-query -W -f='${Status}' imfproc 2>/dev/null | grep -q 'ok installed'; then
        fail "package still installed"
    fi
    dpkg --purge imfproc >/dev/null
}

case $mode in
tree) check_tree "${4:-}" ;;
deb) check_deb "$4" ;;
*)
    echo "usage: install_test.sh tree|deb BUILD SOURCE CORPUS|CPACK" >&2
    exit 2
    ;;
esac
[ $failures -eq 0 ] || {
    echo "$failures check(s) failed"
    exit 1
}
echo "all checks passed"
