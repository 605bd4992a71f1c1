#!/bin/sh
# For looking at print geometry and calibration: exports the appendix of an invented pupil
# with 20 disciplines as printed and with --offset 2,3, rasterises both at 300 dpi, and saves
# the calibration dialog and both sides of the calibration sheet, all into OUT.
# Needs poppler-utils. Usage: sh tools/look-at-calibration.sh [BUILD_DIR] [OUT]
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
OUT=${2:-/tmp/zrps-calibration}
mkdir -p "$OUT"
HOME=$(mktemp -d)
export HOME XDG_CONFIG_HOME=$HOME/config XDG_DATA_HOME=$HOME/data QT_QPA_PLATFORM=offscreen
export ZRPS_SERVER_URL=http://127.0.0.1:1/
trap 'rm -rf "$HOME"' EXIT

# The first run creates the empty register and the templates.
timeout 8 "$BUILD/ZrPs" >/dev/null 2>&1 || true
python3 - "$XDG_DATA_HOME/ZrSoftware/ZrPs.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
cur = db.execute("INSERT INTO PsDocuments (isTemplate,fio1,fio2,fio3,birthDate,number,regNumber,"
                 "issueDate,decision,add1,add2,add3,add4,add5) VALUES (0,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                 ("Константинопольская", "Александра", "Викторовна", "2013-09-30", "77 0123456",
                  "1024", "2024-05-31", "протокол № 17", "Шахматы", "Хор", "Олимпиада по математике",
                  "Работа в группе", "Аккуратна"))
subjects = ["Русский язык", "Литературное чтение", "Родной язык (русский)",
            "Литературное чтение на родном языке", "Иностранный язык (английский)", "Математика",
            "Окружающий мир", "Основы религиозных культур и светской этики",
            "Изобразительное искусство", "Музыка", "Технология", "Физическая культура",
            "Информатика", "Шахматы", "Риторика", "Краеведение", "Основы проектной деятельности",
            "Хореография", "Экология", "Логика"]
for i, name in enumerate(subjects):
    db.execute("INSERT INTO PsDocumentDetails (psId,disciplineName,disciplineRate) VALUES (?,?,?)",
               (cur.lastrowid, name, str(2 + i % 4)))
db.commit()
print(cur.lastrowid)
PY
"$BUILD/ZrPs" --export-pdf "$OUT/appendix.pdf" --form 304 --doc 1
"$BUILD/ZrPs" --export-pdf "$OUT/appendix-offset-2-3.pdf" --form 304 --doc 1 --offset 2,3
pdftoppm -r 300 -png "$OUT/appendix.pdf" "$OUT/appendix-300dpi"
pdftoppm -r 300 -png "$OUT/appendix-offset-2-3.pdf" "$OUT/appendix-offset-2-3-300dpi"
ZR_SCREENSHOT_DIR="$OUT" "$BUILD/tests/printing/tst_printercalibration" screenshot >/dev/null
pdftoppm -r 300 -png "$OUT/calibration-sheet.pdf" "$OUT/calibration-sheet-300dpi"
ls "$OUT"
