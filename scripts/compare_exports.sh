#!/usr/bin/env bash
# Exports the examples and a generated 200-class diagram to PNG and SVG with
# the lattrix-export of BUILD_DIR into OUT_DIR; with a REFERENCE_DIR made the
# same way (say, by an older build), compares the two sets byte for byte.
# For changes that must not move a single pixel.
set -euo pipefail
build=${1:?usage: scripts/compare_exports.sh BUILD_DIR OUT_DIR [REFERENCE_DIR]}
out=${2:?usage: scripts/compare_exports.sh BUILD_DIR OUT_DIR [REFERENCE_DIR]}
ref=${3:-}
src=$(cd "$(dirname "$0")/.." && pwd)
export_tool="$build/lattrix-export"
gen="$build/lattrix-gen-diagram"
for prog in "$export_tool" "$gen"; do
    [ -x "$prog" ] || { echo "missing $prog (build it: cmake --build $build --target $(basename "$prog"))" >&2; exit 1; }
done

mkdir -p "$out"
"$gen" 200 "$out/gen200.xml"
docs=("$src"/examples/*.xml "$out/gen200.xml")
for doc in "${docs[@]}"; do
    name=$(basename "$doc" .xml)
    for fmt in png svg; do
        G_MESSAGES_DEBUG= "$export_tool" "$doc" "$out/$name.$fmt"
    done
done
echo "exported ${#docs[@]} documents as PNG and SVG into $out"

[ -n "$ref" ] || exit 0
status=0
for f in "$ref"/*.png "$ref"/*.svg; do
    name=$(basename "$f")
    if [ ! -f "$out/$name" ]; then
        echo "MISSING $name"
        status=1
    elif cmp -s "$f" "$out/$name"; then
        echo "same    $name ($(stat -c %s "$f") bytes)"
    else
        echo "DIFFERS $name"
        status=1
    fi
done
[ "$status" = 0 ] && echo "all exports are byte-identical" || echo "exports differ" >&2
exit $status
