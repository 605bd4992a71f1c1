#include "documents/import/importsource.h"
#include "testhome.h"
#include "xlsxfile.h"

#include <QTextCodec>

// Rows joined by " / ", cells by "|", so a whole table compares as one text.
static QString flatten(const ImportTable &table)
{
    QStringList rows;
    for (const QStringList &row : table.rows)
        rows << row.join(QLatin1Char('|'));
    return rows.join(QStringLiteral(" / "));
}

static QString lineNumbers(const ImportTable &table)
{
    QStringList numbers;
    for (int line : table.lineNumbers)
        numbers << QString::number(line);
    return numbers.join(QLatin1Char(','));
}

// The kinds of bad input the readers must refuse.
enum BadFile {
    Empty,
    Binary,
    Huge,
    Wide,
    LongLine,
    OpenQuote,
    TooManyRows,
    ZipBomb,
    WideSheet,
    Encrypted,
    Ole,
    Truncated,
    BrokenXml,
    NoSheet,
    ZeroByte,
    LateZeroByte
};

class TestImportReaders : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void csvDialects_data();
    void csvDialects();
    void xlsxCells_data();
    void xlsxCells();
    void refused_data();
    void refused();

private:
    QString file(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestImportReaders::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestImportReaders::csvDialects_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chosenEncoding");
    QTest::addColumn<QString>("chosenSeparator");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("lines");

    const auto cp1251 = [](const QString &text) {
        return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
    };
    const QString auto_;
    QTest::newRow("UTF-8 without mark, semicolons")
            << QString("Фамилия;Имя\nИванов;Иван\n").toUtf8() << 0 << auto_ << "UTF-8"
            << ";"
            << "Фамилия|Имя / Иванов|Иван"
            << "1,2";
    QTest::newRow("UTF-8 with mark, commas, no final line break")
            << QByteArray("\xEF\xBB\xBF") + QString("Фамилия,Имя\r\nЁлкина,Ёлка").toUtf8() << 0
            << auto_ << "UTF-8"
            << ","
            << "Фамилия|Имя / Ёлкина|Ёлка"
            << "1,2";
    QTest::newRow("Windows-1251, quoted name holding the separator")
            << cp1251("ФИО;Чтение\r\n\"Петров; Пётр\";5\r\n") << 0 << auto_ << "Windows-1251"
            << ";"
            << "ФИО|Чтение / Петров; Пётр|5"
            << "1,2";
    QTest::newRow("UTF-16 with mark, tabs: Excel's Unicode text")
            << QByteArray("\xFF\xFE")
                       + QByteArray(reinterpret_cast<const char *>(
                                            QString("Имя\tОценка\r\nЮля\t4\r\n").utf16()),
                                    2 * 17)
            << 0 << auto_ << "UTF-16"
            << "\t"
            << "Имя|Оценка / Юля|4"
            << "1,2";
    QTest::newRow("doubled quotes inside quotes are one quote")
            << QString("a;b\n\"Школа \"\"Радуга\"\"\";\"\"\"\"\n").toUtf8() << 0 << auto_ << "UTF-8"
            << ";"
            << "a|b / Школа \"Радуга\"|\""
            << "1,2";
    QTest::newRow("line break in quotes stays in the cell, the row counts once")
            << QString("a;b\r\n\"две\r\nстроки\";x\r\nc;d\r\n").toUtf8() << 0 << auto_ << "UTF-8"
            << ";"
            << "a|b / две\nстроки|x / c|d"
            << "1,2,3";
    QTest::newRow("old Mac line ends") << QByteArray("a;b\rc;d\r") << 0 << auto_ << "UTF-8"
                                       << ";"
                                       << "a|b / c|d"
                                       << "1,2";
    QTest::newRow("empty and blank rows are left out but counted")
            << QByteArray("a;b\n\n;;\nc;d\n") << 0 << auto_ << "UTF-8"
            << ";"
            << "a|b / c|d"
            << "1,4";
    QTest::newRow("trailing separators give empty cells")
            << QByteArray("a;b;\nc;;\n") << 0 << auto_ << "UTF-8"
            << ";"
            << "a|b| / c||"
            << "1,2";
    QTest::newRow("a quote after text is an ordinary character")
            << QByteArray("a;b\n5\" monitor;x\n") << 0 << auto_ << "UTF-8"
            << ";"
            << "a|b / 5\" monitor|x"
            << "1,2";
    QTest::newRow("commas in names do not beat a steady semicolon")
            << QString("ФИО;Чтение\nИванов, мл.;5\nПетров;4\n").toUtf8() << 0 << auto_ << "UTF-8"
            << ";"
            << "ФИО|Чтение / Иванов, мл.|5 / Петров|4"
            << "1,2,3";
    QTest::newRow("separator chosen by the user") << QByteArray("a;b,c\n") << 0 << ","
                                                  << "UTF-8"
                                                  << ","
                                                  << "a;b|c"
                                                  << "1";
    QTest::newRow("encoding chosen by the user")
            << cp1251("Иванов;5\n") << int(CsvReader::Windows1251) << auto_ << "Windows-1251"
            << ";"
            << "Иванов|5"
            << "1";
}

