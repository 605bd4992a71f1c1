#include "reportpage.h"
#include "reporttestutil.h"
#include "testhome.h"
#include "textfield.h"

#include <QApplication>
#include <QPainter>
#include <QtTest>

using namespace ReportTest;

class TestTextField : public QObject
{
    Q_OBJECT

private:
    struct Sheet
    {
        ReportPage page;
        TextField *field = nullptr;
        QImage image = ReportTest::sheet(150, 100);

        explicit Sheet(int pointSize = 14)
        {
            page.defaultFont = QFont(serifFamily(), pointSize);
            field = new TextField;
            field->page = &page;
            field->x = 20;
            field->y = 20;
            field->width = 100;
            field->height = 30;
            field->alignFlags = Qt::AlignLeft | Qt::AlignTop;
            page.fields.append(field);
        }
        // shiftMM moves the page's top down on the image, so that whatever a field
        // draws above the page is visible too.
        void draw(double offsetMM = 0, double shiftMM = 0)
        {
            QPainter painter(&image);
            painter.translate(0, shiftMM * pixelsPerMM);
            field->draw(&painter, pixelsPerMM, offsetMM * pixelsPerMM);
        }
    };

private slots:
    void initTestCase()
    {
        if (!haveSerif())
            QSKIP("Liberation Serif is not installed (fonts-liberation); text metrics "
                  "cannot be checked");
    }

    void inkLandsWhereTheMillimetresSay_data()
    {
        QTest::addColumn<int>("align");
        QTest::addColumn<double>("indent");
        QTest::addColumn<QRectF>("expected"); // mm, with the tolerance below
        // Field from (20, 20), 100 by 30 mm; text "ШШ" in 14 pt Liberation Serif: 9.8 mm wide,
        // cap height 3.2 mm, line 5.6 mm, baseline 4.4 mm below the line's top.
        const int top = Qt::AlignTop;
        QTest::newRow("left top") << int(Qt::AlignLeft | top) << 0.0
                                  << QRectF(QPointF(20.0, 21.2), QPointF(29.8, 24.4));
        QTest::newRow("first-line indent") << int(Qt::AlignLeft | top) << 10.0
                                           << QRectF(QPointF(30.0, 21.2), QPointF(39.8, 24.4));
        QTest::newRow("negative indent draws as none")
                << int(Qt::AlignLeft | top) << -10.0
                << QRectF(QPointF(20.0, 21.2), QPointF(29.8, 24.4));
        QTest::newRow("right") << int(Qt::AlignRight | top) << 0.0
                               << QRectF(QPointF(110.2, 21.2), QPointF(120.0, 24.4));
        QTest::newRow("centre") << int(Qt::AlignHCenter | top) << 0.0
                                << QRectF(QPointF(65.1, 21.2), QPointF(74.9, 24.4));
        QTest::newRow("bottom") << int(Qt::AlignLeft | Qt::AlignBottom) << 0.0
                                << QRectF(QPointF(20.0, 45.6), QPointF(29.8, 48.8));
        QTest::newRow("vertical centre") << int(Qt::AlignLeft | Qt::AlignVCenter) << 0.0
                                         << QRectF(QPointF(20.0, 33.4), QPointF(29.8, 36.6));
    }
    void inkLandsWhereTheMillimetresSay()
    {
        QFETCH(int, align);
        QFETCH(double, indent);
        QFETCH(QRectF, expected);
        Sheet sheet;
        sheet.field->alignFlags = quint16(align);
        sheet.field->indent = indent;
        sheet.field->text = QStringLiteral("ШШ");
        sheet.draw();
        const QRect ink = inkBounds(sheet.image);
        QVERIFY(!ink.isNull());
        const double tolerance = 0.35;
        QVERIFY2(qAbs(ink.left() / 10.0 - expected.left()) < tolerance,
                 qPrintable(QString::number(ink.left())));
        QVERIFY2(qAbs((ink.right() + 1) / 10.0 - expected.right()) < tolerance,
                 qPrintable(QString::number(ink.right())));
        QVERIFY2(qAbs(ink.top() / 10.0 - expected.top()) < tolerance,
                 qPrintable(QString::number(ink.top())));
        QVERIFY2(qAbs((ink.bottom() + 1) / 10.0 - expected.bottom()) < tolerance,
                 qPrintable(QString::number(ink.bottom())));
    }

