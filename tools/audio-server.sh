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

stop_audio_server() {
  if [ -n "${SAMPORA_PULSE_PID:-}" ]; then
    kill "$SAMPORA_PULSE_PID" 2>/dev/null || true
    wait "$SAMPORA_PULSE_PID" 2>/dev/null || true
    SAMPORA_PULSE_PID=
  fi
}

# A headless session for tests and benchmarks: a private runtime folder, offscreen Qt and the
# audio server above. Installs an EXIT trap that stops the server and removes the folder.
# Usage: start_headless_session NAME   (the folder is /tmp/NAME.XXXXXX)
start_headless_session() {
  SAMPORA_SESSION_DIR=$(mktemp -d "/tmp/$1.XXXXXX")
  export XDG_RUNTIME_DIR=$SAMPORA_SESSION_DIR/xdg
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export QT_QPA_PLATFORM=offscreen
  trap 'stop_audio_server; rm -rf "$SAMPORA_SESSION_DIR"' EXIT
  start_audio_server "$SAMPORA_SESSION_DIR/pulse"
}
