#!/usr/bin/env bash
# Sets up, builds and runs every test. This is the command CI runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
ctest --preset default --timeout 600
