#!/usr/bin/env bash
# Sets up, builds and starts Quillmere on the bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec build/quillmere "$@"
