#!/bin/sh
# Draws the product pictures of resources/ with ImageMagick 6 (Debian's imagemagick
# package): the about-box banner, the tip-of-the-day logo and the built-in animated
# banner. Run from anywhere: sh tools/make-content-pictures.sh
set -e
CONVERT=${CONVERT:-/usr/bin/convert}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/resources
FONT=/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf
BOLD=/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# About box: 360 x 589, the splash's blue gradient, a stylised certificate and the title.
"$CONVERT" -size 360x589 gradient:'#1f4e7a'-'#9cc3e6' \
    -fill '#fdfaf0' -stroke '#c9b98a' -strokewidth 2 -draw "roundrectangle 70,90 290,380 6,6" \
    -fill none -stroke '#c9b98a' -strokewidth 1 -draw "rectangle 80,100 280,370" \
    -stroke '#8fa9c4' -strokewidth 3 \
    -draw "line 105,190 255,190" -draw "line 105,220 255,220" -draw "line 105,250 230,250" \
    -draw "line 105,280 255,280" -draw "line 105,310 200,310" \
    -stroke none -fill '#1f4e7a' -font "$BOLD" -pointsize 18 -gravity north \
    -annotate +0+132 'СВИДЕТЕЛЬСТВО' \
    -fill '#c0392b' -draw "circle 240,345 240,325" \
    -fill white -font "$BOLD" -pointsize 34 -annotate +0+420 'Реестр' \
    -pointsize 26 -annotate +0+462 'свидетельств НОО' \
    -font "$FONT" -pointsize 16 -annotate +0+520 'ZrSoftware' \
    "$OUT/banner3.png"

# Tip of the day: 200 x 310, a light bulb over the words.
"$CONVERT" -size 200x310 xc:none \
    -fill '#e8f1fa' -stroke '#9cc3e6' -strokewidth 2 -draw "roundrectangle 1,1 198,308 14,14" \
    -fill '#ffe88a' -stroke '#d9a400' -strokewidth 3 -draw "circle 100,110 100,50" \
    -fill '#b8c4cf' -stroke '#6d7b88' -strokewidth 2 -draw "rectangle 78,168 122,200" \
    -draw "line 78,179 122,179" -draw "line 78,190 122,190" \
    -fill '#6d7b88' -stroke none -draw "roundrectangle 88,200 112,210 4,4" \
    -stroke '#d9a400' -strokewidth 3 -fill none -draw "polyline 84,150 84,112 92,100 100,112 108,100 116,112 116,150" \
    -stroke none -fill '#1f4e7a' -font "$BOLD" -pointsize 26 -gravity north \
    -annotate +0+232 'Совет дня' \
    "$OUT/tips_logo.png"

# Built-in banner: 468 x 100, a light sweeping across two alternating lines.
i=0
for x in -120 -40 40 120 200 280 360 440 520; do
    for phrase in 1 2; do
        if [ $phrase = 1 ]; then
            big='Реестр свидетельств НОО'
            small='учёт и печать на бланках'
        else
            big='Резервная копия реестра'
            small='меню «Инструменты»'
        fi
        "$CONVERT" -size 468x100 gradient:'#1f4e7a'-'#4f86b8' \
            \( -size 100x40 gradient:'#ffffff00'-'#ffffff50' \( +clone -flip \) -append \
               -rotate 90 \) \
            -geometry +$x+0 -composite \
            -stroke '#9cc3e6' -strokewidth 2 -fill none -draw "rectangle 1,1 466,98" \
            -stroke none -fill white -font "$BOLD" -pointsize 30 -gravity center \
            -annotate +0-14 "$big" \
            -fill '#dbe9f6' -font "$FONT" -pointsize 17 -annotate +0+24 "$small" \
            "$TMP/frame$(printf %02d $i)-$phrase.png"
    done
    i=$((i + 1))
done
"$CONVERT" -delay 12 -loop 0 "$TMP"/frame*-1.png -delay 12 "$TMP"/frame*-2.png \
    -layers Optimize -colors 64 "$OUT/animated_banner.gif"
