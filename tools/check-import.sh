#!/bin/sh
# The spreadsheet import tried as a user would: into a throw-away register it imports a
# Windows-1251 table with ";" and a quoted name and, when LibreOffice Calc is installed
# (libreoffice-calc-nogui; only for this check, the program does not need it), a workbook Calc
# wrote from a table, three pupils each; a table with one bad date must import nothing. Then
# it exports the appendices with --export-pdf and rasterises the pages into OUT.
# Usage: sh tools/check-import.sh [BUILD_DIR] [OUT]   (OUT defaults to /tmp/zrps-import)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
OUT=${2:-/tmp/zrps-import}
mkdir -p "$OUT"
HOME=$(mktemp -d)
export HOME XDG_CONFIG_HOME=$HOME/config XDG_DATA_HOME=$HOME/data
export ZRPS_SERVER_URL=http://127.0.0.1:1/
trap 'rm -rf "$HOME"' EXIT

# The first run creates the empty register and its templates.
timeout 8 xvfb-run -a -s "-screen 0 1280x900x24" "$BUILD/ZrPs" >/dev/null 2>&1 || true

printf '%s\r\n' \
    '№;ФИО;Дата рождения;Номер свидетельства;Рег. №;Русский язык;Литературное чтение;Математика;Музыка' \
    '1;"Римская-Корсакова Анна Николаевна";01.09.2014;3001;101;5;отлично;4;зачёт' \
    '2;Орлов Олег Олегович;2.10.14;3002;102;4;хорошо;4;Освоено' \
    '3;Ким Юна Сергеевна;2014-11-03;3003;103;удовлетворительно;3;3;зачёт' \
    | iconv -f UTF-8 -t CP1251 > "$OUT/4a-cp1251.csv"
"$BUILD/ZrPs" --import "$OUT/4a-cp1251.csv"

# A document template, as "Создать новый шаблон" stores one: the workbook starts from it.
template=$(python3 - "$XDG_DATA_HOME/ZrSoftware/ZrPs.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
cur = db.execute("INSERT INTO PsDocuments (isTemplate, fio1, issueDate, decision, add1, add5) "
                 "VALUES (1, '4Б, 2025', '2025-05-27', 'протокол № 7', 'Шахматы', 'Ответственный')")
for name, rate in [("Русский язык", ""), ("Математика", ""), ("Изобразительное искусство", "Освоено")]:
    db.execute("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) VALUES (?, ?, ?)",
               (cur.lastrowid, name, rate))
db.commit()
print(cur.lastrowid)
PY
)

if command -v soffice >/dev/null; then
    printf '%s\n' \
        'Фамилия,Имя,Отчество,Дата рождения,Номер свидетельства,Русский язык,Математика,Окружающий мир' \
        'Кузнецова,Дарья,Андреевна,12.09.2014,4001,5,4,хорошо' \
        'Морозов,Илья,Петрович,01.02.2015,4002,4,3,4' \
        'Васильева,Софья,Игоревна,30.11.2014,4003,5,5,отлично' > "$HOME/4b.csv"
    # Column 4 read as day.month.year, so that Calc stores the dates as day numbers.
    soffice --headless --infilter="CSV:44,34,76,1,4/4,1049" --convert-to xlsx \
        --outdir "$OUT" "$HOME/4b.csv" >/dev/null 2>&1
    "$BUILD/ZrPs" --import "$OUT/4b.xlsx" --template "$template"
else
    echo "soffice not found: the workbook written by a spreadsheet program is left out" >&2
fi

printf '%s\n' 'Фамилия;Дата рождения;Чтение' 'Белов;01.02.2014;5' 'Чернов;30.02.2014;4' \
    > "$OUT/4v-bad-date.csv"
if "$BUILD/ZrPs" --import "$OUT/4v-bad-date.csv"; then
    echo "a table with a bad date was imported" >&2
    exit 1
fi

ids=$(python3 -c "import sqlite3,sys; print(','.join(str(r[0]) for r in sqlite3.connect(sys.argv[1]).execute('SELECT psId FROM PsDocuments WHERE IFNULL(isTemplate,0)=0 ORDER BY psId')))" \
    "$XDG_DATA_HOME/ZrSoftware/ZrPs.db")
echo "documents in the register: $ids"
"$BUILD/ZrPs" --export-pdf "$OUT/appendices.pdf" --form 304 --doc "$ids" --background
pdftoppm -r 100 -png "$OUT/appendices.pdf" "$OUT/appendix"
echo "files and pages in $OUT"