void TestImportReaders::csvDialects()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chosenEncoding);
    QFETCH(QString, chosenSeparator);

    QFile out(file("table.csv"));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    ImportSource source(out.fileName());
    source.setDialect({CsvReader::Encoding(chosenEncoding),
                       chosenSeparator.isEmpty() ? QChar() : chosenSeparator.at(0)});
    QString error;
    QVERIFY2(source.read(&error), qPrintable(error));
    QCOMPARE(source.kind(), ImportSource::Csv);
    QTEST(CsvReader::encodingName(source.dialect().encoding), "encoding");
    QTEST(QString(source.dialect().separator), "separator");
    QTEST(flatten(source.table()), "rows");
    QTEST(lineNumbers(source.table()), "lines");
}

void TestImportReaders::xlsxCells_data()
{
    QTest::addColumn<QString>("sharedStrings");
    QTest::addColumn<QString>("styles");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QStringList>("sheets");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("lines");

    // Cell formats: 0 general, 1 built-in date 14, 2 custom dd.mm.yyyy, 3 custom with a
    // locale tag, 4 custom text that only looks like letters d and y inside quotes.
    const QString styles
            = "<numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"DD.MM.YYYY\"/>"
              "<numFmt numFmtId=\"165\" formatCode=\"[$-419]D\\ MMMM\\ YYYY\"/>"
              "<numFmt numFmtId=\"166\" formatCode=\"0&quot; day&quot;\"/></numFmts>"
              "<cellXfs count=\"5\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/>"
              "<xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"166\"/></cellXfs>";
    const QString shared = "<si><t>Фамилия</t></si><si><t>Иванов</t></si>"
                           "<si><r><t>Пет</t></r><r><rPr><b/></rPr><t>ров</t></r>"
                           "<rPh><t>ペトロフ</t></rPh></si>";

    QTest::newRow("shared strings, rich runs joined, phonetic hint left out")
            << shared << styles << false
            << QStringList{"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
                           "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>1</v></c></row>"
                           "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>2</v></c></row>"}
            << 0 << "Фамилия / Иванов / Петров"
            << "1,2,3";
    QTest::newRow("inline strings, plain and rich")
            << shared << styles << false
            << QStringList{"<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Имя</t></is></c>"
                           "<c r=\"B1\" t=\"inlineStr\"><is><r><t>Ан</t></r><r><t>на</t></r>"
                           "</is></c></row>"}
            << 0 << "Имя|Анна"
            << "1";
    QTest::newRow("numbers: whole without a point, fractions as written")
            << shared << styles << false
            << QStringList{"<row r=\"1\"><c r=\"A1\"><v>5</v></c><c r=\"B1\"><v>4.5</v></c>"
                           "<c r=\"C1\" t=\"n\"><v>1234567</v></c><c r=\"D1\" s=\"4\"><v>3</v>"
                           "</c></row>"}
            << 0 << "5|4.5|1234567|3"
            << "1";
    // 41730 is 2014-04-01 counted from 1899-12-30; 40268 the same day from 1904-01-01.
    QTest::newRow("dates: built-in, custom and localised formats")
            << shared << styles << false
            << QStringList{"<row r=\"1\"><c r=\"A1\" s=\"1\"><v>41730</v></c>"
                           "<c r=\"B1\" s=\"2\"><v>41730.75</v></c>"
                           "<c r=\"C1\" s=\"3\"><v>41730</v></c>"
                           "<c r=\"D1\" t=\"d\"><v>2014-04-01T00:00:00</v></c></row>"}
            << 0 << "01.04.2014|01.04.2014|01.04.2014|01.04.2014"
            << "1";
    QTest::newRow("dates of a workbook counting from 1904")
            << shared << styles << true
            << QStringList{"<row r=\"1\"><c r=\"A1\" s=\"1\"><v>40268</v></c></row>"} << 0
            << "01.04.2014"
            << "1";
    QTest::newRow("empty cells and rows skipped by reference keep their places")
            << shared << styles << false
            << QStringList{"<row r=\"2\"><c r=\"B2\" t=\"inlineStr\"><is><t>b</t></is></c>"
                           "<c r=\"D2\"><v>4</v></c><c r=\"E2\" s=\"1\"/></row>"
                           "<row r=\"5\"><c r=\"A5\" t=\"inlineStr\"><is><t>a</t></is></c></row>"}
            << 0 << "|b||4 / a"
            << "2,5";
    QTest::newRow("cells and rows without references follow each other")
            << shared << styles << false
            << QStringList{"<row><c><v>1</v></c><c><v>2</v></c></row><row><c><v>3</v></c></row>"}
            << 0 << "1|2 / 3"
            << "1,2";
    QTest::newRow("formulas give their stored results; booleans and errors as shown")
            << shared << styles << false
            << QStringList{"<row r=\"1\"><c r=\"A1\" t=\"str\"><f>A2&amp;\"\"</f><v>Иванов</v></c>"
                           "<c r=\"B1\"><f>2+3</f><v>5</v></c><c r=\"C1\" t=\"b\"><v>1</v></c>"
                           "<c r=\"D1\" t=\"e\"><v>#N/A</v></c></row>"}
            << 0 << "Иванов|5|ИСТИНА|#N/A"
            << "1";
    QTest::newRow("second sheet chosen")
            << shared << styles << false
            << QStringList{"<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>",
                           "<row r=\"3\"><c r=\"C3\" t=\"s\"><v>1</v></c></row>"}
            << 1 << "||Иванов"
            << "3";
}

