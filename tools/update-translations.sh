#!/usr/bin/env bash
# Brings translations/*.ts (or the .ts files named) up to date with the texts in the sources:
# new texts are added unfinished, texts no longer used are dropped, and every other entry is
# left as it is. Translate the new ones with Qt Linguist. The translation test runs this on a
# copy and fails on any text without a German translation.
# Usage: tools/update-translations.sh [TS_FILE...]
set -euo pipefail
files=()
for file in "$@"; do files+=("$(realpath "$file")"); done
cd "$(dirname "$0")/.."
[ ${#files[@]} -gt 0 ] || files=(translations/*.ts)
lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
"$lupdate" -silent -I . -no-obsolete -locations none app controls deck dialogs library online player render tempo -ts "${files[@]}"
