#!/usr/bin/env bash
# Draws the showcase's menu icons and logo with ImageMagick (32 x 32 and 64 x 64 PNG; the menu
# scales them to its icon size). The PNGs are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")/app/icons"
png() { convert -size "$1" xc:none "${@:3}" -strip -define png:exclude-chunks=date,time "PNG32:$2"; }

png 32x32 open.png -fill '#f2b632' -stroke '#b07d12' -strokewidth 1.5 \
    -draw 'path "M3,8 L12,8 L15,11 L29,11 L29,27 L3,27 Z"' \
    -fill '#ffd55a' -draw 'path "M3,27 L8,15 L31,15 L27,27 Z"'
png 32x32 save.png -fill '#3b7bd9' -stroke '#1d4f99' -strokewidth 1.5 \
    -draw 'roundrectangle 3,3 29,29 3,3' \
    -fill '#ffffff' -stroke none -draw 'rectangle 8,4 24,13' \
    -fill '#1d4f99' -draw 'rectangle 19,6 22,11' \
    -fill '#dfe9f8' -draw 'rectangle 8,18 24,28'
png 32x32 picture.png -fill '#eaf4ff' -stroke '#4a7fb0' -strokewidth 1.5 \
    -draw 'roundrectangle 2,5 30,27 3,3' \
    -fill '#f7c948' -stroke none -draw 'circle 22,11 24.5,11' \
    -fill '#3aa35b' -draw 'polygon 4,25 12,13 19,25' -fill '#2b7d45' -draw 'polygon 13,25 20,17 28,25'
png 32x32 quit.png -fill '#e04848' -stroke '#9c2424' -strokewidth 1.5 -draw 'circle 16,16 16,2' \
    -stroke '#ffffff' -strokewidth 3.5 -draw 'line 11,11 21,21' -draw 'line 21,11 11,21'
png 32x32 about.png -fill '#3b82f6' -stroke '#1d4ed8' -strokewidth 1.5 -draw 'circle 16,16 16,2' \
    -fill '#ffffff' -stroke none -draw 'circle 16,9.5 16,7.5' -draw 'roundrectangle 14,13 18,25 1,1'
png 64x64 logo.png -fill '#5048e5' -draw 'roundrectangle 2,2 61,61 14,14' \
    -fill none -stroke '#ffffff' -strokewidth 8 -draw 'stroke-linecap round stroke-linejoin round polyline 18,21 32,45 46,21'