    void zStrokeAndLineHeight_data()
    {
        QTest::addColumn<double>("lineHeight");
        QTest::addColumn<double>("height");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<double>>("rows"); // mm of the Z's horizontal strokes
        // 16 pt at ten pixels per mm is 56 px; 1.25 times that is exactly 7 mm.
        QTest::newRow("empty text spans the field inset by 2 mm")
                << 0.0 << 30.0 << QString() << QList<double>{22.0, 48.0};
        QTest::newRow("line height of 1.25 pixel sizes keeps the box")
                << 7.0 << 30.0 << QString() << QList<double>{22.0, 48.0};
        QTest::newRow("larger line height moves the box up by the excess")
                << 10.0 << 30.0 << QString() << QList<double>{19.6, 48.0};
        QTest::newRow("negative line height draws as none")
                << -10.0 << 30.0 << QString() << QList<double>{22.0, 48.0};
        QTest::newRow("text leaving less than 4 mm below draws no Z")
                << 0.0 << 9.0 << QStringLiteral("ШШ") << QList<double>{};
        QTest::newRow("a Z under a text starts 2 mm below the line")
                << 0.0 << 30.0 << QStringLiteral("ШШ") << QList<double>{28.5, 48.0};
        QTest::newRow("a field of 4 mm height has no room")
                << 0.0 << 4.0 << QString() << QList<double>{};
    }
    void zStrokeAndLineHeight()
    {
        QFETCH(double, lineHeight);
        QFETCH(double, height);
        QFETCH(QString, text);
        QFETCH(QList<double>, rows);
        Sheet sheet(16);
        sheet.field->width = 60;
        sheet.field->height = height;
        sheet.field->lineHeight = lineHeight;
        sheet.field->text = text;
        sheet.field->zOnEmpty = true;
        sheet.draw();
        const QList<double> found = strokeRows(sheet.image, 22.5, 77.5);
        QCOMPARE(found.size(), rows.size());
        for (int i = 0; i < rows.size(); ++i)
            QVERIFY2(qAbs(found.at(i) - rows.at(i)) <= 0.25,
                     qPrintable(QStringLiteral("stroke at %1 mm").arg(found.at(i))));
        if (!rows.isEmpty()) {
            // The strokes start and end 2 mm inside the field's sides.
            const QRect ink = inkBounds(sheet.image, QRect(0, int(rows.last() * 10) - 2, 1500, 5));
            QVERIFY(qAbs(ink.left() - 220) <= 2);
            QVERIFY(qAbs(ink.right() - 780) <= 2);
        }
    }

    void noStrokeWithoutTheFlag()
    {
        Sheet sheet;
        sheet.draw();
        QCOMPARE(inkCount(sheet.image), 0);
    }

    void fieldsAboveThePageDrawNothing_data()
    {
        QTest::addColumn<double>("height");
        QTest::addColumn<bool>("drawn");
        // Field from 10 mm; the page being drawn starts at 30 mm of the template.
        QTest::newRow("bottom edge exactly at the page top") << 20.0 << false;
        QTest::newRow("straddling the page top") << 20.5 << true;
    }
    void fieldsAboveThePageDrawNothing()
    {
        QFETCH(double, height);
        QFETCH(bool, drawn);
        Sheet sheet;
        sheet.field->y = 10;
        sheet.field->height = height;
        sheet.field->zOnEmpty = true;
        sheet.draw(30, 50);
        QCOMPARE(inkCount(sheet.image) > 0, drawn);
    }

    void textIsCutAtTheFieldBottom()
    {
        Sheet sheet;
        sheet.field->height = 10;
        sheet.field->wordWrap = true;
        sheet.field->text = QString(QStringLiteral("слово ")).repeated(60);
        sheet.draw();
        const QRect ink = inkBounds(sheet.image);
        QVERIFY(ink.bottom() <= 300);
        QVERIFY(ink.bottom() > 250);
        QVERIFY(ink.right() < 1200);
    }

