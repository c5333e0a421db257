#!/bin/sh
# Runs a test (the command line given) with a home folder and configuration,
# cache, data and state folders of its own, made afresh and removed after it,
# so that no test reads or writes the user's files.
home=$(mktemp -d "${TMPDIR:-/tmp}/sectorscope-test-home.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT
HOME=$home
XDG_CONFIG_HOME=$home/.config
XDG_CACHE_HOME=$home/.cache
XDG_DATA_HOME=$home/.local/share
XDG_STATE_HOME=$home/.local/state
export HOME XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME"
"$@"
