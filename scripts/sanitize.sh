#!/usr/bin/env bash
# Builds everything with AddressSanitizer + UndefinedBehaviorSanitizer (leak
# checking included) in its own build directory and runs every test under
# Xvfb. Only what libraries allocate once per process on their own behalf is
# suppressed (scripts/lsan.supp, with the reason for each); everything else
# fails the run.
#   SANITIZE_BUILD  build directory (default build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${SANITIZE_BUILD:-build-asan}

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLATTRIX_SANITIZE=ON
fi
cmake --build "$build"

# Allocation stacks are unwound in full: GLib and the toolkit are built
# without frame pointers, and the quick unwinder would stop in g_malloc,
# leaving nothing to tell one allocation from another.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0:malloc_context_size=12}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# GLib's slice allocator hides frees from the leak checker.
export G_SLICE=always-malloc
export G_DEBUG=${G_DEBUG:-gc-friendly}
# GTK's accessibility bridge connects to a bus and registers itself once per
# process, memory the leak checker reports at exit; no test needs it.
export NO_AT_BRIDGE=1
xvfb-run -a -n "$(shuf -i 100-4000 -n 1)" -s "-screen 0 1280x1024x24 -noreset" \
    ctest --test-dir "$build" --output-on-failure -j2 --timeout 900
