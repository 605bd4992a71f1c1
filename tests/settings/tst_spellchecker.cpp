#include "database/database.h"
#include "documents/documenteditdialog.h"
#include "settings/spellchecker.h"
#include "testhome.h"

#include <QDir>
#include <QLineEdit>
#include <QSettings>
#include <QTextCodec>
#include <QTextEdit>
#include <QVBoxLayout>
#include <memory>

class TestSpellChecker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void lineEditWords_data();
    void lineEditWords();
    void lineEditUnderlineIsDrawnUnderTheWord();
    void textEditSelections_data();
    void textEditSelections();
    void textEditCheckKeepsTheCaret();
    void attach_data();
    void attach();
    void encodingFromAffixFile_data();
    void encodingFromAffixFile();
    void userDictionary_data();
    void userDictionary();
    void addToUserWordlist_data();
    void addToUserWordlist();
    void installDictionary_data();
    void installDictionary();
    void initializeWithoutDictionaryGivesNoChecker();
    void editDialog_data();
    void editDialog();
    void screenshot();

private:
    static void writeFile(const QString &path, const QByteArray &bytes);
    static QList<int> redColumns(QWidget *widget);
    static QString rangesText(const QList<QTextLayout::FormatRange> &ranges);
    void useFreshDataFolder();

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<QTemporaryDir> m_files;
};

void TestSpellChecker::initTestCase()
{
    if (!QFileInfo::exists(SpellChecker::systemDictionaryFolder() + "/ru_RU.dic"))
        QSKIP("the Russian Hunspell dictionary (hunspell-ru) is not installed");
    useFreshDataFolder();
}

void TestSpellChecker::useFreshDataFolder()
{
    SpellChecker::shutdown();
    Database::destroy();
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    QSettings(Database::userPath() + "//settings.ini", QSettings::IniFormat).clear();
    QDir(Database::userPath() + "/dict").removeRecursively();
}

void TestSpellChecker::init()
{
    // Loading the dictionary takes a while, so the tests share one checker.
    Database::userSettings()->remove(QStringLiteral("SpellChecker/enabled"));
    m_files = std::make_unique<QTemporaryDir>();
    QVERIFY(SpellChecker::initialize());
    QVERIFY(SpellChecker::instance());
}

void TestSpellChecker::cleanup()
{
    m_files.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestSpellChecker::cleanupTestCase()
{
    SpellChecker::shutdown();
    Database::destroy();
}

void TestSpellChecker::writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QString TestSpellChecker::rangesText(const QList<QTextLayout::FormatRange> &ranges)
{
    QStringList parts;
    for (const QTextLayout::FormatRange &range : ranges) {
        parts << QString::number(range.start) + ":" + QString::number(range.length);
        if (range.format.underlineStyle() != QTextCharFormat::SpellCheckUnderline
            || range.format.underlineColor() != QColor(Qt::red))
            parts.last() += "(wrong format)";
    }
    return parts.join(',');
}

QList<int> TestSpellChecker::redColumns(QWidget *widget)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 180 && c.green() < 110 && c.blue() < 110) {
                columns << x;
                break;
            }
        }
    }
    return columns;
}

void TestSpellChecker::lineEditWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("ranges");

    QTest::newRow("only the third of three words is marked")
            << QStringLiteral("мама мыла рмау") << "10:4";
    QTest::newRow("letters and digits without a separator are one word")
            << QStringLiteral("мама2мыла") << "0:9";
    QTest::newRow("a hyphen splits a word in two") << QStringLiteral("мама-рмау") << "5:4";
    QTest::newRow("punctuation and spaces separate words")
            << QStringLiteral("  мама, мыла! (раму)") << "";
    QTest::newRow("every misspelt word is marked")
            << QStringLiteral("рмау мама ышла") << "0:4,10:4";
    QTest::newRow("empty text marks nothing") << QString() << "";
    QTest::newRow("a run of digits alone is a number") << QStringLiteral("мама 2012") << "";
}

