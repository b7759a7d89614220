#!/usr/bin/env bash
# Starts a private PulseAudio server with a null sink ("ci_sink") for headless playback.
# Usage: source tools/audio-server.sh; start_audio_server DIR; ...; stop_audio_server
# Exports PULSE_SERVER; the sink's monitor (ci_sink.monitor) records what was played.

start_audio_server() {
  local dir=$1
  mkdir -p "$dir"
  chmod 700 "$dir"
  pulseaudio --daemonize=no --system=false --exit-idle-time=-1 -n --disable-shm=yes \
    --use-pid-file=no --log-target=stderr \
    --load="module-null-sink sink_name=ci_sink rate=44100 channels=2 norewinds=1" \
    --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
    >"$dir/pulseaudio.log" 2>&1 &
  SAMPORA_PULSE_PID=$!
  export PULSE_SERVER="unix:$dir/native"
  for _ in $(seq 1 100); do
    if pactl info >/dev/null 2>&1; then
      pactl set-default-sink ci_sink >/dev/null 2>&1 || true
      return 0
    fi
    sleep 0.1
  done
  echo "audio server did not start; see $dir/pulseaudio.log" >&2
  return 1
}

# Stops a server started above by its pid, if it runs.
stop_server() {
  if [ -n "$1" ]; then
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}

stop_audio_server() {
  stop_server "${SAMPORA_PULSE_PID:-}"
  SAMPORA_PULSE_PID=
}

# Starts a private JACK server with the dummy back end for MIDI, where the ALSA sequencer is
# missing (no snd-seq module, as in a container): Sampora's MIDI input then uses JACK.
# Exports JACK_DEFAULT_SERVER; does nothing where /dev/snd/seq exists.
start_midi_server() {
  [ -e /dev/snd/seq ] && return 0
  export JACK_DEFAULT_SERVER=sampora-$$
  export JACK_NO_AUDIO_RESERVATION=1
  jackd --name "$JACK_DEFAULT_SERVER" --no-realtime --timeout 10000 -d dummy -r 44100 -p 1024 >"$1/jackd.log" 2>&1 &
  SAMPORA_JACK_PID=$!
  if ! jack_wait --wait --timeout 5 >/dev/null 2>&1; then
    echo "JACK server did not start; see $1/jackd.log" >&2
    return 1
  fi
}

stop_midi_server() {
  stop_server "${SAMPORA_JACK_PID:-}"
  SAMPORA_JACK_PID=
}

# A headless session for tests and benchmarks: a private runtime folder, offscreen Qt and the
# audio server and the MIDI server above. Installs an EXIT trap that stops them and removes the
# folder.
# Usage: start_headless_session NAME   (the folder is /tmp/NAME.XXXXXX)
start_headless_session() {
  SAMPORA_SESSION_DIR=$(mktemp -d "/tmp/$1.XXXXXX")
  export XDG_RUNTIME_DIR=$SAMPORA_SESSION_DIR/xdg
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export QT_QPA_PLATFORM=offscreen
  trap 'stop_midi_server; stop_audio_server; rm -rf "$SAMPORA_SESSION_DIR"' EXIT
  start_audio_server "$SAMPORA_SESSION_DIR/pulse"
  start_midi_server "$SAMPORA_SESSION_DIR"
}
