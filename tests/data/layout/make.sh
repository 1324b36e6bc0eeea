#!/usr/bin/env bash
# Makes the layout tests' artwork files in this folder: tools/layout_artwork.py draws the layers
# and writes them with ag-psd (tools/psd-writer, pinned in its package.json). The layout scripts
# (*.tre) beside them are written by hand. Run from anywhere: tests/data/layout/make.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../../.." && pwd)"
writer="$root/tools/psd-writer"
[ -d "$writer/node_modules/ag-psd" ] || (cd "$writer" && npm ci --no-audit --no-fund)
python3 "$root/tools/layout_artwork.py" "$here"
ls -l "$here"/*.psd