void TestSpellChecker::lineEditWords()
{
    QFETCH(QString, text);
    QFETCH(QString, ranges);
    QCOMPARE(rangesText(misspeltRanges(text)), ranges);
}

void TestSpellChecker::lineEditUnderlineIsDrawnUnderTheWord()
{
    QLineEdit edit;
    edit.resize(400, 30);
    attachSpellChecker(&edit);
    edit.setText(QStringLiteral("мама мыла рмау"));
    QVERIFY(!redColumns(&edit).isEmpty());

    // Where the second word ends and the third ends on screen.
    const auto xAt = [&edit](int position) {
        edit.setCursorPosition(position);
        return edit.inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    };
    const int secondWordEnd = xAt(9);
    const int thirdWordEnd = xAt(14);
    const QList<int> red = redColumns(&edit);
    QVERIFY(!red.isEmpty());
    const QString where = QStringLiteral("red %1..%2, second word ends %3, third %4")
                                  .arg(red.first())
                                  .arg(red.last())
                                  .arg(secondWordEnd)
                                  .arg(thirdWordEnd);
    QVERIFY2(red.first() > secondWordEnd, qPrintable(where));
    QVERIFY2(red.last() <= thirdWordEnd + 6, qPrintable(where));

    // Correcting the word removes the mark.
    edit.setText(QStringLiteral("мама мыла раму"));
    QVERIFY(redColumns(&edit).isEmpty());
}

void TestSpellChecker::textEditSelections_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marked");

    QTest::newRow("only the third of three words is marked")
            << QStringLiteral("мама мыла рмау") << QStringLiteral("рмау");
    QTest::newRow("quotation marks before a word are not looked up")
            << QStringLiteral("\"мама\" \"рмау\"") << QStringLiteral("рмау");
    QTest::newRow("guillemets before a word are not looked up")
            << QStringLiteral("«мама» «рмау»") << QStringLiteral("рмау");
    QTest::newRow("digits before a word are not looked up")
            << QStringLiteral("12мама 3рмау") << QStringLiteral("рмау");
    QTest::newRow("words on every paragraph are checked")
            << QStringLiteral("рмау мама\nмыла\n\nышла раму") << QStringLiteral("рмау|ышла");
    QTest::newRow("all words known marks nothing")
            << QStringLiteral("Мама мыла раму.") << QString();
    QTest::newRow("only punctuation marks nothing")
            << QStringLiteral("-- !!! 123 ...") << QString();
}

void TestSpellChecker::textEditSelections()
{
    QFETCH(QString, text);
    QFETCH(QString, marked);

    QTextEdit edit;
    edit.setPlainText(text);
    checkTextEdit(&edit);
    QStringList words;
    for (const QTextEdit::ExtraSelection &selection : edit.extraSelections()) {
        words << selection.cursor.selectedText();
        QCOMPARE(selection.format.underlineStyle(), QTextCharFormat::SpellCheckUnderline);
        QCOMPARE(selection.format.underlineColor(), QColor(Qt::red));
    }
    QCOMPARE(words.join('|'), marked);
}

void TestSpellChecker::textEditCheckKeepsTheCaret()
{
    QTextEdit edit;
    edit.setPlainText(QStringLiteral("рмау мама ышла раму"));
    QTextCursor caret = edit.textCursor();
    caret.setPosition(7);
    edit.setTextCursor(caret);
    checkTextEdit(&edit);
    QCOMPARE(edit.extraSelections().size(), 2);
    QCOMPARE(edit.textCursor().position(), 7);
}

void TestSpellChecker::attach_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("excludeTextEdit");
    QTest::addColumn<bool>("lineEditMarked");
    QTest::addColumn<int>("textEditMarks");

    QTest::newRow("enabled marks both kinds of input") << true << false << true << 1;
    QTest::newRow("switched off: a new dialog is never marked") << false << false << false << 0;
    QTest::newRow("an excluded input is left alone") << true << true << true << 0;
}

