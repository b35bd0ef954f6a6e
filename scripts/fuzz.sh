#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in their own build directory, and runs each for
# a bounded time over the committed seed corpus.
#   FUZZ_SECONDS  seconds per target (default 60)
#   FUZZ_BUILD    build directory (default build-fuzz)
#   FUZZ_TARGETS  targets to run (default: all three)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-build-fuzz}
targets=${FUZZ_TARGETS:-"document key_pattern command_split"}

if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DLATTRIX_SANITIZE=ON -DLATTRIX_FUZZ=ON
fi
for t in $targets; do
    cmake --build "$build" --target "fuzz_$t"
done

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for t in $targets; do
    # New inputs go to a scratch corpus so the committed seeds stay small;
    # crashes land in the build directory, named by the target.
    work="$build/fuzz-corpus/$t"
    artifacts="$build/fuzz-artifacts/$t/"
    mkdir -p "$work" "$artifacts"
    echo "== fuzz_$t for ${seconds}s"
    if ! "$build/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts" \
        "$work" "tests/fuzz/corpus/$t" 2>"$build/fuzz_$t.log"; then
        echo "fuzz_$t FAILED; see $build/fuzz_$t.log and $artifacts"
        tail -40 "$build/fuzz_$t.log"
        status=1
    fi
    grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' "$build/fuzz_$t.log" | tail -2 || true
done
exit $status
