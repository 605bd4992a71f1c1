#include "tablefield.h"
#include "templateexercise.h"
#include "testhome.h"
#include "textfield.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

// Thousands of broken, mutated and hostile templates are read, drawn and written: none
// may crash, hang or trip a sanitizer.
class TestTemplateReader : public QObject
{
    Q_OBJECT

private:
    QByteArray m_valid;

    static QJsonObject validTemplate()
    {
        ReportPage page;
        page.setPagesCount(2);
        QImage scan(60, 40, QImage::Format_RGB32);
        scan.fill(Qt::lightGray);
        page.backgroundImage = QPixmap::fromImage(scan);
        auto text = new TextField;
        text->page = &page;
        text->text = QStringLiteral("$V{fio} \\n <b>$V{ year }</b>");
        text->zOnEmpty = true;
        text->lineHeight = 8;
        text->wordWrap = true;
        page.fields.append(text);
        auto table = new TableField;
        table->page = &page;
        table->columnCount = 2;
        table->columnsWidth = {40, 12};
        table->headerNames = QStringList{QStringLiteral("Предмет"), QStringLiteral("Отметка")};
        table->columnIds
                = QStringList{QStringLiteral("$D{view.name}"), QStringLiteral("$D{view.grade}")};
        table->mModelName = QStringLiteral("view");
        table->rowHeight = 6;
        table->wordWrap = true;
        table->zOnEmpty = true;
        table->splitsCount = 2;
        table->maxSplitHeight = {20, 30};
        table->splitX = {150, 0};
        table->splitY = {20, 0};
        table->columnsAlign = {0, 4};
        page.fields.append(table);
        QJsonObject json;
        page.writeJson(json);
        return json;
    }

    static QList<QJsonValue> wrongValues()
    {
        QJsonArray many;
        for (int i = 0; i < 300; ++i)
            many.append(i % 2 ? QJsonValue(1e9) : QJsonValue(-7.5));
        return {QJsonValue(QStringLiteral("строка")),
                QJsonValue(QJsonArray()),
                QJsonValue(QJsonObject()),
                QJsonValue(true),
                QJsonValue(QJsonValue::Null),
                QJsonValue(1e308),
                QJsonValue(-1e308),
                QJsonValue(-1),
                QJsonValue(0),
                QJsonValue(2147483648.0),
                QJsonValue(1e12),
                QJsonValue(300),
                QJsonValue(0.5),
                QJsonValue(QJsonArray{1, QStringLiteral("a"), QJsonObject()}),
                QJsonValue(many),
                QJsonValue(QStringLiteral("Liberation Serif,1e9,-1,5,50,0,0,0,0,0")),
                QJsonValue(QStringLiteral("$V{a}$D{view.name}}}$V{"))};
    }

    // Runs every file, failing on the first that takes longer than a second.
    static void exerciseAll(const QList<QByteArray> &files)
    {
        QElapsedTimer timer;
        for (const QByteArray &file : files) {
            timer.start();
            exerciseTemplate(file);
            if (timer.elapsed() > 1000)
                QFAIL(qPrintable(QStringLiteral("slow template: ")
                                 + QString::fromUtf8(file.left(300))));
        }
    }

private slots:
    void initTestCase()
    {
        m_valid = QJsonDocument(validTemplate()).toJson();
        QVERIFY(m_valid.size() > 500);
    }

    void wrongTypeForEveryKey()
    {
        const QJsonObject base = validTemplate();
        const QList<QJsonValue> values = wrongValues();
        QList<QByteArray> files;
        auto mutateField = [&](const QString &array, const QString &key, const QJsonValue &v) {
            QJsonObject page = base;
            QJsonArray fields = page.value(array).toArray();
            QJsonObject field = fields.at(0).toObject();
            field.insert(key, v);
            fields.replace(0, field);
            page.insert(array, fields);
            files << QJsonDocument(page).toJson();
        };
        for (const QJsonValue &v : values) {
            for (const QString &key : base.keys()) {
                QJsonObject page = base;
                page.insert(key, v);
                files << QJsonDocument(page).toJson();
            }
            for (const QString &array :
                 {QStringLiteral("textFields"), QStringLiteral("tableFields")}) {
                const QJsonObject field = base.value(array).toArray().at(0).toObject();
                for (const QString &key : field.keys())
                    mutateField(array, key, v);
                mutateField(array, QStringLiteral("zOnEmpty"), v);
            }
        }
        QVERIFY(files.size() > 700);
        exerciseAll(files);
    }

