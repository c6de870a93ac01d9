#!/usr/bin/env bash
# The message catalog and the code, kept in step.
#   scripts/update-po.sh          remakes po/quillmere.pot from every message
#                                 the code marks (Tr, N_) and merges it into
#                                 po/zh_CN.po: new messages come in empty,
#                                 changed ones marked "fuzzy". Translate those
#                                 and delete the "fuzzy" marks.
#   scripts/update-po.sh --check  fails, naming them, when a marked message
#                                 has no finished translation or one whose
#                                 %s values do not match (a test runs this).
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in xgettext msgmerge msgattrib msgfmt; do
  if ! command -v "$tool" > /dev/null; then
    echo "$tool is missing: scripts/setup.sh installs it (package gettext)" >&2
    exit 77
  fi
done

template() {
  find src -name '*.cc' -o -name '*.h' | LC_ALL=C sort |
    xgettext --files-from=- --output="$1" --language=C++ --from-code=UTF-8 \
      --keyword=Tr --keyword=N_ --keyword=TrPlural:1,2 --add-comments=TRANSLATORS: --sort-by-file --add-location=file \
      --package-name=Quillmere --msgid-bugs-address="the Quillmere developers" --copyright-holder=
}

if [ "${1:-}" != "--check" ]; then
  template po/quillmere.pot
  msgmerge --quiet --update --backup=none --previous --add-location=file po/zh_CN.po po/quillmere.pot
  msgattrib --no-obsolete --add-location=file --output-file=po/zh_CN.po po/zh_CN.po
  echo "po/zh_CN.po merged: $(msgfmt --statistics --output-file=/dev/null po/zh_CN.po 2>&1)"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
template "$work/quillmere.pot"
msgmerge --quiet --no-fuzzy-matching --output-file="$work/zh_CN.po" po/zh_CN.po "$work/quillmere.pot"
if ! stats=$(msgfmt --check --statistics --output-file=/dev/null "$work/zh_CN.po" 2>&1); then
  echo "$stats" >&2
  exit 1
fi
if [[ "$stats" == *fuzzy* || "$stats" == *untranslated* ]]; then
  echo "po/zh_CN.po lacks translations ($stats); run scripts/update-po.sh and finish these:" >&2
  msgattrib --untranslated --no-obsolete "$work/zh_CN.po" | sed 1,/^\$/d >&2
  msgattrib --only-fuzzy --no-obsolete "$work/zh_CN.po" | sed 1,/^\$/d >&2
  exit 1
fi
echo "$stats"
