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
    xvfb xdotool x11-apps imagemagick          # whole-program tests in a real X server
    zenity                                     # the desktop's file dialog
    python3-mido                               # to check MIDI output in tests
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