    void lineBreaksNeedWordWrap_data()
    {
        QTest::addColumn<bool>("wordWrap");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        QTest::newRow("line break without wrapping prints one line")
                << false << QStringLiteral("ШШ\nШШ") << 1;
        QTest::newRow("line break with wrapping prints two lines")
                << true << QStringLiteral("ШШ\nШШ") << 2;
        QTest::newRow("backslash-n of a substituted text breaks with wrapping")
                << true << QStringLiteral("ШШ\\nШШ") << 2;
    }
    void lineBreaksNeedWordWrap()
    {
        QFETCH(bool, wordWrap);
        QFETCH(QString, text);
        QFETCH(int, lines);
        Sheet sheet;
        sheet.page.mReplaceExpressions = true;
        sheet.field->wordWrap = wordWrap;
        sheet.field->text = text;
        sheet.draw();
        const QRect ink = inkBounds(sheet.image);
        // One line of "Ш" is 3.2 mm of ink; a second adds a 5.6 mm line.
        QCOMPARE(ink.height() > 60 ? 2 : 1, lines);
    }

    void expressionsShowRawInTheDesigner()
    {
        Sheet printing;
        printing.page.setReportVariable(QStringLiteral("fio"), QStringLiteral("Ш"));
        printing.field->text = QStringLiteral("$V{fio}");
        Sheet designer;
        designer.page.setReportVariable(QStringLiteral("fio"), QStringLiteral("Ш"));
        designer.field->text = QStringLiteral("$V{fio}");
        printing.page.mReplaceExpressions = true;
        printing.draw();
        designer.draw();
        QVERIFY(inkBounds(printing.image).width() < 50);
        QVERIFY(inkBounds(designer.image).width() > 100);
    }

    void overflowMatchesTheInk_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("wordWrap");
        QTest::addColumn<double>("width"); // mm
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("lineHeight");
        QTest::addColumn<bool>("overflows");
        // 14 pt Liberation Serif: a line takes 5.6 mm, a letter some 2.5 mm.
        const QString words = QStringLiteral("Дружба группы друзей ").repeated(6);
        QTest::newRow("one line in a box one and a half lines high")
                << QStringLiteral("Группа дуг") << false << 100.0 << 8.5 << 0.0 << false;
        QTest::newRow("one line wider than its box")
                << QStringLiteral("Длинная строка, которой тесно в коротком поле") << false << 40.0
                << 8.5 << 0.0 << true;
        QTest::newRow("two wrapped lines in a box for three")
                << words.left(50) << true << 100.0 << 17.5 << 0.0 << false;
        QTest::newRow("three wrapped lines in a box for two")
                << words << true << 100.0 << 12.0 << 0.0 << true;
        QTest::newRow("line breaks of a wrapped field add lines")
                << QStringLiteral("Первая\nвторая\nтретья") << true << 100.0 << 12.0 << 0.0 << true;
        QTest::newRow("fixed line height: two lines of 8 mm in 18")
                << words.left(50) << true << 100.0 << 18.0 << 8.0 << false;
        QTest::newRow("fixed line height: three lines of 8 mm in 18")
                << words << true << 100.0 << 18.0 << 8.0 << true;
    }
    // What the field reports at 600 dpi is what its ink shows when it is drawn there in a box
    // big enough for it: ink beyond its own box would be cut off on the blank.
    void overflowMatchesTheInk()
    {
        QFETCH(QString, text);
        QFETCH(bool, wordWrap);
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(double, lineHeight);
        QFETCH(bool, overflows);
        constexpr double dpi = 600;
        const double scale = dpi / 25.399931;
        ReportPage page;
        page.defaultFont = QFont(serifFamily(), 14);
        page.mReplaceExpressions = true;
        TextField field;
        field.page = &page;
        field.x = 10;
        field.y = 10;
        field.width = width;
        field.height = height;
        field.wordWrap = wordWrap;
        field.lineHeight = lineHeight;
        field.alignFlags = Qt::AlignLeft | Qt::AlignTop;
        field.text = text;
        QCOMPARE(field.overflows(scale), overflows);

        QImage image(int(160 * scale), int(70 * scale), QImage::Format_RGB32);
        image.setDotsPerMeterX(int(dpi / 0.0254));
        image.setDotsPerMeterY(int(dpi / 0.0254));
        image.fill(Qt::white);
        if (wordWrap)
            field.height = 55;
        else
            field.width = 145;
        {
            QPainter painter(&image);
            field.draw(&painter, scale, 0);
        }
        const QRect ink = inkBounds(image);
        QVERIFY(!ink.isNull());
        const bool beyond
                = ink.right() > (10 + width) * scale || ink.bottom() > (10 + height) * scale;
        QCOMPARE(beyond, overflows);
    }
};

ZR_TEST_MAIN(TestTextField)
#include "tst_textfield.moc"
