#!/usr/bin/env bash
# Makes the artwork test files in this folder with the tools that write them, from the reference
# pictures that refs.py draws. Run from anywhere: tests/data/psd/make.sh
#
# Made with: ImageMagick 6.9.11-60 Q16 (Debian package imagemagick), GIMP 2.10.34 (Debian package
# gimp, headless batch mode), ag-psd 31.0.2 (npm, pinned in tools/psd-writer/package.json),
# Python 3 for the reference pictures.
#
# ImageMagick writes its first picture as the merged image and every further one as a layer
# (placed by its page offset). -depth 8 is needed: the Q16 build writes 16-bit channels otherwise.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../../.." && pwd)"
cd "$here"
convert=/usr/bin/convert   # the real ImageMagick, not a wrapper earlier on PATH

python3 refs.py .

# ImageMagick: three-channel layers (no alpha), run-length and raw.
for c in RLE:rle None:raw; do
  "$convert" canvas.pam \( opaque.pam -set page +3+2 \) \( wide.pam -set page -100+20 \) \
    -alpha off -depth 8 -compress "${c%%:*}" "im-rgb-${c##*:}.psd"
done
# ImageMagick: layers with an alpha channel (one of them partly off the canvas), and an opaque one.
for c in RLE:rle None:raw; do
  "$convert" canvas.pam \( alpha.pam -set page +5+3 \) \( alpha.pam -set page -4-2 \) \
    \( opaque.pam -alpha off -set page +30+18 \) -depth 8 -compress "${c%%:*}" "im-rgba-${c##*:}.psd"
done
# ImageMagick: indexed colour (16 colours; indexed.pam holds the colours it was given).
"$convert" canvas.pam -colors 16 indexed.pam
"$convert" indexed.pam -type Palette -depth 8 -compress RLE im-indexed.psd
# ImageMagick: files the loader must reject: 16 bits per channel, greyscale, the large format.
"$convert" opaque.pam -depth 16 -compress RLE im-16bit.psd
"$convert" opaque.pam -colorspace Gray -depth 8 -compress RLE im-grey.psd
"$convert" opaque.pam -depth 8 -compress RLE im-large.psb

# GIMP in batch mode (no display): see gimp-layers.scm.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for f in canvas opaque alpha; do "$convert" "$f.pam" "$work/$f.png"; done
(cd "$work" && gimp-console -i -d -f -b "$(cat "$here/gimp-layers.scm")" -b '(gimp-quit 0)')
cp "$work/gimp.psd" gimp.psd

# ag-psd: Unicode ("luni") names, a mask, an empty layer, a merged image with transparency
# (stored as a negative layer count); then the same layers with ZIP-compressed channels.
writer="$root/tools/psd-writer"
[ -d "$writer/node_modules/ag-psd" ] || (cd "$writer" && npm ci --no-audit --no-fund)
node "$writer/write-psd.js" ag-layers.json ag-layers.psd
node "$writer/write-psd.js" ag-layers.json ag-zip.psd --zip

ls -l ./*.psd ./*.psb
