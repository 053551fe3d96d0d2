#!/usr/bin/env bash
# Packs the showcase as its README says, over a stand-in runtime that lists the archive it finds
# in itself, and checks that every file of the application folder arrived intact under DirName.
# Usage: pack_showcase.sh VTR_PACK LISTER REPO_ROOT
set -euo pipefail
vtr_pack=$1 lister=$2 root=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "engine stand-in" >"$work/engine.so"

"$vtr_pack" -q "$root/examples/showcase/app" --ini "$root/examples/showcase/vtr.ini" \
    --engine "$work/engine.so" --runtime "$lister" -o "$work/showcase"
"$work/showcase" >"$work/listing"

status=0
while IFS= read -r file; do
    entry="app/${file#./}"
    size=$(stat -c %s "$root/examples/showcase/app/$file")
    if ! grep -qP "^\Q$entry\E\t$size\t[0-9a-f]{8}\tok$" "$work/listing"; then
        echo "pack_showcase: $entry ($size bytes) is not in the archive intact" >&2
        status=1
    fi
done < <(cd "$root/examples/showcase/app" && find . -type f | sort)
grep -qP '^vtr\.ini\t' "$work/listing" || { echo "pack_showcase: no vtr.ini in the archive" >&2; status=1; }
[ "$status" -eq 0 ] && echo "pack_showcase: $(wc -l <"$work/listing") entries, every file of the folder intact"
exit "$status"