void TestSpellChecker::attach()
{
    QFETCH(bool, enabled);
    QFETCH(bool, excludeTextEdit);
    QFETCH(bool, lineEditMarked);
    QFETCH(int, textEditMarks);

    Database::userSettings()->setValue(QStringLiteral("SpellChecker/enabled"), enabled);
    QWidget dialog;
    auto layout = new QVBoxLayout(&dialog);
    auto lineEdit = new QLineEdit;
    auto textEdit = new QTextEdit;
    layout->addWidget(lineEdit);
    layout->addWidget(textEdit);
    dialog.resize(400, 200);
    QList<QWidget *> exclude;
    if (excludeTextEdit)
        exclude << textEdit;
    attachSpellChecker(&dialog, exclude);

    QVERIFY(redColumns(lineEdit).isEmpty());
    lineEdit->setText(QStringLiteral("мама рмау"));
    textEdit->setPlainText(QStringLiteral("мама рмау"));
    QCOMPARE(!redColumns(lineEdit).isEmpty(), lineEditMarked);
    QCOMPARE(textEdit->extraSelections().size(), textEditMarks);
}

void TestSpellChecker::encodingFromAffixFile_data()
{
    QTest::addColumn<QByteArray>("affix");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QString>("encoding");

    QTest::newRow("SET names the encoding") << QByteArray("SET KOI8-R\nTRY abc\n") << "KOI8-R"
                                            << "KOI8-R";
    QTest::newRow("leading spaces before SET are allowed") << QByteArray("  SET UTF-8\n") << "UTF-8"
                                                           << "UTF-8";
    QTest::newRow("no SET line keeps Latin-9") << QByteArray("TRY abc\nFLAG long\n") << "ISO8859-15"
                                               << "ISO8859-15";
    QTest::newRow("a SET after the first empty line is not read")
            << QByteArray("TRY abc\n\nSET KOI8-R\n") << "ISO8859-15"
            << "ISO8859-15";
    QTest::newRow("lower-case set is not a SET line") << QByteArray("set KOI8-R\n") << "ISO8859-15"
                                                      << "ISO8859-15";
    QTest::newRow("an encoding without a codec falls back to Latin-9")
            << QByteArray("SET X-NO-SUCH-CODEC\n") << "ISO8859-15"
            << "ISO8859-15";
}

void TestSpellChecker::encodingFromAffixFile()
{
    QFETCH(QByteArray, affix);
    QFETCH(QString, codec);
    QFETCH(QString, encoding);

    // Each word is stored in the encoding the affix file claims, so spell()
    // only finds it when the checker converts with that same codec.
    QTextCodec *c = QTextCodec::codecForName(codec.toLatin1());
    const QString base = m_files->filePath("xx_XX");
    writeFile(base + ".aff", affix);
    writeFile(base + ".dic", "2\n" + c->fromUnicode(QStringLiteral("кот")) + "\nhouse\n");
    SpellChecker checker(base, QString());
    QCOMPARE(checker.encoding(), encoding);
    QVERIFY(checker.spell(QStringLiteral("house")));
    QVERIFY(!checker.spell(QStringLiteral("mouse")));
    if (codec != QLatin1String("ISO8859-15")) {
        QVERIFY(checker.spell(QStringLiteral("кот")));
        QVERIFY(!checker.spell(QStringLiteral("кит")));
    }
}

void TestSpellChecker::userDictionary_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("known");
    QTest::addColumn<QStringList>("unknown");

    const QTextCodec *cp1251 = QTextCodec::codecForName("CP1251");
    QTest::newRow("every line is a word")
            << cp1251->fromUnicode(QStringLiteral("рмау\nышла\n"))
            << QStringList{QStringLiteral("рмау"), QStringLiteral("ышла")} << QStringList();
    QTest::newRow("an empty line ends the list")
            << cp1251->fromUnicode(QStringLiteral("рмау\n\nышла\n"))
            << QStringList{QStringLiteral("рмау")} << QStringList{QStringLiteral("ышла")};
    QTest::newRow("Windows line ends are read as well")
            << cp1251->fromUnicode(QStringLiteral("рмау\r\nышла\r\n"))
            << QStringList{QStringLiteral("рмау"), QStringLiteral("ышла")} << QStringList();
    QTest::newRow("an empty file adds nothing")
            << QByteArray() << QStringList() << QStringList{QStringLiteral("рмау")};
}

