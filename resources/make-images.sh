#!/usr/bin/env bash
# Draws the tree, splash and application images once; the PNGs are committed.
set -euo pipefail
cd "$(dirname "$0")"
F=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
# The toolbar icons are drawn by the program (app/ToolbarIcons.cpp) when the desktop's
# icon theme lacks them.
# Tree images: feature, selected feature, heading, selected heading (16 px).
convert -size 16x16 xc:none -fill '#3d7fd1' -stroke '#1d3f71' -draw 'circle 8,8 8,3' tree/feature.png
convert -size 16x16 xc:none -fill '#f0a030' -stroke '#80500a' -draw 'circle 8,8 8,3' tree/feature-selected.png
convert -size 16x16 xc:none -fill '#e8c04a' -stroke '#7a6010' -draw 'polygon 1,4 6,4 7,6 15,6 15,14 1,14' tree/heading.png
convert -size 16x16 xc:none -fill '#f5d67a' -stroke '#7a6010' -draw 'polygon 1,4 6,4 7,6 15,6 15,14 1,14' -draw 'line 2,13 15,7' tree/heading-selected.png
# Splash image, 515 x 314.
convert -size 515x314 gradient:'#14325a'-'#2f6db0' \
  -stroke '#9cc3ee' -strokewidth 2 -fill none \
  -draw 'path "M 20,230 C 80,170 140,290 200,230 S 320,170 380,230 S 460,290 495,230"' \
  -stroke none -fill white -font "$F" -pointsize 44 -gravity northwest -annotate +28+48 'VEGAL 25 Tuner' \
  -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf -pointsize 17 -fill '#d8e6f7' \
  -annotate +30+112 'Alignment tool for APCO-25 portable radios' \
  -pointsize 14 -annotate +30+270 'Version R01.05.00   -   Reading the radio...' \
  -fill '#ffd24a' -draw 'rectangle 28,104 487,106' images/splash.png
# Application icon.
convert -size 128x128 xc:none -fill '#2f6db0' -stroke '#14325a' -strokewidth 4 \
  -draw 'roundrectangle 6,6 121,121 18,18' -stroke '#ffd24a' -strokewidth 6 -fill none \
  -draw 'path "M 20,80 C 40,40 60,120 80,80 S 100,40 110,60"' \
  -stroke none -fill white -font "$F" -pointsize 34 -gravity north -annotate +0+14 'V25' \
  images/vegal-tuner.png
