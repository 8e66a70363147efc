#!/bin/bash
# The committed skin pictures are exactly what the drawing script makes, and
# the script makes the same bytes on every run.
set -euo pipefail
src="$1"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
python3 "$src/scripts/draw_skin_images.py" "$out/a"
python3 "$src/scripts/draw_skin_images.py" "$out/b"
diff -r "$out/a" "$out/b"
diff -r "$out/a/skin" "$src/skin/skin"
cmp "$out/a/scrollbar.bmp" "$src/skin/scrollbar.bmp"
echo "skin pictures reproducible"
