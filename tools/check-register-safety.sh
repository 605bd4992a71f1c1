#!/bin/sh
# Checks by hand, with the real program on a throw-away home, that the register of
# 120 documents survives: a restore from a text file, a second start, a start while
# another process holds BEGIN EXCLUSIVE, a surname "$V{Number}", a killed export.
# Prints the counts and checksums it compares and saves screenshots and a page to OUT.
# Needs xvfb, xdotool, imagemagick, sqlite3, python3 and poppler-utils.
# Usage: sh tools/check-register-safety.sh [BUILD_DIR] [OUT]
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
OUT=${2:-/tmp/zrps-safety}
mkdir -p "$OUT"
HOME=$(mktemp -d)
export HOME XDG_CONFIG_HOME=$HOME/config XDG_DATA_HOME=$HOME/data
export ZRPS_SERVER_URL=http://127.0.0.1:1/
trap 'rm -rf "$HOME"' EXIT
DB=$XDG_DATA_HOME/ZrSoftware/ZrPs.db
count() { sqlite3 -readonly "$1" "SELECT COUNT(*) FROM viewPsDocuments; PRAGMA integrity_check;" | tr '\n' ' '; echo; }

# The first run creates the empty register; then 120 invented documents.
timeout 8 xvfb-run -a -s "-screen 0 1280x900x24" "$BUILD/ZrPs" >/dev/null 2>&1 || true
python3 "$ROOT/tools/populate-register.py" "$DB" 120
rm -f "$XDG_CONFIG_HOME/ZrSoftware/settings.ini"
printf 'Иванов;Пётр;2013-04-17\n' > "$HOME/not-a-backup.db"
echo "register: $(count "$DB")"

cat > "$HOME/drive.sh" <<DRIVE
"$BUILD/ZrPs" >/dev/null 2>&1 &
first=\$!
sleep 7
xdotool key Escape
# Инструменты > Восстановить из резервной копии, the text file, OK on the message.
xdotool mousemove 130 9 click 1; sleep 1; xdotool mousemove 215 52 click 1; sleep 2
xdotool key ctrl+a; xdotool type --delay 30 "$HOME/not-a-backup.db"; xdotool key Return
sleep 2; import -window root "$OUT/1-restore-from-text-file.png"; xdotool key Return; sleep 1
echo "after the restore from a text file: \$(sqlite3 -readonly "$DB" 'SELECT COUNT(*) FROM viewPsDocuments')"
sha256sum "$DB" > "$HOME/register.sha"
"$BUILD/ZrPs" >"$HOME/second.log" 2>&1 &
second=\$!
sleep 4; import -window root "$OUT/2-second-start.png"
kill \$second
sha256sum -c "$HOME/register.sha"
kill \$first
DRIVE
timeout 60 xvfb-run -a -s "-screen 0 1280x900x24" sh "$HOME/drive.sh"

# Another process holds the register: the start says so and Exit leaves the file alone.
python3 -c "
import sqlite3, time
c = sqlite3.connect('$DB', isolation_level=None)
c.execute('BEGIN EXCLUSIVE')
time.sleep(30)" &
holder=$!
sleep 1
sha256sum "$DB" > "$HOME/register.sha"
cat > "$HOME/busy.sh" <<DRIVE
"$BUILD/ZrPs" >/dev/null 2>&1 &
sleep 9; import -window root "$OUT/3-register-in-use.png"
xdotool key Escape; sleep 1
DRIVE
timeout 30 xvfb-run -a -s "-screen 0 1280x900x24" sh "$HOME/busy.sh"
kill $holder
sha256sum -c "$HOME/register.sha"
ls "$XDG_DATA_HOME/ZrSoftware" | grep -c '\.bak$' || true

# A surname "$V{Number}" and a first name with "}" print as written.
sqlite3 "$DB" "UPDATE PsDocuments SET fio1 = '\$V{Number}', fio2 = 'Ан}на' WHERE psId = 1"
"$BUILD/ZrPs" --export-pdf "$OUT/literal.pdf" --form 301 --doc 1 --background
pdftotext -f 2 -l 2 "$OUT/literal.pdf" - | grep -E 'Number|Ан\}на'
pdftoppm -r 60 -f 2 -l 2 -png "$OUT/literal.pdf" "$OUT/4-literal"

# An export killed while it writes leaves the previous PDF as it was.
"$BUILD/ZrPs" --export-pdf "$OUT/archive.pdf" --form 304 --doc 2
sha256sum "$OUT/archive.pdf" > "$HOME/archive.sha"
"$BUILD/ZrPs" --export-pdf "$OUT/archive.pdf" --form 304 --doc "$(seq -s, 1 120)" --background &
export_pid=$!
until ls -A "$OUT" | grep -q '^\.archive\.pdf\.'; do sleep 0.05; done
sleep 0.2
kill -9 $export_pid
sha256sum -c "$HOME/archive.sha"
pdfinfo "$OUT/archive.pdf" | grep Pages
ls -A "$OUT" | grep '^\.archive' || true
"$BUILD/ZrPs" --export-pdf "$OUT/archive.pdf" --form 304 --doc 1,2
echo "left behind after the next export: $(ls -A "$OUT" | grep -c '^\.archive' || true)"
echo "register at the end: $(count "$DB")"
echo "screenshots and pages in $OUT"
