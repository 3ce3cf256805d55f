#!/bin/sh
# Draws the demo desktop's application icons (128 x 128 PNG). Run by hand when an icon changes;
# the build only uses the committed files.
set -e
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
mono=/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf

# A tile with a vertical gradient and the drawing commands given, clipped to a rounded square.
tile() {
    name=$1; top=$2; bottom=$3; shift 3
    convert -size 128x128 gradient:"$top"-"$bottom" "$@" \
        \( -size 128x128 xc:black -stroke none -fill white -draw "roundrectangle 8,8 119,119 24,24" \) \
        -alpha off -compose CopyOpacity -composite \
        -strip -depth 8 -define png:compression-level=9 "$name.png"
}

tile finder '#5ac8fa' '#1e6fd9' \
    -stroke white -strokewidth 10 -fill none -draw "circle 56,56 56,26" \
    -strokewidth 14 -draw "line 78,78 100,100"
tile mail '#6fc3ff' '#1877f2' \
    -fill white -draw "roundrectangle 26,40 102,90 6,6" \
    -stroke '#1877f2' -strokewidth 4 -fill none -draw "polyline 28,44 64,70 100,44"
tile notes '#fff6b0' '#f5d742' \
    -fill '#f2b705' -draw "rectangle 8,8 119,32" \
    -stroke '#b9a47a' -strokewidth 3 -draw "line 24,52 104,52" -draw "line 24,70 104,70" \
    -draw "line 24,88 104,88" -draw "line 24,106 80,106"
tile browser '#ffffff' '#dfe6ee' \
    -fill '#2a8cff' -draw "circle 64,64 64,22" \
    -stroke white -strokewidth 4 -fill none -draw "ellipse 64,64 18,42 0,360" \
    -draw "line 22,64 106,64" -draw "line 30,44 98,44" -draw "line 30,84 98,84"
tile terminal '#3a3a3c' '#111111' \
    -fill '#33d17a' -font "$mono" -pointsize 44 -annotate +26+80 '>_'
tile music '#ff6b81' '#e3173e' \
    -fill white -draw "rectangle 56,32 62,88" -draw "rectangle 82,26 88,80" \
    -draw "polygon 56,32 88,24 88,34 56,42" -draw "ellipse 50,88 12,9 0,360" -draw "ellipse 76,82 12,9 0,360"
tile calendar '#ffffff' '#f1f1f1' \
    -fill '#ff3b30' -draw "rectangle 8,8 119,38" \
    -fill '#222222' -font "$font" -pointsize 52 -annotate +33+103 '17'
tile photos '#ffffff' '#f4f4f4' \
    -fill '#ff9500c0' -draw "ellipse 64,44 14,22 0,360" -fill '#34c759c0' -draw "ellipse 84,64 22,14 0,360" \
    -fill '#007affc0' -draw "ellipse 64,84 14,22 0,360" -fill '#af52dec0' -draw "ellipse 44,64 22,14 0,360"
tile settings '#b0b4ba' '#6d7178' \
    -fill '#3a3d42' -draw "circle 64,64 64,30" \
    -stroke '#3a3d42' -strokewidth 12 -draw "line 64,22 64,106" -draw "line 22,64 106,64" \
    -draw "line 34,34 94,94" -draw "line 94,34 34,94" \
    -stroke none -fill '#c9ccd1' -draw "circle 64,64 64,50"
tile messages '#7ee787' '#1fb141' \
    -fill white -draw "ellipse 64,60 40,30 0,360" -draw "polygon 36,80 30,100 54,86"
tile generic-application '#d5d8dd' '#9ea4ad' \
    -stroke white -strokewidth 8 -fill none -draw "line 40,96 64,32" -draw "line 64,32 88,96" -draw "line 48,76 80,76"

convert -size 128x128 xc:none -fill '#3d8fe0' -draw "roundrectangle 10,24 60,44 6,6" \
    -fill '#5aa7f0' -draw "roundrectangle 10,34 118,110 8,8" -strip -depth 8 "generic-folder.png"
convert -size 128x128 xc:none -fill white -stroke '#9aa0a6' -strokewidth 3 \
    -draw "polygon 26,10 82,10 104,32 104,118 26,118" -fill '#e3e6e9' -draw "polygon 82,10 82,32 104,32" \
    -strip -depth 8 "generic-document.png"
