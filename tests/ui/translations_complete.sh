#!/usr/bin/env bash
# Fails on any text the sources mark for translation that a translation file leaves
# untranslated: lupdate refreshes a copy of each .ts from the sources, and every entry it
# marks unfinished is listed.
#
#   translations_complete.sh LUPDATE SOURCE_DIR TS_FILE...
set -euo pipefail
lupdate=$1
source_dir=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for ts in "$@"; do
    copy="$work/$(basename "$ts")"
    cp "$ts" "$copy"
    "$lupdate" -silent -no-obsolete -locations none "$source_dir/ui" "$source_dir/traffic" \
        -ts "$copy" >/dev/null 2>&1
    if grep -q 'type="unfinished"' "$copy"; then
        echo "$(basename "$ts"): untranslated texts:"
        grep -B1 'type="unfinished"' "$copy" | grep '<source>' | sed 's/^ */  /'
        status=1
    else
        echo "$(basename "$ts"): $(grep -c '<source>' "$copy") texts, all translated"
    fi
done
exit $status
