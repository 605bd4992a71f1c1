#include "reportpage.h"
#include "tablefield.h"
#include "testhome.h"
#include "textfield.h"

#include <QApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>
#include <sys/stat.h>

class TestReportPage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    static QByteArray readAll(const QString &fileName)
    {
        QFile file(fileName);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    static ino_t inode(const QString &fileName)
    {
        struct stat info = {};
        ::stat(QFile::encodeName(fileName).constData(), &info);
        return info.st_ino;
    }
    static QJsonObject saved(const ReportPage &page)
    {
        QJsonObject json;
        page.writeJson(json);
        return json;
    }
    static QPixmap picture(QColor color, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.fillRect(QRect(QPoint(10, 10), size / 2), color);
        painter.end();
        return QPixmap::fromImage(image);
    }
    // A page that sets every key to something other than its default.
    static void fillEveryKey(ReportPage &page)
    {
        page.setOrientation(QPrinter::Portrait);
        page.setPageSize(QPagedPaintDevice::A5);
        page.setPagesCount(3);
        page.printBackgroundImage = true;
        page.defaultFont = QFont(QStringLiteral("Liberation Serif"), 12);
        page.backgroundImage = picture(Qt::red, QSize(80, 60));
        page.backgroundImage2 = picture(Qt::blue, QSize(60, 80));

        auto table = new TableField;
        table->page = &page;
        table->x = 11.5;
        table->y = 22.25;
        table->width = 150;
        table->height = 70;
        table->wrap = 3;
        table->wordWrap = true;
        table->alignFlags = Qt::AlignRight | Qt::AlignVCenter;
        table->font = QFont(QStringLiteral("Liberation Sans"), 9);
        table->zOnEmpty = true;
        table->headerIsVisible = false;
        table->autoWidth = true;
        table->columnCount = 2;
        table->previewRowCount = 4;
        table->headerHeight = 8.5;
        table->rowHeight = 6.5;
        table->mModelName = QStringLiteral("view");
        table->drawBorders = false;
        table->columnsWidth = {90, 60};
        table->headerNames = QStringList{QStringLiteral("Предмет"), QStringLiteral("Отметка")};
        table->columnIds = QStringList{QStringLiteral("$D{view.disciplineName}"),
                                       QStringLiteral("$D{view.disciplineRate}")};
        table->columnsAlign = {1, 4};
        table->splitsCount = 1;
        table->maxSplitHeight = {100};
        table->splitX = {160};
        table->splitY = {20};
        page.fields.append(table);

        auto text = new TextField;
        text->page = &page;
        text->x = 5;
        text->y = 6;
        text->width = 70;
        text->height = 12;
        text->text = QStringLiteral("$V{fio}\\n<b>жирный</b>");
        text->indent = 5;
        text->lineHeight = 7.5;
        text->zOnEmpty = true;
        text->font = QFont(QStringLiteral("Liberation Serif"), 16, QFont::Bold);
        page.fields.append(text);
    }

private slots:
    void newPageSavesTheDefaults()
    {
        ReportPage page;
        QVERIFY(page.saveToFile(path("new.zrrpt")));
        const QJsonObject json = QJsonDocument::fromJson(readAll(path("new.zrrpt"))).object();
        QCOMPARE(json.keys(),
                 QStringList({"defaultFont",
                              "orientation",
                              "pageSize",
                              "pagesCount",
                              "printBackgroundImage",
                              "tableFields",
                              "textFields"}));
        QCOMPARE(json.value("orientation").toInt(), 1);
        QCOMPARE(json.value("printBackgroundImage").toBool(true), false);
        QCOMPARE(json.value("pagesCount").toInt(), 1);
        QCOMPARE(json.value("pageSize").toInt(), 0);
        QVERIFY(json.value("defaultFont").toString().startsWith("Times New Roman,14,"));
        QCOMPARE(json.value("textFields").toArray().size(), 0);
        QCOMPARE(json.value("tableFields").toArray().size(), 0);
    }

    void saveLoadSaveGivesTheSameBytes()
    {
        ReportPage page;
        fillEveryKey(page);
        QVERIFY(page.saveToFile(path("first.zrrpt")));
        ReportPage again;
        QVERIFY(again.loadFromFile(path("first.zrrpt")));
        QVERIFY(again.saveToFile(path("second.zrrpt")));
        QCOMPARE(readAll(path("second.zrrpt")), readAll(path("first.zrrpt")));
    }

    void everyKeySurvivesARoundTrip()
    {
        ReportPage page;
        fillEveryKey(page);
        QVERIFY(page.saveToFile(path("all.zrrpt")));
        const QJsonObject json = QJsonDocument::fromJson(readAll(path("all.zrrpt"))).object();
        const QJsonObject table = json.value("tableFields").toArray().at(0).toObject();
        const QJsonObject text = json.value("textFields").toArray().at(0).toObject();
        QCOMPARE(json.keys().size(), 9);
        QCOMPARE(table.keys().size(), 25);
        QCOMPARE(text.keys().size(), 12);

        ReportPage loaded;
        QVERIFY(loaded.loadFromFile(path("all.zrrpt")));
        QCOMPARE(loaded.orientation(), int(QPrinter::Portrait));
        QCOMPARE(loaded.pageSize(), QPagedPaintDevice::A5);
        QCOMPARE(loaded.printer()->pageLayout().pageSize().id(), QPageSize::A5);
        QCOMPARE(loaded.printer()->pageLayout().orientation(), QPageLayout::Portrait);
        QCOMPARE(loaded.pagesCount(), 3);
        QVERIFY(loaded.printBackgroundImage);
        QCOMPARE(loaded.defaultFont, page.defaultFont);
        QCOMPARE(loaded.backgroundImage.toImage(), page.backgroundImage.toImage());
        QCOMPARE(loaded.backgroundImage2.toImage(), page.backgroundImage2.toImage());
        QCOMPARE(loaded.fields.size(), 2);

        auto *t = qobject_cast<TextField *>(loaded.fields.at(0));
        QVERIFY(t);
        QCOMPARE(t->page, &loaded);
        QCOMPARE(t->text, QStringLiteral("$V{fio}\\n<b>жирный</b>"));
        QCOMPARE(t->indent, 5.0);
        QCOMPARE(t->lineHeight, 7.5);
        QVERIFY(t->zOnEmpty);
        QCOMPARE(t->font, QFont(QStringLiteral("Liberation Serif"), 16, QFont::Bold));

        auto *b = qobject_cast<TableField *>(loaded.fields.at(1));
        QVERIFY(b);
        QCOMPARE(b->x, 11.5);
        QCOMPARE(b->y, 22.25);
        QCOMPARE(b->wrap, 3);
        QVERIFY(b->wordWrap);
        QCOMPARE(b->alignFlags, quint16(Qt::AlignRight | Qt::AlignVCenter));
        QVERIFY(!b->headerIsVisible);
        QVERIFY(b->autoWidth);
        QCOMPARE(b->columnCount, quint8(2));
        QCOMPARE(b->previewRowCount, quint8(4));
        QCOMPARE(b->headerHeight, 8.5);
        QCOMPARE(b->rowHeight, 6.5);
        QCOMPARE(b->mModelName, QStringLiteral("view"));
        QVERIFY(!b->drawBorders);
        QCOMPARE(b->columnsWidth, QVector<double>({90, 60}));
        QCOMPARE(b->headerNames, QStringList({"Предмет", "Отметка"}));
        QCOMPARE(b->columnIds.at(1), QStringLiteral("$D{view.disciplineRate}"));
        QCOMPARE(b->columnsAlign, QVector<quint8>({1, 4}));
        QCOMPARE(b->splitsCount, 1);
        QCOMPARE(b->maxSplitHeight, QVector<double>({100}));
        QCOMPARE(b->splitX, QVector<double>({160}));
        QCOMPARE(b->splitY, QVector<double>({20}));
    }

    void defaultsAreNotWritten()
    {
        ReportPage page;
        auto text = new TextField;
        text->page = &page;
        page.fields.append(text);
        const QJsonObject json = saved(page).value("textFields").toArray().at(0).toObject();
        QVERIFY(!json.contains("font"));
        QVERIFY(!json.contains("zOnEmpty"));

        ReportPage loaded;
        loaded.readJson(saved(page));
        auto *t = qobject_cast<TextField *>(loaded.fields.at(0));
        QVERIFY(!t->zOnEmpty);
        QCOMPARE(t->font, QFont());
        QCOMPARE(t->resolvedFont(), loaded.defaultFont);
        loaded.defaultFont = QFont(QStringLiteral("Liberation Sans"), 20);
        QCOMPARE(t->resolvedFont(), loaded.defaultFont);
    }

    void fontDescriptionOfTheDefaultReadsAsDefault_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("isDefault");
        QTest::newRow("empty string") << QString() << true;
        QTest::newRow("the default's own description")
                << QStringLiteral("MS Shell Dlg 2,8.25,-1,5,50,0,0,0,0,0") << true;
        QTest::newRow("any other font")
                << QStringLiteral("Liberation Serif,12,-1,5,50,0,0,0,0,0") << false;
    }
    void fontDescriptionOfTheDefaultReadsAsDefault()
    {
        QFETCH(QString, description);
        QFETCH(bool, isDefault);
        ReportPage page;
        QJsonObject field{{"font", description}};
        page.readJson(QJsonObject{{"textFields", QJsonArray{field}}});
        QCOMPARE(page.fields.at(0)->resolvedFont() == page.defaultFont, isDefault);
    }

    void textFieldsComeFirstAfterALoad()
    {
        const QByteArray text = R"({"tableFields": [{"columnCount": 1}, {"columnCount": 2}],
                                    "textFields": [{"id": "a"}]})";
        QFile file(path("order.zrrpt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        ReportPage page;
        QVERIFY(page.loadFromFile(file.fileName()));
        QCOMPARE(page.fields.size(), 3);
        QCOMPARE(page.fields.at(0)->type(), 1);
        QCOMPARE(page.fields.at(1)->type(), 2);
        QCOMPARE(qobject_cast<TableField *>(page.fields.at(2))->columnCount, quint8(2));
    }

    void partialAndBrokenFilesKeepThePageSettings_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("fields");
        QTest::newRow("broken JSON") << QByteArray("{\"pagesCount\": 4, ") << 0;
        QTest::newRow("only fields") << QByteArray(R"({"textFields": [{}]})") << 1;
        QTest::newRow("wrong types") << QByteArray(
                R"({"orientation": "0", "pagesCount": [2], "pageSize": 9999, "defaultFont": 5})")
                                     << 0;
    }
    void partialAndBrokenFilesKeepThePageSettings()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, fields);
        ReportPage page;
        page.setOrientation(QPrinter::Portrait);
        page.setPagesCount(2);
        page.printBackgroundImage = true;
        page.fields.append(new TextField);
        page.readJson(QJsonDocument::fromJson(text).object());
        QCOMPARE(page.fields.size(), fields);
        QCOMPARE(page.orientation(), int(QPrinter::Portrait));
        QCOMPARE(page.printer()->pageLayout().orientation(), QPageLayout::Portrait);
        QCOMPARE(page.pagesCount(), 2);
        QCOMPARE(page.pageSize(), QPagedPaintDevice::A4);
        QVERIFY(page.printBackgroundImage);
        QCOMPARE(page.defaultFont.family(), QStringLiteral("Times New Roman"));
    }

    void shortListsArePaddedToTheirCounts()
    {
        ReportPage page;
        page.readJson(QJsonDocument::fromJson(R"({"tableFields": [{
                "columnCount": 3, "columnsWidth": [25], "headerNames": ["A"],
                "columnIds": [], "columnsAlign": [4],
                "splitsCount": 2, "maxSplitHeight": [50], "splitX": "x"}]})")
                              .object());
        auto *table = qobject_cast<TableField *>(page.fields.at(0));
        QCOMPARE(table->columnsWidth, QVector<double>({25, 40, 40}));
        QCOMPARE(table->headerNames, QStringList({"A", "", ""}));
        QCOMPARE(table->columnIds, QStringList({"", "", ""}));
        QCOMPARE(table->columnsAlign, QVector<quint8>({4, 0, 0}));
        QCOMPARE(table->maxSplitHeight, QVector<double>({50, 0}));
        QCOMPARE(table->splitX, QVector<double>({0, 0}));
        QCOMPARE(table->splitY, QVector<double>({0, 0}));
        QImage image(200, 200, QImage::Format_RGB32);
        QPainter painter(&image);
        table->draw(&painter, 1.0, 0);
    }

    void absurdCountsAreCutDown()
    {
        ReportPage page;
        page.readJson(QJsonDocument::fromJson(
                              R"({"pagesCount": 1e12, "tableFields": [{"splitsCount": 2000000000,
                                  "columnCount": 1e15, "rowHeight": -1e300}]})")
                              .object());
        QCOMPARE(page.pagesCount(), ReportPage::maxPages);
        auto *table = qobject_cast<TableField *>(page.fields.at(0));
        QCOMPARE(table->splitsCount, TableField::maxSplits);
        QCOMPARE(table->maxSplitHeight.size(), TableField::maxSplits);
        QVERIFY(table->rowHeight >= -1e6);
    }

    void substitution_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("spaces and capitals in the name")
                << QStringLiteral("Выдано $V{  FIO }.") << QStringLiteral("Выдано Иванову.");
        QTest::newRow("two expressions")
                << QStringLiteral("$V{fio}, $V{Year} г.") << QStringLiteral("Иванову, 2003 г.");
        QTest::newRow("unknown name becomes nothing")
                << QStringLiteral("[$V{nothing}]") << QStringLiteral("[]");
        QTest::newRow("empty braces look up the empty name")
                << QStringLiteral("a$V{}b") << QStringLiteral("ab");
        QTest::newRow("backslash-n without an expression becomes a line break")
                << QStringLiteral("one\\ntwo") << QStringLiteral("one\ntwo");
        QTest::newRow("backslash-n after the last expression becomes a line break")
                << QStringLiteral("$V{fio}\\n") << QStringLiteral("Иванову\n");
        QTest::newRow("missing closing brace leaves the text as written")
                << QStringLiteral("one\\ntwo $V{fio") << QStringLiteral("one\\ntwo $V{fio");
        QTest::newRow("closing brace before the expression does not stop it")
                << QStringLiteral("} $V{fio}\\n") << QStringLiteral("} Иванову\n");
        QTest::newRow("value holding an expression is printed as written")
                << QStringLiteral("$V{full}") << QStringLiteral("$V{FIO} $V{year}");
        QTest::newRow("surname $V{Number} prints literally")
                << QStringLiteral("$V{Last_Name} № $V{Number}")
                << QStringLiteral("$V{Number} № 3100042");
        QTest::newRow("closing brace in a value does not end the next expression")
                << QStringLiteral("$V{First_Name} $V{Middle_Name}")
                << QStringLiteral("Ан}на Петровна");
        QTest::newRow("value referring to itself is printed once")
                << QStringLiteral("[$V{self}]") << QStringLiteral("[x$V{self}]");
        QTest::newRow("lower-case v is no expression")
                << QStringLiteral("$v{fio}") << QStringLiteral("$v{fio}");
    }
    void substitution()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        ReportPage page;
        page.setReportVariable(QStringLiteral("fio"), QStringLiteral("Иванову"));
        page.setReportVariable(QStringLiteral(" YEAR "), 2003);
        page.setReportVariable(QStringLiteral("full"), QStringLiteral("$V{FIO} $V{year}"));
        page.setReportVariable(QStringLiteral("Last_Name"), QStringLiteral("$V{Number}"));
        page.setReportVariable(QStringLiteral("Number"), QStringLiteral("3100042"));
        page.setReportVariable(QStringLiteral("First_Name"), QStringLiteral("Ан}на"));
        page.setReportVariable(QStringLiteral("Middle_Name"), QStringLiteral("Петровна"));
        page.setReportVariable(QStringLiteral("self"), QStringLiteral("x$V{self}"));
        QCOMPARE(page.replaceFromVariables(text), expected);
    }

    void substitutionIntoRichText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("printed");
        QTest::newRow("angle bracket in a value is printed")
                << QStringLiteral("$V{v}") << QStringLiteral("A<B") << QStringLiteral("A<B");
        QTest::newRow("ampersand in a value is printed")
                << QStringLiteral("$V{v}") << QStringLiteral("Школа &amp; лицей")
                << QStringLiteral("Школа &amp; лицей");
        QTest::newRow("markup of the template still applies")
                << QStringLiteral("<b>$V{v}</b>") << QStringLiteral("Иванову")
                << QStringLiteral("Иванову");
    }
    void substitutionIntoRichText()
    {
        QFETCH(QString, text);
        QFETCH(QString, value);
        QFETCH(QString, printed);
        ReportPage page;
        page.setReportVariable(QStringLiteral("v"), value);
        QTextDocument document;
        document.setHtml(page.replaceFromVariables(text, true));
        QCOMPARE(document.toPlainText(), printed);
    }

    void unknownNamesAreAddedEmpty()
    {
        ReportPage page;
        page.replaceFromVariables(QStringLiteral("$V{ Missing }"));
        QVERIFY(page.variables.contains(QStringLiteral("missing")));
        QCOMPARE(page.variables.value(QStringLiteral("missing")).toString(), QString());
    }

    void modelsAreKeyedByNormalisedNames()
    {
        ReportPage page;
        QSignalSpy updated(&page, &ReportPage::dataUpdated);
        QStandardItemModel first, second;
        QVERIFY(page.addModel(QStringLiteral("View"), &first, false));
        QVERIFY(page.addModel(QStringLiteral("  vIEW "), &second, false));
        QCOMPARE(page.models.size(), 1);
        QCOMPARE(page.getModel(QStringLiteral("view")), &second);
        QCOMPARE(page.getModel(QStringLiteral("other")), nullptr);
        page.setReportVariable(QStringLiteral("x"), 1);
        page.clearDataManager();
        QVERIFY(page.models.isEmpty());
        QVERIFY(page.variables.isEmpty());
        QCOMPARE(updated.count(), 4);
    }

    void modelsTakenOverOrDeletedByTheirCreator()
    {
        QPointer<QStandardItemModel> owned = new QStandardItemModel;
        auto borrowed = new QStandardItemModel;
        {
            ReportPage page;
            page.addModel(QStringLiteral("owned"), owned, true);
            page.addModel(QStringLiteral("borrowed"), borrowed, false);
            delete borrowed;
            // A model its creator deleted reads as missing instead of dangling.
            QCOMPARE(page.getModel(QStringLiteral("borrowed")), nullptr);
            QCOMPARE(owned->parent(), &page);
        }
        QVERIFY(owned.isNull());
    }

    void backgroundsAreScaledToTheSheet()
    {
        ReportPage page;
        QImage small(100, 50, QImage::Format_RGB32);
        small.fill(Qt::gray);
        QVERIFY(small.save(path("scan.png")));
        QVERIFY(page.setBackgroundImage(path("scan.png")));
        const QSize sheet = page.printer()->paperRect(QPrinter::DevicePixel).size().toSize();
        QCOMPARE(page.backgroundImage.size(), sheet);
        QVERIFY(sheet.width() > sheet.height());
        QCOMPARE(page.pixmap().size(), sheet);

        QFile junk(path("junk.png"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a picture");
        junk.close();
        QVERIFY(!page.setBackgroundImage2(junk.fileName()));
        QVERIFY(page.backgroundImage2.isNull());
        QVERIFY(!page.setBackgroundImage(junk.fileName()));
        QCOMPARE(page.backgroundImage.size(), sheet);
    }

    void brokenImageTextGivesNoImage_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::newRow("not Base64") << QJsonValue(QStringLiteral("%%%%"));
        QTest::newRow("Base64 of no PNG")
                << QJsonValue(QString::fromLatin1(QByteArray("GIF89a").toBase64()));
        QTest::newRow("a number") << QJsonValue(5);
        QTest::newRow("truncated PNG") << QJsonValue(
                ReportPage::jsonValFromPixmap(picture(Qt::red, QSize(40, 40))).toString().left(60));
    }
    void brokenImageTextGivesNoImage()
    {
        QFETCH(QJsonValue, value);
        QVERIFY(ReportPage::pixmapFromJsonVal(value).isNull());
    }

    void savingReplacesTheFileInOneStep()
    {
        ReportPage page;
        fillEveryKey(page);
        const QString target = path("atomic.zrrpt");
        QVERIFY(page.saveToFile(target));
        const QByteArray before = readAll(target);
        const ino_t inodeBefore = inode(target);
        // Written to a new file and renamed over the old one, never truncated in place.
        page.setPagesCount(2);
        QVERIFY(page.saveToFile(target));
        QVERIFY(inode(target) != inodeBefore);
        QVERIFY(readAll(target) != before);
        QVERIFY(QDir(m_dir.path()).entryList({"atomic.zrrpt.*"}, QDir::Files).isEmpty());
    }

    void unopenableFilesFailWithTheWarning_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("warning");
        QTest::newRow("load of a missing file") << false << "Couldn't open save file\\.$";
        QTest::newRow("save into a missing folder") << true << "cannot write .*/x\\.zrrpt: ";
    }
    void unopenableFilesFailWithTheWarning()
    {
        QFETCH(bool, save);
        QFETCH(QString, warning);
        ReportPage page;
        page.fields.append(new TextField);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        const QString missing = path("no/such/folder/x.zrrpt");
        QVERIFY(!(save ? page.saveToFile(missing) : page.loadFromFile(missing)));
        QCOMPARE(page.fields.size(), 1);
    }

    void binaryFormRoundTrips()
    {
        ReportPage page;
        fillEveryKey(page);
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            page.fields.at(0)->write(out);
            page.fields.at(1)->write(out);
        }
        TableField table;
        TextField text;
        QDataStream in(bytes);
        table.read(in);
        text.read(in);
        QCOMPARE(in.status(), QDataStream::Ok);
        auto *source = qobject_cast<TableField *>(page.fields.at(0));
        QCOMPARE(table.columnIds, source->columnIds);
        QCOMPARE(table.columnsWidth, source->columnsWidth);
        QCOMPARE(table.columnsAlign.size(), 2);
        QCOMPARE(table.font, source->font);
        QCOMPARE(text.text, qobject_cast<TextField *>(page.fields.at(1))->text);
        QCOMPARE(text.indent, 0.0);
    }
};

ZR_TEST_MAIN(TestReportPage)
#include "tst_reportpage.moc"