    void mutatedBytes()
    {
        QRandomGenerator random(20240607);
        QList<QByteArray> files;
        for (int i = 0; i < 2500; ++i) {
            QByteArray file = m_valid;
            const int edits = 1 + int(random.bounded(8));
            for (int e = 0; e < edits && !file.isEmpty(); ++e) {
                const int at = int(random.bounded(file.size()));
                switch (random.bounded(5)) {
                case 0:
                    file[at] = char(random.bounded(256));
                    break;
                case 1:
                    file.truncate(at);
                    break;
                case 2:
                    file.insert(at, "9999999");
                    break;
                case 3:
                    file.remove(at, int(random.bounded(40)));
                    break;
                default:
                    file.insert(at, file.mid(int(random.bounded(file.size())), 30));
                    break;
                }
            }
            files << file;
        }
        exerciseAll(files);
    }

    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("binary garbage")
                << QByteArray("\x89PNG\r\n\x1a\n\0\0\xff\xfe", 12).repeated(100);
        QTest::newRow("deep nesting") << QByteArray(100000, '[') + QByteArray(100000, ']');
        QTest::newRow("deep nesting of objects")
                << QByteArray("{\"a\":").repeated(20000) + "1" + QByteArray(20000, '}');
        QTest::newRow("broken Base64")
                << QByteArray(R"({"backgroundImage": "iVBORw0KGgo!!!@@@", "backgroundImage2": 5})");
        QTest::newRow("PNG header claiming a huge image")
                << QByteArray(R"({"backgroundImage": ")")
                           + QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"
                                                 "7fffffff7fffffff0806000000")
                                     .toBase64()
                           + "\"}";
        QTest::newRow("huge counts with short lists") << QByteArray(
                R"({"pagesCount": 1e9, "tableFields": [{"columnCount": 255, "previewRowCount": 255,
                    "splitsCount": 1e15, "rowHeight": 0.001, "wordWrap": true, "autoWidth": true}]})");
        QTest::newRow("absurd geometry") << QByteArray(
                R"({"textFields": [{"x": -1e300, "y": 1e300, "width": -5, "height": 1e12,
                    "indent": 1e200, "lineHeight": -1e200, "zOnEmpty": true, "id": "x"}],
                   "tableFields": [{"columnCount": 3, "columnsWidth": [-40, 1e300, 0],
                    "headerHeight": -1e12, "rowHeight": 1e12, "splitsCount": 2,
                    "maxSplitHeight": [-1, 1e300], "splitX": [1e300, -1e300],
                    "splitY": [-1e300, 1e300], "zOnEmpty": true}]})");
        QTest::newRow("numbers beyond double") << QByteArray(
                R"({"pagesCount": 1e999, "textFields": [{"x": 1e999, "width": -1e999}]})");
        QTest::newRow("huge font") << QByteArray(
                R"({"defaultFont": "Liberation Serif,100000,-1,5,50,0,0,0,0,0",
                    "textFields": [{"id": "Ш", "font": "x,99999999,99999999,5,50,0,0,0,0,0"}]})");
        QTest::newRow("many fields") << QByteArray(R"({"textFields": [)")
                                                + QByteArray("{\"id\":\"a\"},").repeated(2000)
                                                + "{}]}";
    }
    void hostileFiles()
    {
        QFETCH(QByteArray, file);
        QElapsedTimer timer;
        timer.start();
        exerciseTemplate(file);
        QVERIFY(timer.elapsed() < 10000);
    }

    void limits_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("fields"); // as read, or -1 when the file is refused
        QTest::addColumn<QString>("reason");
        const auto texts = [](int count, int length) {
            return QByteArray(R"({"textFields": [)")
                   + (QByteArray(R"({"id": ")") + QByteArray(length, 'a') + "\"},").repeated(count)
                   + R"({"id": ""}]})";
        };
        QTest::newRow("2,000 fields are read") << texts(1999, 1) << 2000 << QString();
        QTest::newRow("2,001 fields are refused") << texts(2000, 1) << -1 << "2001 полей";
        QTest::newRow("a text of 1 MB is read") << texts(1, 1024 * 1024) << 2 << QString();
        QTest::newRow("a text of 1 MB and one character is refused")
                << texts(1, 1024 * 1024 + 1) << -1 << "1048577 знаков";
        QTest::newRow("a table whose column texts together pass 1 MB is refused")
                << QByteArray(R"({"tableFields": [{"headerNames": [")") + QByteArray(600000, 'h')
                           + R"("], "columnIds": [")" + QByteArray(600000, 'c') + "\"]}]}"
                << -1 << "1200000 знаков";
        // One bit a pixel: the file is small, the pixels are what counts.
        const auto background = [](const QByteArray &key, int width, int height) {
            QImage scan(width, height, QImage::Format_Mono);
            scan.fill(1);
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            scan.save(&buffer, "PNG");
            return "{\"textFields\": [{}], \"" + key + "\": \"" + png.toBase64() + "\"}";
        };
        QTest::newRow("a background of 10,000 x 10,000 pixels is refused")
                << background("backgroundImage", 10000, 10000) << -1
                << "фон стороны 1 шаблона — картинка 10000 × 10000 точек";
        QTest::newRow("a second side of 8,000 x 5,001 pixels is refused")
                << background("backgroundImage2", 8000, 5001) << -1
                << "фон стороны 2 шаблона — картинка 8000 × 5001 точек";
        QTest::newRow("a file over 64 MB is refused")
                << QByteArray(R"({"textFields": [{}], "padding": ")")
                           + QByteArray(64 * 1024 * 1024, ' ') + "\"}"
                << -1 << "не больше 64 МБ";
        QTest::newRow("a file cut off in the middle is refused, not read as an empty page")
                << QByteArray(R"({"pagesCount": 2, "textFields": [{"id": "$V{fio}"}, {"id")") << -1
                << "неверный формат";
        QTest::newRow("a JSON list is not a template")
                << QByteArray(R"([{"textFields": []}])") << -1 << "неверный формат";
        QTest::newRow("1,000 pages are refused, not cut down to 999")
                << QByteArray(R"({"pagesCount": 1000, "textFields": [{}]})") << -1
                << "1000 страниц, допустимо не больше 999";
    }
    void limits()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, fields);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("t.zrrpt");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();
        ReportPage page;
        page.fields.append(new TextField); // what the page had before
        page.fields.first()->page = &page;
        if (fields < 0)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused"));
        QCOMPARE(page.loadFromFile(path), fields >= 0);
        QCOMPARE(page.fields.size(), fields >= 0 ? fields : 1);
        QVERIFY2(page.loadError().contains(reason), qPrintable(page.loadError()));
    }
};

ZR_TEST_MAIN(TestTemplateReader)
#include "tst_templatereader.moc"
