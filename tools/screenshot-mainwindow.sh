#!/bin/sh
# Starts the program under Xvfb on a throw-away home with a register of invented
# documents, types a name into the filter dock, selects a row, opens the user guide and
# saves screenshots to OUT (default /tmp/zrps-shots). PUPILS (default 300) sets the size of
# the register, QT_SCALE_FACTOR (default 1) the scale, for example QT_SCALE_FACTOR=1.5.
# Needs xvfb, xdotool and imagemagick. Usage: sh tools/screenshot-mainwindow.sh [BUILD_DIR] [OUT]
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
OUT=${2:-/tmp/zrps-shots}
PUPILS=${PUPILS:-300}
SCALE=${QT_SCALE_FACTOR:-1}
mkdir -p "$OUT"
HOME=$(mktemp -d)
export HOME XDG_CONFIG_HOME=$HOME/config XDG_DATA_HOME=$HOME/data
export ZRPS_SERVER_URL=${ZRPS_SERVER_URL:-http://127.0.0.1:1/}
trap 'rm -rf "$HOME"' EXIT

# The first run creates the empty register.
QT_SCALE_FACTOR=1 timeout 8 xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD/ZrPs" >/dev/null 2>&1 || true
python3 "$ROOT/tools/populate-register.py" "$XDG_DATA_HOME/ZrSoftware/ZrPs.db" "$PUPILS"
printf '[ZrPs]\nshowTipsOnStartup=false\n' > "$XDG_CONFIG_HOME/ZrSoftware/settings.ini"

# The filter's name field is 210 points left of the window's right edge, 239 points down.
cat > "$HOME/drive.sh" <<DRIVE
QT_SCALE_FACTOR=$SCALE "$BUILD/ZrPs" >"$OUT/log.txt" 2>&1 &
pid=\$!
sleep 7
import -window root "$OUT/1-first-start.png"
eval \$(xdotool search --onlyvisible --class ZrPs getwindowgeometry --shell | head -5)
x=\$(awk "BEGIN { print int(\$X + \$WIDTH - 210 * $SCALE) }")
y=\$(awk "BEGIN { print int(\$Y + 239 * $SCALE) }")
xdotool mousemove \$x \$y click 1
sleep 0.5
xdotool type --delay 100 "ова"
sleep 1
xdotool mousemove \$(awk "BEGIN { print int(\$X + 150 * $SCALE), int(\$Y + 240 * $SCALE) }") click 1
sleep 1
import -window root "$OUT/2-filtered-one-selected.png"
xdotool key shift+F1
sleep 2
import -window root "$OUT/3-user-guide.png"
kill \$pid
DRIVE
timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" sh "$HOME/drive.sh"
echo "screenshots in $OUT"
