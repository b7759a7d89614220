#!/usr/bin/env bash
# Installs what is missing, builds Sampora, generates the demo sample library and starts
# the program from its own directory.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

build=${SAMPORA_BUILD_DIR:-$root/build}
tools/build.sh "$build"

bin=$build/bin
# Writes the demo samples if they are missing and a config.xml if there is none;
# an existing config.xml is never touched.
"$build/tools/sampora_demo" "$bin"

# Qt wants a private runtime folder; root often has none. Keep it in the build folder so
# that running Sampora writes nothing outside it.
if [ "$(id -u)" -eq 0 ] && [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$(cd "$build" && pwd)/runtime
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Sampora is built in $bin, but there is no display to show it on." >&2
  echo "Start it from a desktop session, or headless: xvfb-run -a -s \"-screen 0 1024x768x24\" ./run.sh" >&2
  exit 1
fi
cd "$bin"
exec ./sampora "$@"
