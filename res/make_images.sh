#!/usr/bin/env bash
# Draws the message-dialog images and the program logo. The PNG and ICO files
# beside this script are its output and are committed; run it again only to
# change the artwork (needs ImageMagick, the DejaVu fonts and librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# badge SIZE COLOUR GLYPH OUT: a filled disc with a soft rim and a white glyph.
badge() {
  local size=$1 colour=$2 glyph=$3 out=$4
  local c=$(( size / 2 )) r=$(( size / 2 - 3 ))
  convert -size "${size}x${size}" xc:none \
    -fill "$colour" -stroke 'rgba(0,0,0,0.25)' -strokewidth 2 \
    -draw "circle $c,$c $c,$(( c - r ))" \
    -stroke none -fill white -font "$font" -pointsize $(( size * 62 / 100 )) \
    -gravity center -annotate +0+1 "$glyph" \
    -depth 8 -define png:color-type=6 "$out"
}

mkdir -p image
badge 68 'rgb(200,0,0)'  '!' image/msg_error.png
badge 67 'rgb(51,156,0)' 'i' image/msg_info.png
badge 70 'rgb(216,170,4)' '?' image/msg_question.png

# The close button: a dark cross on transparent; the dialog's style sheet
# turns the button red under the mouse.
convert -size 48x48 xc:none -stroke 'rgb(70,70,70)' -strokewidth 4 -draw "stroke-linecap round" \
  -draw "line 16,16 32,32" -draw "line 32,16 16,32" \
  -depth 8 -define png:color-type=6 image/btn_close.png

# The logo: a rounded card with a barcode and a "Q".
convert -size 128x128 xc:none \
  -fill 'rgb(30,90,160)' -draw "roundrectangle 6,14 121,113 16,16" \
  -fill white -draw "roundrectangle 16,24 111,103 10,10" \
  -fill 'rgb(30,30,30)' \
  -draw "rectangle 24,70 27,96" -draw "rectangle 31,70 32,96" -draw "rectangle 36,70 40,96" \
  -draw "rectangle 44,70 45,96" -draw "rectangle 49,70 51,96" -draw "rectangle 55,70 58,96" \
  -draw "rectangle 62,70 63,96" -draw "rectangle 67,70 70,96" \
  -fill 'rgb(30,90,160)' -font "$font" -pointsize 58 -gravity northeast -annotate +22+20 "Q" \
  -depth 8 -define png:color-type=6 logo.png
convert logo.png -define icon:auto-resize=128 logo.ico

# The desktop icons: the scalable logo in icons/quillon.svg (drawn by hand on
# the same grid as logo.png) rendered at the small sizes of the icon theme;
# the 128-pixel size is logo.png itself. Needs rsvg-convert (librsvg2-bin).
for size in 16 32 48 64; do
  rsvg-convert -w "$size" -h "$size" icons/quillon.svg -o "icons/quillon-$size.png"
done
