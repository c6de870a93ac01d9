#!/usr/bin/env bash
# Sets up and makes the Debian package: the program alone, a release build in
# build-package/, packed by CPack. Prints the package's path; install it with
#   sudo apt-get install ./build-package/quillmere_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset package > /dev/null
cmake --build --preset package > /dev/null
ls "$PWD"/build-package/quillmere_*.deb
