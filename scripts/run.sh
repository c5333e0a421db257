#!/usr/bin/env bash
# Builds the viewer and opens it on the project's own sample image. Without a
# graphical session it builds sectorscope-cli instead and says how to use it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
sample=$build/samples/${1:-sample.dmk}

# Qt's X11 and Wayland platforms need DISPLAY or WAYLAND_DISPLAY; any other
# platform named in QT_QPA_PLATFORM (offscreen, vnc, eglfs, ...) needs neither.
have_display() {
    [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] && return 0
    local platform
    IFS=';' read -ra platforms <<<"${QT_QPA_PLATFORM:-}"
    for platform in "${platforms[@]}"; do
        case "${platform%%:*}" in
        "" | xcb | wayland*) ;;
        *) return 0 ;;
        esac
    done
    return 1
}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
if ! have_display; then
    cmake --build "$build" -j"$(nproc)" --target sectorscope-cli samples
    cli=$build/src/cli/sectorscope-cli
    cat >&2 <<MSG

The viewer needs a graphical session, and none was found (neither DISPLAY nor
WAYLAND_DISPLAY is set). Run this script again from a desktop session, or over
"ssh -X".

Without a display, sectorscope-cli prints what the main window shows:
  $cli info $sample
  $cli show $sample 0
  $cli sectors $sample
See "$cli --help" for all its commands.
MSG
    exit 1
fi
cmake --build "$build" -j"$(nproc)" --target sectorscope samples
exec "$build/src/app/sectorscope" "$sample"
