#!/usr/bin/env bash
# Installs the Debian 12 packages sectorscope needs to build, test and run.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # The command-line program's --json output (header-only).
    nlohmann-json3-dev
    # The Z80 disassembler of the contents window and `cat --as disasm`, and
    # the independent disassembler its test compares with.
    libz80ex-dev binutils-z80
    fonts-liberation
    # The install test validates the desktop entry and the MIME types with
    # these, and checks that the file manager's way recognises the images.
    desktop-file-utils libxml2-utils shared-mime-info libglib2.0-bin
    # The CI gates: the fuzz targets (clang with libFuzzer and the sanitizer
    # runtimes) and the format check.
    clang-14 libclang-rt-14-dev clang-format-14
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
