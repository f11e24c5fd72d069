#!/bin/sh
# Draws the interim window and tray icon of the Linux program (a note over piano keys) at the
# sizes the window system asks for. Run from this folder; needs ImageMagick.
set -eu
magick=convert
$magick -size 128x128 xc:none \
  -fill '#1f5fbf' -draw 'roundrectangle 4,4 123,123 22,22' \
  -fill white -draw 'rectangle 16,72 41,112' -draw 'rectangle 44,72 69,112' \
  -draw 'rectangle 72,72 97,112' -draw 'rectangle 100,72 111,112' \
  -fill '#10203a' -draw 'rectangle 34,72 50,96' -draw 'rectangle 62,72 78,96' \
  -draw 'rectangle 90,72 106,96' \
  -fill '#ffd23f' -draw 'ellipse 52,52 12,9 0,360' -draw 'rectangle 60,16 65,52' \
  -draw 'polygon 65,16 90,28 90,38 65,27' \
  -strip clavitap-128.png
for size in 16 24 32 48 64; do
  $magick clavitap-128.png -filter Lanczos -resize ${size}x${size} -strip clavitap-$size.png
done
