#!/bin/sh
# Starts the program under Xvfb on a throw-away home with a register of a few
# hundred invented documents, types a name into the filter dock, selects a row
# and saves screenshots of the main window to OUT (default /tmp/zrps-shots).
# Needs xvfb, xdotool and imagemagick. Usage: sh tools/screenshot-mainwindow.sh [BUILD_DIR] [OUT]
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
OUT=${2:-/tmp/zrps-shots}
mkdir -p "$OUT"
HOME=$(mktemp -d)
export HOME XDG_CONFIG_HOME=$HOME/config XDG_DATA_HOME=$HOME/data
trap 'rm -rf "$HOME"' EXIT

# The first run creates the empty register.
timeout 8 xvfb-run -a -s "-screen 0 1280x900x24" "$BUILD/ZrPs" >/dev/null 2>&1 || true
python3 "$ROOT/tools/populate-register.py" "$XDG_DATA_HOME/ZrSoftware/ZrPs.db" 300
rm -f "$XDG_CONFIG_HOME/ZrSoftware/settings.ini"

cat > "$HOME/drive.sh" <<DRIVE
"$BUILD/ZrPs" >"$OUT/log.txt" 2>&1 &
pid=\$!
sleep 7
import -window root "$OUT/1-first-start.png"
xdotool mousemove 790 134 click 1
sleep 0.5
xdotool type --delay 100 "ова"
sleep 1
xdotool mousemove 150 125 click 1
sleep 1
import -window root "$OUT/2-filtered-one-selected.png"
kill \$pid
DRIVE
timeout 40 xvfb-run -a -s "-screen 0 1280x900x24" sh "$HOME/drive.sh"
echo "screenshots in $OUT"
