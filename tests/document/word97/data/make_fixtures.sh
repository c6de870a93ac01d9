#!/bin/sh
# Makes the .doc fixtures of this folder from sources/ with LibreOffice's
# "MS Word 97" export. Needs soffice (libreoffice-writer); the tests only
# read the committed results. large_2000_rows.doc comes from an HTML table
# this script writes first.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/large_2000_rows.html" <<'PY'
import sys
rows = "".join(
    f"<tr><td>row {i}</td><td>{i * 7 % 1000}</td><td>item name {i % 97}</td><td>{i * 0.25:.2f}</td></tr>\n"
    for i in range(1, 2001))
with open(sys.argv[1], "w", encoding="utf-8") as f:
    f.write('<html><head><meta charset="utf-8"></head><body><p>Two thousand rows.</p>\n'
            '<table border="1"><tr><td>Row</td><td>Number</td><td>Name</td><td>Amount</td></tr>\n'
            + rows + "</table><p>End.</p></body></html>\n")
PY

soffice "-env:UserInstallation=file://$work/profile" --headless --infilter="HTML (StarWriter)" \
  --convert-to "doc:MS Word 97" --outdir "$here" "$here"/sources/*.html "$work/large_2000_rows.html"

# LibreOffice pads a short row with one wide empty cell. Word writes a row
# that really ends early; narrow that cell in row 2 of ragged.doc (its
# sprmTDefTable edges 0 391 1145 become 0 391 768) to get one.
python3 - "$here/ragged.doc" <<'PY'
import struct, sys
path = sys.argv[1]
data = open(path, "rb").read()
old = bytes([2]) + struct.pack("<hhh", 0, 391, 1145)
assert data.count(old) == 1, "ragged.doc: row 2 not found"
open(path, "wb").write(data.replace(old, bytes([2]) + struct.pack("<hhh", 0, 391, 768)))
PY

# The large document is kept packed (1.7 MB of very repetitive bytes); the
# build unpacks it.
cd "$here"
cmake -E tar cJf large_2000_rows.doc.tar.xz large_2000_rows.doc
rm large_2000_rows.doc
