#!/bin/sh
# Draws the style sheet's small pictures (ImageMagick). Run it again after a change;
# the results are committed beside it.
set -e
cd "$(dirname "$0")"
convert -size 9x6 xc:none -fill '#6a2fa6' -stroke none -draw 'polygon 0,0 8,0 4,5' down-arrow.png
convert -size 9x6 xc:none -fill '#a99cb8' -stroke none -draw 'polygon 0,0 8,0 4,5' down-arrow-disabled.png
