#!/usr/bin/env bash
# Installs what is missing, builds, starts a headless audio server and runs the test suite.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

build=${SAMPORA_BUILD_DIR:-$root/build}
tools/build.sh "$build"

runtime=$(mktemp -d /tmp/sampora-test.XXXXXX)
export XDG_RUNTIME_DIR=$runtime/xdg
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

# shellcheck source=tools/audio-server.sh
source tools/audio-server.sh
cleanup() { stop_audio_server; rm -rf "$runtime"; }
trap cleanup EXIT
start_audio_server "$runtime/pulse"

cd "$build"
ctest --output-on-failure -j1 "$@"
