#!/usr/bin/env bash
# Installs the Debian 12 packages Quillmere needs to build, run and test,
# and any further packages named on the command line (CI names clang's).
# Safe to run again: it installs only what is missing, without questions.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  libsqlite3-dev sqlite3
  unixodbc unixodbc-dev odbc-postgresql libsqliteodbc postgresql mdbtools-dev
  gettext
  libzip-dev libpugixml-dev libxlsxwriter-dev libxxhash-dev python3-openpyxl
  qt6-base-dev qt6-webengine-dev
  xvfb xauth x11-utils xdotool imagemagick fonts-wqy-microhei
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
