#!/usr/bin/env bash
# Draws the installer window's pictures with ImageMagick and writes them into
# src/installer/res/: the side-panel JPEG (113 x 295, the panel's size), the
# program icon and the small picture on the Cancel button. The results are
# kept in the tree, so building needs no ImageMagick; run this again only to
# change the pictures.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/src/installer/res"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

font=DejaVu-Sans-Bold

# Side panel: a deep-blue to teal gradient, a few soft rings, the letters
# "VOR" running up the panel and a thin light edge on the right.
convert -size 113x295 gradient:'#0b1f4d'-'#138a8a' \
  -fill none -stroke '#ffffff30' -strokewidth 6 \
  -draw 'circle 20,60 20,130' -draw 'circle 100,230 100,280' \
  -stroke '#ffffff20' -strokewidth 2 -draw 'circle 70,150 70,210' \
  -stroke none -fill '#ffffffe0' -font "$font" -pointsize 44 \
  -gravity center -annotate 270x270+0+0 'VOR' \
  -fill '#ffffff80' -pointsize 11 -gravity south -annotate +0+10 'Setup' \
  -fill '#ffffff60' -draw 'rectangle 111,0 112,294' \
  -strip -quality 88 -sampling-factor 2x2 "$tmp/side.jpg"
cp "$tmp/side.jpg" "$out/side_panel.jpg"

# Program icon: a rounded blue square with a white "V", in 48, 32 and 16 pixels.
for s in 48 32 16; do
  r=$((s / 6)); p=$((s * 3 / 4))
  convert -size ${s}x${s} xc:none -fill '#1a4fa0' \
    -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r" \
    -fill white -font "$font" -pointsize $p -gravity center -annotate +0+0 'V' \
    "PNG32:$tmp/icon$s.png"
done
convert "$tmp/icon48.png" "$tmp/icon32.png" "$tmp/icon16.png" "$out/vor.ico"

# Cancel picture: a red disc with a white cross, 16 pixels.
convert -size 16x16 xc:none -fill '#c62828' -draw 'circle 7.5,7.5 7.5,0.5' \
  -stroke white -strokewidth 2 -draw 'line 5,5 10,10' -draw 'line 10,5 5,10' \
  "PNG32:$tmp/cancel.png"
convert "$tmp/cancel.png" "$out/cancel.ico"

ls -l "$out"
