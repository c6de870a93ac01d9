#!/usr/bin/env bash
# Installs the Debian package as a user would, uses it, and removes it.
#   scripts/package-test.sh PACKAGE.deb      (as root, or through sudo)
# lintian finds no error in the package; apt-get installs it; the installed
# `quillmere --version` prints the package's version, and the manual page,
# the menu entry and its icon are in place; an ordinary user made for the test
# runs `quillmere run` on the sample in their new ~/Quillmere and gets its
# rows, and the menu entry's program shows its window on a virtual display;
# after removal nothing of the package is left under /usr. However the test
# ends, the package and the user are removed.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "${1:?usage: scripts/package-test.sh PACKAGE.deb}")
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$deb"

fail() {
  echo "package test: $*" >&2
  exit 1
}
installed() { dpkg-query -W -f='${Status}' quillmere 2> /dev/null | grep -q "install ok installed"; }

scripts/setup.sh lintian desktop-file-utils appstream
# A package or test user left by a test that was killed before it could clean
# up would stand in the way of this one: remove them first.
if installed; then
  echo "package test: removing the quillmere package installed already" >&2
  dpkg --purge quillmere > /dev/null
fi
for left_user in $(getent passwd | awk -F: '$1 ~ /^qmtest[0-9]+$/ { print $1 }'); do
  userdel -r "$left_user" 2> /dev/null || true
done

user=qmtest$$
home=/home/$user
work=$(mktemp -d)
made_user=""
cleanup() {
  set +e
  if dpkg-query -W quillmere > /dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 remove -y -qq quillmere \
      > /dev/null || dpkg --purge quillmere
  fi
  [ -z "$made_user" ] || userdel -r "$user" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
useradd --create-home --home-dir "$home" --shell /bin/sh "$user"
made_user=yes
chown "$user:" "$work"
# Runs a command as the test user, in their home, with a plain environment.
as_user() {
  runuser -u "$user" -- env -i -C "$home" HOME="$home" USER="$user" LOGNAME="$user" \
    PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 "$@"
}

echo "== lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

echo "== install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" > /dev/null
mapfile -t files < <(dpkg-query -L quillmere)
version=$(dpkg-query -W -f='${Version}' quillmere)
[ "$(quillmere --version)" = "quillmere $version" ] || fail "--version does not print $version"
grep -Eq "quillmere-window +- +move +a +table" <(man -P cat quillmere) || fail "no manual page"
man -w quillmere-window > /dev/null || fail "no manual page for quillmere-window"
entry=/usr/share/applications/quillmere.desktop
desktop-file-validate "$entry" || fail "the menu entry is not valid"
grep -qx "Categories=Office;.*" "$entry" || fail "the menu entry is not in Office"
for icon in /usr/share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/quillmere.png \
  /usr/share/icons/hicolor/scalable/apps/quillmere.svg; do
  [ -f "$icon" ] || fail "no icon $icon"
done
# The component id is not reverse-DNS (it matches quillmere.desktop): a warning, not an error.
appstreamcli validate --no-net /usr/share/metainfo/quillmere.metainfo.xml | grep "^E:" &&
  fail "the AppStream metadata has errors"
if [ -d po ]; then
  printf '%s\n' "${files[@]}" | grep -q "^/usr/share/locale/zh_CN/LC_MESSAGES/quillmere.mo$" ||
    fail "the package carries no Chinese translation"
fi

echo "== the first start of $user: quillmere run"
report=$(as_user quillmere run) || fail "quillmere run failed"
echo "$report"
folder=$home/Quillmere
cmp -s "$folder/test.doc" /usr/share/quillmere/test.doc || fail "no sample in $folder"
[ "$(sqlite3 "$folder/data.mdb" 'select count(*) from dt_table')" = 5 ] || fail "not 5 rows"
first_row=$(sqlite3 "$folder/data.mdb" 'select field0, field1 from dt_table limit 1')
[ "$first_row" = "widgeta|第一季度" ] || fail "the first row is not the sample's: $first_row"
[ "$(stat -c %U "$folder/data.mdb")" = "$user" ] || fail "data.mdb is not the user's"

echo "== the menu entry's program shows its window"
program=$(command -v "$(sed -n 's/^Exec=//p' "$entry")")
install -m 755 scripts/screenshot.sh "$work/screenshot.sh"
as_user "$work/screenshot.sh" "$program" "$work/window.png" || fail "the window did not show"

echo "== remove"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq quillmere > /dev/null
for f in "${files[@]}"; do
  [ -d "$f" ] || [ ! -e "$f" ] || fail "$f is left after removal"
done
left=$(find /usr -iname '*quillmere*')
[ -z "$left" ] || fail "left under /usr: $left"
echo "package test passed: $(basename "$deb")"
