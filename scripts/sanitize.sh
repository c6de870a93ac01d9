#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# (the sanitize preset, in build-sanitize/) and runs it. Any report fails the
# run: undefined behaviour and memory errors abort the test that made them,
# and a leak makes its test exit with an error. The Qt tests run on the
# offscreen platform like everywhere else.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset sanitize > /dev/null
cmake --build --preset sanitize
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --preset sanitize --timeout 900
