#!/usr/bin/env bash
# Makes the JPEG test files with ImageMagick and cjpeg (libjpeg-turbo-progs), and beside each the
# picture djpeg decodes from it (.ppm for colour, .pgm for greyscale): the reference the decoder
# is compared with. Run from anywhere; rewrites the files in this folder.
set -euo pipefail
cd "$(dirname "$0")"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# A picture with gradients, hard edges and small detail, 97 x 61 (odd sizes on purpose).
convert -size 97x61 gradient:'#ff2000-#0030ff' \
    -fill '#20e040' -draw 'circle 30,30 30,12' \
    -fill white -draw 'rectangle 60,8 90,20' \
    -fill black -draw 'line 0,60 96,0' "$scratch/source.ppm"

convert "$scratch/source.ppm" -quality 85 -sampling-factor 2x2 im-baseline.jpg
convert "$scratch/source.ppm" -quality 90 -interlace Plane im-progressive.jpg
convert "$scratch/source.ppm" -colorspace Gray -quality 80 im-grey.jpg
cjpeg -quality 75 -progressive "$scratch/source.ppm" >cjpeg-progressive.jpg
cjpeg -quality 70 -grayscale "$scratch/source.ppm" >cjpeg-grey.jpg
cjpeg -quality 95 -sample 1x1 -restart 2 -optimize "$scratch/source.ppm" >cjpeg-444-restart.jpg
cjpeg -quality 60 -arithmetic "$scratch/source.ppm" >cjpeg-arithmetic.jpg

for f in *.jpg; do
    djpeg -pnm "$f" >"${f%.jpg}.pnm"
done
