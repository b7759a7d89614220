#!/usr/bin/env bash
# Builds the .deb, checks its metadata, unpacks it into a scratch root and runs the installed
# program there as a normal user (nobody, when the test runs as root): it must find its images
# and help from any working directory, seed the user's library, import a folder and still have
# it after a restart, without writing anywhere but the user's configuration folder.
# Usage: installed-package.sh BUILD_DIR DRIVER_PLUGIN_DIR
set -euo pipefail
build=$1
plugins=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "== package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/sampora_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in libvlc5 libqt6widgets6 libqt6xml6 vlc-plugin-base qt6-qpa-plugins; do
  [[ $depends == *"$dep"* ]] || fail "Depends lacks $dep"
done

# Only addresses the build was given: none is made up for a domain the project does not own.
maintainer=$(dpkg-deb -f "$deb" Maintainer)
[[ $maintainer != *sampora.app* ]] || fail "Maintainer names an address at sampora.app: $maintainer"
[ -z "$(dpkg-deb -f "$deb" Homepage)" ] || fail "a Homepage no one configured"

root=$work/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share
desktop-file-validate "$share/applications/app.sampora.Sampora.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$share/metainfo/app.sampora.Sampora.metainfo.xml" || fail "metainfo"
! grep -Eo 'https?://[^<"]*' "$share/metainfo/app.sampora.Sampora.metainfo.xml" || fail "metainfo names a web address"
grep -qx "StartupWMClass=sampora" "$share/applications/app.sampora.Sampora.desktop" || fail "desktop entry names no window class"
for size in 16 32 48 64 128 256; do
  [ -s "$share/icons/hicolor/${size}x${size}/apps/sampora.png" ] || fail "no ${size}px icon"
done
for file in man/man1/sampora.1.gz sampora/help.html sampora/pixmaps/applogo.png sampora/config.xml; do
  [ -s "$share/$file" ] || fail "no $file"
done
[ -x "$root/usr/bin/sampora" ] || fail "no program"

echo "== as a normal user"
home=$work/home
samples="$work/my samples"
mkdir -p "$home/run" "$samples/drums"
sox -n -r 44100 -c 2 "$samples/drums/kick loop 96bpm.wav" synth 1 sine 60 2>/dev/null || fail "sox"
chmod 700 "$home/run"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# The build folder may lie where the user cannot read (e.g. below /root): use a copy.
cp -r "$plugins" "$work/plugins"
plugins=$work/plugins
touch "$work/stamp"

# Runs the installed program from / with a clean environment; output in $work/NAME.out/.err.
run() {
  local name=$1; shift
  (cd / && env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen \
      QT_MESSAGE_PATTERN='%{if-category}%{category}: %{endif}%{message}' \
      QT_PLUGIN_PATH="$plugins" SAMPORA_DRIVER_FOLDER="$samples" "$@" \
      "${as_user[@]}" "$root/usr/bin/sampora" --no-update-check) >"$work/$name.out" 2>"$work/$name.err" || true
  sed "s/^/  $name: /" "$work/$name.out"
  if [ -s "$work/$name.err" ]; then sed "s/^/  $name (stderr): /" "$work/$name.err"; fi
}

library=$home/.config/sampora/config.xml
(cd / && env -i HOME="$home" PATH=/usr/bin:/bin "${as_user[@]}" "$root/usr/bin/sampora" --help) >"$work/help.out" 2>&1 \
  || { cat "$work/help.out"; fail "--help"; }
grep -q -- "--config <FILE>" "$work/help.out" || fail "--help lists no --config"
grep -qF "Library: $library" "$work/help.out" || { cat "$work/help.out"; fail "--help does not name $library"; }
(cd / && env -i HOME="$home" PATH=/usr/bin:/bin "${as_user[@]}" "$root/usr/bin/sampora" --version) | grep -qx "sampora 0.2" \
  || fail "--version"

run first QT_QPA_GENERIC_PLUGINS=samporadriver SAMPORA_DRIVER_STEP=first
grep -q "^driver: done" "$work/first.out" || fail "first start"
grep -q "^driver: image $root/usr/share/sampora/pixmaps/applogo.png" "$work/first.out" || fail "images not from the data folder"
[ -f "$library" ] || fail "no library at $library"
grep -q 'path="demo-samples/' "$library" || fail "the library was not seeded with the demo"
grep -qF "path=\"$samples/drums\"" "$library" || grep -qF "path=\"$samples\"" "$library" || { cat "$library"; fail "the import is not in $library"; }
written=$(find "$root" "$work" -newer "$work/stamp" -type f ! -path "$home/*" ! -name '*.out' ! -name '*.err')
[ -z "$written" ] || fail "files written outside the user's folder: $written"
# Debug lines of the program's categories stay off without QT_LOGGING_RULES.
grep -q '^sampora\.' "$work/first.err" && fail "debug output on the terminal"

run second QT_QPA_GENERIC_PLUGINS=samporadriver SAMPORA_DRIVER_STEP=second
grep -q "^driver: done" "$work/second.out" || fail "second start"
grep -qF "library folder $samples" "$work/second.out" || fail "the imported folder is gone after a restart"
grep -q "library folder demo-samples/" "$work/second.out" || fail "the demo folders are gone after a restart"
# Nothing else either, libvlc's chatter included; the offscreen platform's own notice is the
# test's, not the program's.
noise=$(grep -v 'This plugin does not support propagateSizeHints()' "$work/first.err" "$work/second.err" || true)
[ -z "$noise" ] || fail "the terminal was not quiet: $noise"
echo "ok"
