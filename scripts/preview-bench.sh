#!/usr/bin/env bash
# Runs the preview pane's benchmark (bench/preview_pane_bench.cc) on a
# virtual X display, as the window runs on one; arguments go to the
# benchmark (--benchmark_filter='/20000/' picks a size).
#   scripts/preview-bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh preview_pane_bench > /dev/null
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" build/bench/preview_pane_bench "$@"
