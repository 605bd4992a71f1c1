#include "database/database.h"
#include "settings/tipsdialog.h"
#include "testhome.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QTextEdit>
#include <cstdlib>

class TestTipsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void splitTips_data();
    void splitTips();
    void startsAfterRandomIndexAndWraps();
    void storesCheckBoxOnClose_data();
    void storesCheckBoxOnClose();
    void screenshot();

private:
    static QVariant storedShowTips();
};

void TestTipsDialog::init()
{
    Database::userSettings()->remove(QStringLiteral("ZrPs/showTipsOnStartup"));
}

void TestTipsDialog::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty()
            || std::none_of(QApplication::topLevelWidgets().begin(),
                            QApplication::topLevelWidgets().end(),
                            [](QWidget *w) { return qobject_cast<TipsDialog *>(w); }));
}

QVariant TestTipsDialog::storedShowTips()
{
    QSettings file(Database::userPath() + "/settings.ini", QSettings::IniFormat);
    return file.value(QStringLiteral("ZrPs/showTipsOnStartup"));
}

void TestTipsDialog::splitTips_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("tips");

    QTest::newRow("separators on their own lines drop one leading break")
            << "first\n**\nsecond\n**\nthird" << QStringList{"first\n", "second\n", "third"};
    QTest::newRow("only one leading break dropped") << "a**\n\nb" << QStringList{"a", "\nb"};
    QTest::newRow("trailing break kept") << "a\n\n**b" << QStringList{"a\n\n", "b"};
    QTest::newRow("empty parts kept") << "a****b" << QStringList{"a", "", "b"};
    QTest::newRow("no separator is one tip") << "<b>one</b> tip" << QStringList{"<b>one</b> tip"};
    QTest::newRow("single star is no separator") << "2 * 3**x" << QStringList{"2 * 3", "x"};
}

void TestTipsDialog::splitTips()
{
    QFETCH(QString, text);
    QFETCH(QStringList, tips);
    QCOMPARE(TipsDialog::splitTips(text), tips);
}

void TestTipsDialog::startsAfterRandomIndexAndWraps()
{
    std::srand(12345);
    const qint64 r = std::rand();
    std::srand(12345);
    QPointer<TipsDialog> dialog = new TipsDialog;
    const int count = dialog->tips().size();
    QVERIFY2(count >= 5, "the product ships a handful of tips");
    for (const QString &tip : dialog->tips()) {
        QVERIFY(!tip.trimmed().isEmpty());
        QVERIFY(!tip.startsWith('\n'));
    }

    const int first = int((r + 1) % count);
    QCOMPARE(dialog->currentIndex(), first);
    auto edit = dialog->findChild<QTextEdit *>("textEdit");
    QVERIFY(edit->isReadOnly());
    QTextEdit expected;
    expected.setText(dialog->tips().at(first));
    QCOMPARE(edit->toPlainText(), expected.toPlainText());

    QSet<int> seen{first};
    auto next = dialog->findChild<QPushButton *>("pushButtonNext");
    for (int i = 1; i <= count; ++i) {
        next->click();
        QCOMPARE(dialog->currentIndex(), (first + i) % count);
        seen << dialog->currentIndex();
    }
    QCOMPARE(seen.size(), count);
    delete dialog;
}

void TestTipsDialog::storesCheckBoxOnClose_data()
{
    QTest::addColumn<bool>("stored"); // before the dialog opens; invalid means none
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("closeButton");

    QTest::newRow("unticked and closed with the button") << true << false << true;
    QTest::newRow("unticked and closed by the title bar") << true << false << false;
    QTest::newRow("ticked again and closed with the button") << false << true << true;
    QTest::newRow("left ticked and closed by the title bar") << true << true << false;
}

void TestTipsDialog::storesCheckBoxOnClose()
{
    QFETCH(bool, stored);
    QFETCH(bool, tick);
    QFETCH(bool, closeButton);

    QPointer<TipsDialog> fresh = new TipsDialog;
    QVERIFY2(fresh->findChild<QCheckBox *>("checkBox")->isChecked(), "default is to show tips");
    delete fresh;

    Database::userSettings()->setValue("ZrPs/showTipsOnStartup", stored);
    QPointer<TipsDialog> dialog = new TipsDialog;
    dialog->show();
    auto checkBox = dialog->findChild<QCheckBox *>("checkBox");
    QCOMPARE(checkBox->isChecked(), stored);
    checkBox->setChecked(tick);
    if (closeButton)
        dialog->findChild<QPushButton *>("pushButtonClose")->click();
    else
        dialog->close();
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(storedShowTips().toBool(), tick);
}

// ZR_SCREENSHOT_DIR=/some/folder ./tst_tipsdialog screenshot saves tips.png there.
void TestTipsDialog::screenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOT_DIR to save a screenshot");
    std::srand(1);
    QPointer<TipsDialog> dialog = new TipsDialog;
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QVERIFY(dialog->grab().save(folder + "/tips.png"));
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
}

ZR_TEST_MAIN(TestTipsDialog)
#include "tst_tipsdialog.moc"
