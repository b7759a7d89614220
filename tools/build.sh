#!/usr/bin/env bash
# Installs the Debian packages that are missing, then configures and builds Sampora in Release.
# Usage: tools/build.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1

"$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
