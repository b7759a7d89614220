#!/usr/bin/env bash
# Builds Sampora with clang under AddressSanitizer (with LeakSanitizer) and
# UndefinedBehaviorSanitizer, runs the whole test suite on that build, the engine's tests under
# ThreadSanitizer (in a build of their own), then runs each libFuzzer
# harness of tests/fuzz for a bounded time. A sanitizer report, a failing test or a fuzzer
# finding makes it exit non-zero; a fuzzer's crashing input is kept in BUILD_DIR/fuzz-findings/.
#
# Usage: tools/sanitize.sh [suite|tsan|fuzz|all]     (default: all)
# Environment: SAMPORA_SANITIZE_BUILD_DIR (default: build-sanitize in the repository),
#              FUZZ_SECONDS, time per fuzzer (default: 60); SOAK_SECONDS, the soak (default: 30).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
build=${SAMPORA_SANITIZE_BUILD_DIR:-$root/build-sanitize}
fuzz_seconds=${FUZZ_SECONDS:-60}

"$root/tools/install-deps.sh"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSAMPORA_SANITIZE=ON -DSAMPORA_FUZZ=ON >/dev/null
# Only what the suite and the fuzzers run: the tests, the fuzzers, the demo-library tool that a
# test calls and the soak benchmark (run briefly for what the sanitizers find; its figures are not
# checked here).
targets="$(cmake --build "$build" --target help | grep -oE '^\.\.\. (tst|fuzz)_[a-z_]+$' | grep -v _autogen | cut -c5-) bench_soak"
# shellcheck disable=SC2086
cmake --build "$build" -j"$(nproc)" --target sampora_demo $targets

# Findings stop the program with a report; leaks are checked at every exit. The suppression
# files hold only faults inside libvlc's plugins and what its plugin loader keeps for the life of
# the process (FFmpeg is handled below); each says why.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:suppressions=$root/tools/sanitize-asan.supp
export LSAN_OPTIONS=suppressions=$root/tools/sanitize-lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)}

status=0
if [ "$what" = all ] || [ "$what" = suite ]; then
  # shellcheck source=tools/audio-server.sh
  source "$root/tools/audio-server.sh"
  start_headless_session sampora-sanitize
  # libvlc's avformat and avcodec plugins pull in FFmpeg's libraries, which keep blocks they
  # allocate once in their own globals; when libvlc unloads the plugins with its last instance,
  # the libraries are unmapped with those globals and LeakSanitizer reports the blocks as leaks
  # from "<unknown module>". Loaded up front, the libraries stay mapped and nothing is hidden.
  ffmpeg_libs=$(ldconfig -p | awk '/lib(avformat|avcodec)\.so\.[0-9]+ \(libc6,x86-64\)/ {print $NF}' | tr '\n' ' ')
  # Under the sanitizers everything runs several times slower, and the tests that wait for
  # real audio can miss their time limits; a test that fails gets one more try. A sanitizer
  # report fails it both times.
  (cd "$build" && LD_PRELOAD="$ffmpeg_libs" ctest --output-on-failure -j1 --repeat until-pass:2) || status=1
  # The deck pressed at random for a while: races and lifetimes the tests' scripted moves miss.
  echo "soak under the sanitizers for ${SOAK_SECONDS:-30}s"
  SAMPORA_BENCH_SOAK_SECONDS=${SOAK_SECONDS:-30} SAMPORA_BENCH_DIR=$build/soak-data LD_PRELOAD="$ffmpeg_libs" \
    "$build/bench/bench_soak" "$build" 2>"$build/soak.log" || { tail -n 60 "$build/soak.log" >&2; status=1; }
fi

if [ "$what" = all ] || [ "$what" = tsan ]; then
  # The deck's engine under ThreadSanitizer: the mixer, the voices and the output's writer thread
  # against the GUI thread. (The players' own tests are not run here: Qt's thread pool and mutexes
  # lock through futexes that an uninstrumented Qt hides from ThreadSanitizer, and every hand-over
  # to a decoding thread would be reported.)
  tsan_build=${SAMPORA_TSAN_BUILD_DIR:-$root/build-tsan}
  CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$tsan_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSAMPORA_TSAN=ON >/dev/null
  tsan_tests="tst_engine_mixer tst_player_stream tst_player_heardclock"
  # shellcheck disable=SC2086
  cmake --build "$tsan_build" -j"$(nproc)" --target $tsan_tests
  # shellcheck source=tools/audio-server.sh
  [ -n "${PULSE_SERVER:-}" ] || { source "$root/tools/audio-server.sh"; start_headless_session sampora-tsan; }
  # As in the suite, a test that waits for real audio gets one more try on a slow run.
  (cd "$tsan_build" && TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tools/sanitize-tsan.supp" \
    ctest --output-on-failure -j1 --repeat until-pass:2 -R "^($(echo $tsan_tests | tr ' ' '|'))\$") || status=1
fi

if [ "$what" = all ] || [ "$what" = fuzz ]; then
  findings=$build/fuzz-findings
  mkdir -p "$findings"
  for harness in "$root"/tests/fuzz/fuzz_*.cpp; do
    name=$(basename "$harness" .cpp)
    name=${name#fuzz_}
    # New inputs go to a scratch corpus in the build folder; the seeds in the tree stay as they are.
    corpus=$build/fuzz-corpus/$name
    mkdir -p "$corpus"
    echo "fuzzing $name for ${fuzz_seconds}s"
    if ! "$build/tests/fuzz/fuzz_$name" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/$name-" \
        "$corpus" "$root/tests/fuzz/corpus/$name" >"$build/fuzz-$name.log" 2>&1; then
      echo "fuzzer $name found a fault; its log: $build/fuzz-$name.log" >&2
      tail -n 60 "$build/fuzz-$name.log" >&2
      status=1
    else
      grep -E "^stat::number_of_executed_units" "$build/fuzz-$name.log" || true
    fi
  done
fi
exit $status
