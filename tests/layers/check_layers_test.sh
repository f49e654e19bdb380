#!/usr/bin/env bash
# The layer check passes on the sources as they are, and names a planted upward include.
set -euo pipefail
repo=$1
"$repo/scripts/check-layers" "$repo" >/dev/null
planted=$(mktemp -d)
trap 'rm -rf "$planted"' EXIT
cp -r "$repo/src" "$planted/src"
sed -i '1a #include "app/QuorvelMainDlg.h"' "$planted/src/lang/LanguageText.cpp"
if report=$("$repo/scripts/check-layers" "$planted"); then
  echo "an upward include passed the check"; exit 1
fi
grep -q 'src/lang/LanguageText.cpp:2: lang includes app/QuorvelMainDlg.h' <<<"$report" ||
  { echo "the report does not name the include: $report"; exit 1; }
