#!/usr/bin/env bash
# Sets up, builds the program (only it: scripts/test.sh builds the tests and
# benchmarks) and starts it on the bundled sample: the program's folder
# (build/) gets samples/test.doc and an empty data.mdb when it has none, so
# the first click on the start button works.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh quillmere
[ -f build/test.doc ] || cp samples/test.doc build/test.doc
[ -f build/data.mdb ] || build/quillmere newdb build > /dev/null
exec build/quillmere "$@"
