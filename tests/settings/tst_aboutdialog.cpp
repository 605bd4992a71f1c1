#include "app/appinfo.h"
#include "app/platformlayer.h"
#include "settings/aboutdialog.h"
#include "testhome.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>

class TestAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void fileVersionString_data();
    void fileVersionString();
    void loadedModuleByWindowsName();
    void titleForFileWithoutVersion();
    void dialogContent();
    void wrappedLabel_data();
    void wrappedLabel();
    void screenshot();
};

void TestAboutDialog::fileVersionString_data()
{
    QTest::addColumn<QString>("create"); // file made in a temporary folder
    QTest::addColumn<QString>("linkTo"); // when set, "create" is a symbolic link to it
    QTest::addColumn<QString>("version");

    QTest::newRow("versioned library file") << "libZrReportLib.so.1.4.2"
                                            << ""
                                            << "1.4";
    QTest::newRow("leading zeros dropped") << "libX.so.01.07.0"
                                           << ""
                                           << "1.7";
    QTest::newRow("link followed to the versioned file") << "libZrReportLib.so"
                                                         << "libZrReportLib.so.2.7.0"
                                                         << "2.7";
    QTest::newRow("file without version information") << "libZrReportLib.so"
                                                      << ""
                                                      << "?";
    QTest::newRow("major number only") << "libX.so.3"
                                       << ""
                                       << "?";
    QTest::newRow("windows name without such a module") << ""
                                                        << ""
                                                        << "?";
}

void TestAboutDialog::fileVersionString()
{
    QFETCH(QString, create);
    QFETCH(QString, linkTo);
    QFETCH(QString, version);
    QTemporaryDir dir;
    QString path = dir.filePath(create);
    if (create.isEmpty()) {
        path = "NoSuchModule.dll";
    } else if (!linkTo.isEmpty()) {
        QFile target(dir.filePath(linkTo));
        QVERIFY(target.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(linkTo, path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a library");
    }
    QCOMPARE(AboutDialog::fileVersionString(path), version);
}

void TestAboutDialog::loadedModuleByWindowsName()
{
    const QString qtCore = PlatformLayer::loadedModulePath("Qt5Core.dll");
    QVERIFY2(qtCore.contains("libQt5Core.so"), qPrintable(qtCore));
    QCOMPARE(AboutDialog::fileVersionString("Qt5Core.dll"),
             QString(QT_VERSION_STR).section('.', 0, 1));
}

void TestAboutDialog::titleForFileWithoutVersion()
{
    QTemporaryDir dir;
    QFile plain(dir.filePath("ZrReportLib.dll"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString title = AboutDialog::titleText(AboutDialog::fileVersionString(plain.fileName()));
    QCOMPARE(title, appTitle() + " build 99\n\nZrReportLib v?");
}

void TestAboutDialog::dialogContent()
{
    // The test links the program's code, so the report library is loaded as in the program.
    const QString library = PlatformLayer::loadedModulePath("ZrReportLib.dll");
    QPointer<AboutDialog> dialog = new AboutDialog;
    QCOMPARE(dialog->windowTitle(), QString("О программе"));
    const QString title = dialog->findChild<QLabel *>("progNameLabel")->text();
    QVERIFY2(title.startsWith(appTitle() + " build 99\n\nZrReportLib v"), qPrintable(title));
    if (!library.isEmpty())
        QVERIFY2(title.endsWith("v" + appVersionString().section('.', 0, 1)), qPrintable(title));
    else
        QVERIFY2(title.endsWith("v?"), qPrintable(title));

    const QString notes = dialog->findChild<QPlainTextEdit *>("plainTextEdit")->toPlainText();
    QVERIFY2(notes.startsWith("Версия 0.3.0"), "release notes without byte-order mark");
    QVERIFY(!dialog->findChild<QLabel *>("progNameLabel_3")->text().isEmpty());
    QVERIFY(!dialog->findChild<QLabel *>("progNameLabel_4")->text().isEmpty());
    QVERIFY(!dialog->findChild<QLabel *>("imgLabel")->pixmap(Qt::ReturnByValue).isNull());
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
}

void TestAboutDialog::wrappedLabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lines");

    QTest::newRow("blank text shrinks to 5 pixels") << "  \n " << 0;
    QTest::newRow("short text stays on one line") << "Короткий текст" << 1;
    QTest::newRow("line breaks kept, empty line too") << "Первая\n\nТретья" << 3;
    QTest::newRow("long text wrapped to the width")
            << QString("слово ").repeated(40).trimmed() << -1;
    QTest::newRow("word wider than the label on its own line")
            << "a " + QString(60, 'W') + " b" << 3;
}

void TestAboutDialog::wrappedLabel()
{
    QFETCH(QString, text);
    QFETCH(int, lines);
    QLabel label;
    label.resize(200, 40);
    AboutDialog::setWrappedLabelText(text, &label);
    QCOMPARE(label.width(), 200);
    if (lines == 0) {
        QCOMPARE(label.height(), 5);
        QVERIFY(label.text().isEmpty());
        return;
    }
    const QStringList shown = label.text().split('\n');
    if (lines > 0)
        QCOMPARE(shown.size(), lines);
    else
        QVERIFY(shown.size() > 3);
    const QFontMetrics metrics(label.font());
    for (const QString &line : shown) {
        if (line.contains(' '))
            QVERIFY2(metrics.horizontalAdvance(line) <= 200, qPrintable(line));
    }
    QCOMPARE(label.text().simplified(), text.simplified());
    QVERIFY(label.height() >= shown.size() * metrics.lineSpacing());
}

// ZR_SCREENSHOT_DIR=/some/folder ./tst_aboutdialog screenshot saves about.png there.
void TestAboutDialog::screenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOT_DIR to save a screenshot");
    QPointer<AboutDialog> dialog = new AboutDialog;
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QVERIFY(dialog->grab().save(folder + "/about.png"));
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
}

ZR_TEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