void TestSpellChecker::userDictionary()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, known);
    QFETCH(QStringList, unknown);

    const QString userDic = m_files->filePath("user.dic");
    writeFile(userDic, content);
    SpellChecker checker(Database::dataPath() + "/dict/ru_RU", userDic);
    for (const QString &word : known)
        QVERIFY2(checker.spell(word), qPrintable(word));
    for (const QString &word : unknown)
        QVERIFY2(!checker.spell(word), qPrintable(word));
}

void TestSpellChecker::addToUserWordlist_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QByteArray>("after");

    const QTextCodec *cp1251 = QTextCodec::codecForName("CP1251");
    QTest::newRow("a word is appended on its own line")
            << cp1251->fromUnicode(QStringLiteral("рмау\n")) << QStringLiteral("ышла")
            << cp1251->fromUnicode(QStringLiteral("рмау\nышла\n"));
    QTest::newRow("a last line without line end is not glued to the word")
            << cp1251->fromUnicode(QStringLiteral("рмау")) << QStringLiteral("ышла")
            << cp1251->fromUnicode(QStringLiteral("рмау\nышла\n"));
    // An empty line would end the list and hide every later word.
    QTest::newRow("an empty word is not written")
            << cp1251->fromUnicode(QStringLiteral("рмау\n")) << QStringLiteral("  ")
            << cp1251->fromUnicode(QStringLiteral("рмау\n"));
    QTest::newRow("spaces around the word are dropped")
            << QByteArray() << QStringLiteral(" ышла ")
            << cp1251->fromUnicode(QStringLiteral("ышла\n"));
}

void TestSpellChecker::addToUserWordlist()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, word);
    QFETCH(QByteArray, after);

    const QString userDic = SpellChecker::instance()->userDictionaryPath();
    QCOMPARE(userDic, Database::userPath() + "/dict/user.dic");
    writeFile(userDic, before);
    SpellChecker::shutdown();
    QVERIFY(SpellChecker::initialize());
    SpellChecker::instance()->addToUserWordlist(word);
    if (!word.trimmed().isEmpty())
        QVERIFY(SpellChecker::instance()->spell(word.trimmed()));
    QFile file(userDic);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), after);

    // The next start knows the word.
    SpellChecker::shutdown();
    QVERIFY(SpellChecker::initialize());
    if (!word.trimmed().isEmpty())
        QVERIFY(SpellChecker::instance()->spell(word.trimmed()));
}

void TestSpellChecker::installDictionary_data()
{
    QTest::addColumn<bool>("dictFolderExists");
    QTest::addColumn<bool>("userFileExists");
    QTest::addColumn<bool>("sourceComplete");
    QTest::addColumn<bool>("installed");

    QTest::newRow("first start installs both files") << false << false << true << true;
    QTest::newRow("an existing dict folder is left as the user keeps it")
            << true << false << true << false;
    QTest::newRow("the user's own dictionary is never overwritten")
            << true << true << true << false;
    QTest::newRow("an incomplete source installs nothing") << false << false << false << false;
}

void TestSpellChecker::installDictionary()
{
    QFETCH(bool, dictFolderExists);
    QFETCH(bool, userFileExists);
    QFETCH(bool, sourceComplete);
    QFETCH(bool, installed);

    const QString source = m_files->filePath("source");
    const QString dict = m_files->filePath("data/dict");
    writeFile(source + "/ru_RU.dic", "1\nsystem\n");
    if (sourceComplete)
        writeFile(source + "/ru_RU.aff", "SET UTF-8\n");
    if (dictFolderExists)
        QVERIFY(QDir().mkpath(dict));
    if (userFileExists)
        writeFile(dict + "/ru_RU.dic", "1\nmine\n");

    QCOMPARE(SpellChecker::installDictionary(dict, source), installed);
    QFile dic(dict + "/ru_RU.dic");
    if (installed) {
        QVERIFY(dic.open(QIODevice::ReadOnly));
        QCOMPARE(dic.readAll(), QByteArray("1\nsystem\n"));
        QVERIFY(QFileInfo::exists(dict + "/ru_RU.aff"));
    } else if (userFileExists) {
        QVERIFY(dic.open(QIODevice::ReadOnly));
        QCOMPARE(dic.readAll(), QByteArray("1\nmine\n"));
    } else {
        QVERIFY(!dic.exists());
        QCOMPARE(QFileInfo::exists(dict), dictFolderExists);
    }
}

