#!/bin/sh
# Serves a sample of our web server's files on 127.0.0.1 for trying the online
# services by hand: a banner list with three animated banners of 5 s show time
# and a version file announcing ${1:-0.3.1}. Start the program with the printed
# ZRPS_SERVER_URL. Stop with Ctrl+C. Needs python3 and ImageMagick 6.
set -e
VERSION=${1:-0.3.1}
PORT=${PORT:-8765}
CONVERT=${CONVERT:-/usr/bin/convert}
FONT=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf
ROOT=$(mktemp -d)
trap 'rm -rf "$ROOT"' EXIT INT TERM
mkdir -p "$ROOT/docs/banners" "$ROOT/po"
BASE=http://127.0.0.1:$PORT

entries=""
n=1
for colour in '#2a6e9e' '#a85a28' '#3c8c46'; do
    frames=""
    for shade in 0 20 40 20; do
        "$CONVERT" -size 300x90 xc:"$colour" -fill "#ffffff$(printf %02x $((shade + 30)))" \
            -draw "rectangle 0,0 $((shade * 7)),90" -fill white -font "$FONT" -pointsize 24 \
            -gravity center -annotate +0+0 "Пример баннера $n" "$ROOT/f$shade.png"
        frames="$frames $ROOT/f$shade.png"
    done
    "$CONVERT" -delay 40 -loop 0 $frames "$ROOT/docs/banners/sample$n.gif"
    entries="$entries<banner><imgUrl>$BASE/docs/banners/sample$n.gif</imgUrl>\
<linkUrl>https://zrsoftware.example/sample$n</linkUrl><showTime>5</showTime></banner>"
    n=$((n + 1))
done
rm -f "$ROOT"/f*.png
printf '<?xml version="1.0" encoding="UTF-8"?>\n<banners><visibleBannersCount>2</visibleBannersCount>%s</banners>\n' \
    "$entries" > "$ROOT/docs/banners/banner.xml"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<zr-versions><ZrPs><lastVersion>%s</lastVersion><downloadLink>https://zrsoftware.example/download</downloadLink></ZrPs></zr-versions>\n' \
    "$VERSION" > "$ROOT/po/last_version.xml"

echo "export ZRPS_SERVER_URL=$BASE/"
python3 -m http.server "$PORT" --bind 127.0.0.1 --directory "$ROOT"
