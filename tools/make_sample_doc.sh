#!/usr/bin/env bash
# Makes samples/test.doc, the bundled sample document, from
# samples/test-source.html with LibreOffice's "MS Word 97" export.
# Needs soffice (Debian: libreoffice-writer-nogui). Run from anywhere.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/samples/test-source.html" "$work/test.html"
soffice --headless "-env:UserInstallation=file://$work/profile" \
  --infilter="HTML (StarWriter)" --convert-to 'doc:MS Word 97' --outdir "$work" "$work/test.html" > /dev/null
cp "$work/test.doc" "$root/samples/test.doc"
echo "wrote samples/test.doc ($(stat -c %s "$root/samples/test.doc") bytes)"