void TestSpellChecker::initializeWithoutDictionaryGivesNoChecker()
{
    // The user deleted the dictionary: the next start neither reinstalls it nor checks.
    QVERIFY(QFile::remove(Database::dataPath() + "/dict/ru_RU.dic"));
    SpellChecker::shutdown();
    QVERIFY(!SpellChecker::initialize());
    QVERIFY(!SpellChecker::instance());
    QVERIFY(!QFileInfo::exists(Database::dataPath() + "/dict/ru_RU.dic"));
    // The user's decision also holds for a folder that never had a dictionary.
    QVERIFY(QDir(Database::dataPath() + "/dict").exists());

    QCOMPARE(rangesText(misspeltRanges(QStringLiteral("рмау"))), QString());
    QTextEdit edit;
    edit.setPlainText(QStringLiteral("рмау"));
    checkTextEdit(&edit);
    QVERIFY(edit.extraSelections().isEmpty());
    checkLineEdit(nullptr);
    checkTextEdit(nullptr);
    useFreshDataFolder();
}

void TestSpellChecker::editDialog_data()
{
    QTest::addColumn<bool>("editable");
    QTest::addColumn<QString>("surname");
    QTest::addColumn<bool>("marked");

    QTest::newRow("a misspelt surname is marked") << true << QStringLiteral("Ивнаов") << true;
    QTest::newRow("a correct surname is not") << true << QStringLiteral("Иванов") << false;
    QTest::newRow("a loaded document not yet editable is marked too")
            << false << QStringLiteral("Ивнаов") << true;
}

void TestSpellChecker::editDialog()
{
    QFETCH(bool, editable);
    QFETCH(QString, surname);
    QFETCH(bool, marked);

    Database::migrateLegacySettings(m_files->filePath("ZrPs.ini"));
    QPointer<DocumentEditDialog> dialog = new DocumentEditDialog;
    dialog->setEditable(editable);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    auto surnameEdit = dialog->findChild<QLineEdit *>("lineEditFio_1");
    surnameEdit->setText(surname);
    if (!editable)
        dialog->setEditable(true);
    QCOMPARE(!redColumns(surnameEdit).isEmpty(), marked);
    if (!qEnvironmentVariableIsEmpty("ZR_SCREENSHOT_DIR") && marked && editable)
        QVERIFY(dialog->grab().save(qEnvironmentVariable("ZR_SCREENSHOT_DIR") + "/editdialog.png"));
    delete dialog;
}

// ZR_SCREENSHOT_DIR=/some/folder ./tst_spellchecker screenshot saves spellcheck.png.
void TestSpellChecker::screenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOT_DIR to save a screenshot");
    QWidget dialog;
    auto layout = new QVBoxLayout(&dialog);
    auto lineEdit = new QLineEdit;
    auto textEdit = new QTextEdit;
    layout->addWidget(lineEdit);
    layout->addWidget(textEdit);
    dialog.resize(420, 200);
    attachSpellChecker(&dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    lineEdit->setText(QStringLiteral("Иванов Пётр Сергеевичь"));
    textEdit->setPlainText(QStringLiteral("Принимал участие в «олимпиаде» по матиматике и "
                                          "занял 2место в городском конкурсе."));
    QVERIFY(dialog.grab().save(folder + "/spellcheck.png"));
}

ZR_TEST_MAIN(TestSpellChecker)
#include "tst_spellchecker.moc"
