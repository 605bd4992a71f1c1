#include "screenfit.h"
#include "testhome.h"

#include <QtTest>

class TestScreenFit : public QObject
{
    Q_OBJECT

private slots:
    void boundedSize_data();
    void boundedSize();
    void boundedGeometry_data();
    void boundedGeometry();
};

void TestScreenFit::boundedSize_data()
{
    QTest::addColumn<QSize>("preferred");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("expected");

    // A frame of 4 pixels around and a title bar of 22 above.
    QTest::newRow("screen smaller than the wanted size")
            << QSize(1280, 860) << QRect(0, 0, 1024, 600) << QSize(1016, 570);
    QTest::newRow("a large screen gives the wanted size")
            << QSize(1280, 860) << QRect(0, 0, 1920, 1040) << QSize(1280, 860);
    QTest::newRow("1920 by 1080 at scale factor 2 leaves 960 by 540")
            << QSize(1280, 860) << QRect(0, 0, 960, 540) << QSize(952, 510);
    QTest::newRow("only the height is short")
            << QSize(1280, 860) << QRect(0, 0, 1366, 728) << QSize(1280, 698);
}

void TestScreenFit::boundedSize()
{
    QFETCH(QSize, preferred);
    QFETCH(QRect, available);
    QFETCH(QSize, expected);

    QCOMPARE(ScreenFit::boundedSize(preferred, available, QMargins(4, 26, 4, 4)), expected);
}

void TestScreenFit::boundedGeometry_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");

    const QRect laptop(0, 0, 1366, 728);
    QTest::newRow("on the screen stays where it is")
            << QRect(100, 100, 800, 600) << laptop << QRect(100, 100, 800, 600);
    QTest::newRow("saved on a monitor to the right that is gone")
            << QRect(2000, 100, 800, 600) << laptop << QRect(562, 100, 800, 600);
    QTest::newRow("saved larger than this screen shrinks onto it")
            << QRect(0, 0, 1600, 1000) << laptop << QRect(4, 26, 1358, 698);
    QTest::newRow("above and left of the screen comes back in")
            << QRect(-300, -50, 800, 600) << laptop << QRect(4, 26, 800, 600);
    QTest::newRow("a second monitor to the right of the first")
            << QRect(100, 100, 800, 600) << QRect(1920, 0, 1280, 1024)
            << QRect(1924, 100, 800, 600);
}

void TestScreenFit::boundedGeometry()
{
    QFETCH(QRect, geometry);
    QFETCH(QRect, available);
    QFETCH(QRect, expected);

    const QMargins frame(4, 26, 4, 4);
    const QRect fitted = ScreenFit::boundedGeometry(geometry, available, frame);
    QCOMPARE(fitted, expected);
    QVERIFY(available.contains(fitted.marginsAdded(frame)));
}

ZR_TEST_MAIN(TestScreenFit)
#include "tst_screenfit.moc"
