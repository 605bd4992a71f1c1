#include "app/messagelines.h"
#include "testhome.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

class TestMessageLines : public QObject
{
    Q_OBJECT

private slots:
    void fitsScreen_data();
    void fitsScreen();
};

void TestMessageLines::fitsScreen_data()
{
    QTest::addColumn<QStringList>("lines");

    QStringList hundred;
    for (int page = 1; page <= 100; ++page)
        hundred << QStringLiteral("Page %1: btreeInitPage() returns error code 11").arg(page);
    QTest::newRow("a hundred lines of an integrity check") << hundred;
    QTest::newRow("one line of 20,000 characters")
            << QStringList{QStringLiteral("ошибка ").repeated(2900)};
}

void TestMessageLines::fitsScreen()
{
    QFETCH(QStringList, lines);
    QMessageBox box(QMessageBox::Warning, "Внимание!", QString(), QMessageBox::Ok);
    setMessageLines(&box, "Проверка нашла ошибки:", lines, "Восстановить реестр?");
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    // The screen the damage report did not fit: 900 pixels high, with a title bar and a panel.
    const int screenRoom = 900 - 100;
    QVERIFY2(box.height() <= screenRoom, qPrintable(QString::number(box.height())));
    QVERIFY(box.text().startsWith("Проверка нашла ошибки:\n" + lines.first().left(40)));
    QVERIFY(box.text().endsWith("\n\nВосстановить реестр?"));
    QCOMPARE(box.detailedText(), lines.join('\n'));

    const auto buttonBox = box.findChild<QDialogButtonBox *>();
    QVERIFY(buttonBox);
    QPushButton *details = nullptr;
    for (QAbstractButton *button : buttonBox->buttons()) {
        if (buttonBox->buttonRole(button) == QDialogButtonBox::ActionRole)
            details = qobject_cast<QPushButton *>(button);
    }
    QVERIFY(details);
    details->click();
    QTRY_VERIFY(box.height() > 0);
    QVERIFY2(box.height() <= screenRoom, qPrintable(QString::number(box.height())));
}

ZR_TEST_MAIN(TestMessageLines)
#include "tst_messagelines.moc"
