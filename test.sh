#!/usr/bin/env bash
# Installs what is missing, builds, starts a headless audio server and runs the test suite.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

build=${SAMPORA_BUILD_DIR:-$root/build}
tools/build.sh "$build"

# shellcheck source=tools/audio-server.sh
source tools/audio-server.sh
start_headless_session sampora-test

cd "$build"
# The recording tests hear what the audio server played. On a machine that is busy with other
# work the server can run dry for a moment and insert silence that no seam of ours caused; a
# failing test gets one more try, and a real fault fails both.
ctest --output-on-failure -j1 --repeat until-pass:2 "$@"
