#!/usr/bin/env bash
# Installs what the project needs on Debian 12, only what is missing.
set -euo pipefail

packages=(
    cmake make g++ clang libclang-rt-14-dev    # build (clang for the fuzz targets)
    llvm                                       # llvm-symbolizer: sanitizer reports with source lines
    libgtest-dev libbenchmark-dev              # unit tests and benchmarks
    libsdl2-dev                                # windows, drawing, input, message boxes
    libadplug-dev                              # OPL2 emulation for rendering songs
    zlib1g-dev                                 # gzip: reading and writing VGZ (compressed VGM)
    xvfb xdotool imagemagick                   # whole-program tests in a real X server
    zenity                                     # the desktop's file dialog
    python3-mido                               # to check MIDI output in tests
    librsvg2-bin                               # rsvg-convert: the PNG icons from the SVG
    desktop-file-utils                         # desktop-file-validate, update-desktop-database
    appstream                                  # appstreamcli validate: the AppStream metadata
    shared-mime-info                           # update-mime-database: our file types
    xdg-utils libglib2.0-bin                   # xdg-mime query filetype (through gio)
    libxml2-utils                              # xmllint: the MIME package is well-formed
    groff-base man-db                          # groff -ww and man: the manual pages render
    dpkg-dev                                   # cpack -G DEB: dpkg-shlibdeps finds the Depends
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
