#!/usr/bin/env bash
# Plays the program for a minute from the demo library, its samples re-levelled to peaks spread
# over -30..0 dBFS, with Edit > Even Loudness on and then off; records the private null sink and
# prints how even each recording is (sampora_loudnessprofile). Needs sox.
# Usage: tools/loudnessprofile/record.sh BUILD_DIR [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "$1" && pwd)
seconds=${2:-60}
# shellcheck source=tools/audio-server.sh
source tools/audio-server.sh
start_headless_session sampora-loudnessprofile
work=$SAMPORA_SESSION_DIR/work
prog=$work/program
mkdir -p "$prog"
cp "$build/bin/sampora" "$prog/"
"$build/tools/sampora_demo" "$prog" >/dev/null
RANDOM=18
find "$prog/demo-samples" -type f \( -name '*.wav' -o -name '*.aif' -o -name '*.mp3' \) | sort | while read -r sample; do
  level=$((RANDOM % 31))
  sox "$sample" "$work/relevelled.${sample##*.}" gain -n -$level
  mv "$work/relevelled.${sample##*.}" "$sample"
done
export XDG_CACHE_HOME=$work/cache
for mode in on off; do
  export XDG_CONFIG_HOME=$work/config-$mode
  mkdir -p "$XDG_CONFIG_HOME/sampora"
  [ $mode = on ] || printf '[General]\nEvenLoudness=false\n' >"$XDG_CONFIG_HOME/sampora/options.ini"
  # A session bus of its own, to press Play through the program's media player interface.
  dbus-run-session -- bash -c '
    (cd "$1" && exec ./sampora >"$2/program-$3.log" 2>&1) &
    program=$!
    for _ in $(seq 1 50); do
      dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.sampora /org/mpris/MediaPlayer2 \
        org.mpris.MediaPlayer2.Player.Play >/dev/null 2>&1 && break
      sleep 0.2
    done
    timeout "$4" parec --latency-msec=10 -d ci_sink.monitor --file-format=wav "$2/recording-$3.wav" || true
    kill $program
    wait $program || true
  ' record "$prog" "$work" $mode $((seconds + 2)) 2>/dev/null
  echo "Even Loudness $mode:"
  "$build/tools/loudnessprofile/sampora_loudnessprofile" "$work/recording-$mode.wav" | grep -v ' s: '
done
