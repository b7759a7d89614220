#!/usr/bin/env bash
# Brings translations/*.ts up to date with the texts in the sources (new texts are added
# unfinished, texts no longer used are dropped). Translate them with Qt Linguist.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
"$lupdate" -no-obsolete -locations none app controls deck dialogs library online player render tempo -ts translations/*.ts
