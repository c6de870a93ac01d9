#!/usr/bin/env bash
# Times the same job done another way: LibreOffice converts a .doc to HTML,
# then pandas' read_html takes its first table into an SQLite table.
# Needs soffice (libreoffice-writer-nogui) and python3-pandas python3-lxml
# python3-bs4 from Debian. Usage: tools/compare_speed.sh FILE.doc [RUNS]
set -euo pipefail
doc="$(realpath "$1")"; runs="${2:-3}"
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
cp "$doc" "$work/in.doc"; cd "$work"
profile="-env:UserInstallation=file://$work/profile"
soffice --headless "$profile" --convert-to html in.doc > /dev/null 2>&1  # warm the profile
for _ in $(seq "$runs"); do
  start=$(date +%s.%N)
  soffice --headless "$profile" --convert-to html in.doc > /dev/null 2>&1
  /usr/bin/python3 -c "
import pandas, sqlite3
t = pandas.read_html('in.html')[0]
con = sqlite3.connect('out.db')
t.to_sql('dt_table', con, if_exists='replace', index=False)
con.commit()"
  echo "$(echo "$(date +%s.%N) - $start" | bc) s"
done
