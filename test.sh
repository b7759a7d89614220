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
ctest --output-on-failure -j1 "$@"
