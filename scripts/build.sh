#!/usr/bin/env bash
# Configures and builds the default (release with debug info) tree in build/:
# every target, or only the ones named (scripts/build.sh quillmere).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default > /dev/null
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build --preset default "${targets[@]}"