void TestImportReaders::xlsxCells()
{
    QFETCH(QString, sharedStrings);
    QFETCH(QString, styles);
    QFETCH(bool, date1904);
    QFETCH(QStringList, sheets);
    QFETCH(int, sheet);

    XlsxFile workbook;
    for (int i = 0; i < sheets.size(); ++i)
        workbook.addSheet(QStringLiteral("Лист%1").arg(i + 1), sheets.at(i));
    workbook.setSharedStrings(sharedStrings);
    workbook.setStyles(styles);
    workbook.setDate1904(date1904);
    // Named .csv: what the file holds decides how it is read.
    QVERIFY(workbook.write(file("class.csv")));

    ImportSource source(file("class.csv"));
    source.setSheet(sheet);
    QString error;
    QVERIFY2(source.read(&error), qPrintable(error));
    QCOMPARE(source.kind(), ImportSource::Xlsx);
    QCOMPARE(source.sheetNames().size(), sheets.size());
    QCOMPARE(source.table().daySerials,
             date1904 ? ImportTable::DaysFrom1904 : ImportTable::DaysFrom1900);
    QTEST(flatten(source.table()), "rows");
    QTEST(lineNumbers(source.table()), "lines");
}

void TestImportReaders::refused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty file") << "empty.csv" << int(Empty) << "пуст";
    QTest::newRow("program renamed .csv") << "program.csv" << int(Binary) << "не похож на таблицу";
    QTest::newRow("100 MB file") << "huge.csv" << int(Huge) << "больше 20 МБ";
    QTest::newRow("10 000 columns") << "wide.csv" << int(Wide) << "больше 256 столбцов";
    QTest::newRow("a line 1 MB long") << "long.csv" << int(LongLine) << "длиннее 10000 символов";
    QTest::newRow("quote never closed")
            << "quote.csv" << int(OpenQuote) << "Строка 2: кавычка не закрыта";
    QTest::newRow("10 001 rows") << "rows.csv" << int(TooManyRows) << "больше 10000 строк";
    QTest::newRow("zero byte in a UTF-8 surname")
            << "zero.csv" << int(ZeroByte) << "Строка 3: в файле нулевой байт";
    QTest::newRow("zero byte in Windows-1251 past the first 64 KB")
            << "zero1251.csv" << int(LateZeroByte) << "Строка 8002: в файле нулевой байт";
    QTest::newRow("zip bomb renamed .xlsx") << "bomb.xlsx" << int(ZipBomb) << "больше 64 МБ";
    QTest::newRow("sheet with a cell in column NTP")
            << "wide.xlsx" << int(WideSheet) << "больше 256 столбцов";
    QTest::newRow("zip parts under a password") << "secret.xlsx" << int(Encrypted) << "паролем";
    QTest::newRow("Office-encrypted or old .xls") << "secret2.xlsx" << int(Ole) << "паролем";
    QTest::newRow("workbook cut short") << "cut.xlsx" << int(Truncated) << "повреждён";
    QTest::newRow("broken XML in the sheet") << "broken.xlsx" << int(BrokenXml) << "повреждён";
    QTest::newRow("sheet number past the last")
            << "one.xlsx" << int(NoSheet) << "нет листа 2 (листов в ней: 1)";
}

