#!/usr/bin/env bash
# Draws the two menu button images (480 x 45, opaque, on the black of the menu
# page): button.png for an entry, select.png for the highlighted entry. Run once
# with ImageMagick; the PNGs are committed and compiled in through buttons.qrc.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# name top-colour bottom-colour border-colour
draw() {
  local name=$1 top=$2 bottom=$3 border=$4
  convert -size 480x45 "gradient:${top}-${bottom}" "$tmp/body.png"
  # Rounded bar mask, drawn at 4x and scaled down for smooth edges.
  convert -size 1920x180 xc:black -fill white \
    -draw "roundrectangle 4,4 1915,175 84,84" -resize 480x45 "$tmp/mask.png"
  # A soft sheen over the upper half.
  convert -size 1920x180 xc:none -fill 'rgba(255,255,255,0.28)' \
    -draw "roundrectangle 24,12 1895,86 64,40" -resize 480x45 "$tmp/sheen.png"
  # The outline: the mask minus the mask shrunk by two pixels.
  convert -size 1920x180 xc:none -fill none -stroke "$border" -strokewidth 8 \
    -draw "roundrectangle 8,8 1911,171 80,80" -resize 480x45 "$tmp/edge.png"
  convert "$tmp/body.png" "$tmp/sheen.png" -composite "$tmp/edge.png" -composite \
    "$tmp/mask.png" -alpha off -compose CopyOpacity -composite \
    -background black -compose Over -flatten -strip -define png:color-type=2 "PNG24:${name}"
}

draw button.png '#eef1f6' '#8d99ad' '#5b6678'
draw select.png '#fff6b0' '#f29a12' '#b35a00'
