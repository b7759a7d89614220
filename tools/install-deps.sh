#!/usr/bin/env bash
# Installs the Debian packages Sampora needs to build, run and test, if any is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6xml6 qt6-httpserver-dev qt6-websockets-dev
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
  dpkg-dev file desktop-file-utils appstream
  fonts-dejavu-core
  libvlc-dev libvlc-bin vlc-plugin-base vlc-plugin-fluidsynth timgm6mb-soundfont
  pulseaudio pulseaudio-utils
  xvfb xauth x11-apps imagemagick
  sox libsox-fmt-mp3 lame
  libsndfile1-dev libsoxr-dev libfluidsynth-dev librubberband-dev
  clang-14 libclang-rt-14-dev llvm-14
  libaubio-dev libebur128-dev
  librtmidi-dev jackd2 libjack-jackd2-dev dbus-daemon dbus-bin
  librubberband-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
