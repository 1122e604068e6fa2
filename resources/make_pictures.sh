#!/usr/bin/env bash
# Draws the toolbar pictures (32 x 32), the window icon (128 x 128) and the menu icon (48, 128 and 256)
# with ImageMagick.
# Each picture is drawn at four times its size and scaled down, which smooths the edges.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

draw() {  # name, size, draw commands...
    local name=$1 size=$2
    shift 2
    convert -size 128x128 xc:none "$@" -resize "${size}x${size}" -depth 8 "PNG32:$name"
}

sheet=(-fill white -stroke '#2e7d32' -strokewidth 6 -draw 'roundrectangle 18,10 96,118 8,8'
       -stroke '#66bb6a' -strokewidth 4 -draw 'line 30,40 84,40' -draw 'line 30,60 84,60'
       -draw 'line 30,80 84,80' -draw 'line 57,28 57,104')

draw import.png 32 "${sheet[@]}" \
    -fill '#1565c0' -stroke none -draw 'polygon 92,52 124,52 124,84 116,84 108,96 100,84 92,84' \
    -draw 'polygon 84,84 132,84 108,116'
draw export.png 32 "${sheet[@]}" \
    -fill '#ef6c00' -stroke none -draw 'polygon 70,60 100,60 100,44 126,74 100,104 100,88 70,88'
draw compare.png 32 \
    -fill white -stroke '#1565c0' -strokewidth 6 -draw 'roundrectangle 6,14 62,114 6,6' \
    -stroke '#2e7d32' -draw 'roundrectangle 66,14 122,114 6,6' \
    -fill none -stroke '#ef6c00' -strokewidth 10 -draw 'stroke-linejoin round stroke-linecap round polyline 24,64 44,86 104,34'
draw settings.png 32 \
    -fill '#607d8b' -stroke none \
    -draw 'rectangle 56,6 72,122' -draw 'rectangle 6,56 122,72' \
    -draw 'polygon 20,31 31,20 108,97 97,108' -draw 'polygon 97,20 108,31 31,108 20,97' \
    -draw 'circle 64,64 64,22' -fill white -draw 'circle 64,64 64,48'
draw help.png 32 \
    -fill '#1565c0' -stroke none -draw 'circle 64,64 64,6' \
    -fill white -font "$font" -pointsize 92 -gravity center -annotate +0+4 '?'
draw about.png 32 \
    -fill '#00838f' -stroke none -draw 'circle 64,64 64,6' \
    -fill white -font "$font" -pointsize 92 -gravity center -annotate +0+4 'i'
draw exit.png 32 \
    -fill '#c62828' -stroke none -draw 'circle 64,64 64,6' \
    -stroke white -strokewidth 16 -draw 'line 40,40 88,88' -draw 'line 88,40 40,88'
tick=(-fill none -stroke '#ef6c00' -strokewidth 12
      -draw 'stroke-linejoin round stroke-linecap round polyline 60,84 80,106 122,56')
draw window.png 128 "${sheet[@]}" "${tick[@]}"

# The menu icon in the desktop's sizes: the window icon drawn at 512 (scaled by -affine) and scaled down.
for size in 48 128 256; do
    convert -size 512x512 xc:none -affine 4,0,0,4,0,0 "${sheet[@]}" "${tick[@]}" -resize "${size}x${size}" \
        -depth 8 "PNG32:icon-$size.png"
done