void TestImportReaders::refused()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(QString, message);

    const QString path = file(name);
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    int sheet = 0;
    switch (kind) {
    case Empty:
        break;
    case Binary: {
        QFile program(QCoreApplication::applicationFilePath());
        QVERIFY(program.open(QIODevice::ReadOnly));
        out.write(program.read(200000));
        break;
    }
    case Huge:
        out.write("Фамилия;Имя\n");
        QVERIFY(out.resize(100 * 1024 * 1024));
        break;
    case Wide:
        for (int i = 0; i < 10000; ++i)
            out.write("h;");
        out.write("\n");
        break;
    case LongLine:
        out.write("Фамилия;" + QByteArray(1024 * 1024, 'x') + "\n");
        break;
    case OpenQuote:
        out.write("a;b\n\"Иванов;5\nПетров;4\n");
        break;
    case TooManyRows:
        for (int i = 0; i <= 10000; ++i)
            out.write("Иванов;5\n");
        break;
    case ZeroByte:
        out.write(QByteArray("Фамилия;Имя\nИванов;Иван\nИва") + '\0' + "нов;Пётр\nСидоров;Олег\n");
        break;
    case LateZeroByte: {
        QTextCodec *codec = QTextCodec::codecForName("Windows-1251");
        out.write(codec->fromUnicode("Фамилия;Отметка\n"));
        out.write(codec->fromUnicode("Иванов;5\n").repeated(8000));
        out.write(codec->fromUnicode("Пет") + '\0' + codec->fromUnicode("ров;4\nСидоров;3\n"));
        break;
    }
    case ZipBomb: {
        // 70 MB of blanks packs into some 70 KB.
        out.close();
        XlsxFile workbook;
        workbook.addSheet("Лист1", QString(70 * 1024 * 1024, QLatin1Char(' ')));
        QVERIFY(workbook.write(path));
        break;
    }
    case WideSheet: {
        out.close();
        XlsxFile workbook;
        workbook.addSheet("Лист1", "<row r=\"1\"><c r=\"NTP1\"><v>1</v></c></row>");
        QVERIFY(workbook.write(path));
        break;
    }
    case Encrypted: {
        out.close();
        XlsxFile workbook;
        workbook.addSheet("Лист1", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
        workbook.setPassword("secret");
        QVERIFY(workbook.write(path));
        break;
    }
    case Ole:
        out.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(4096, '\0'));
        break;
    case Truncated:
    case BrokenXml:
    case NoSheet: {
        out.close();
        XlsxFile workbook;
        workbook.addSheet("Лист1",
                          kind == BrokenXml ? "<row r=\"1\"><c r=\"A1\"><v>1</v></row>"
                                            : "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
        QVERIFY(workbook.write(path));
        if (kind == Truncated) {
            QVERIFY(out.open(QIODevice::ReadWrite));
            QVERIFY(out.resize(out.size() / 2));
        }
        sheet = kind == NoSheet ? 1 : 0;
        break;
    }
    }
    out.close();

    ImportSource source(path);
    source.setSheet(sheet);
    QString error;
    QVERIFY(!source.read(&error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(source.table().rows.isEmpty());
}

ZR_TEST_MAIN(TestImportReaders)
#include "tst_importreaders.moc"
