#include "database/database.h"
#include "printing/defaulttemplates.h"
#include "printing/printcheck.h"
#include "printing/printcheckdialog.h"
#include "printing/printcontroller.h"
#include "printing/reportlist.h"
#include "printingfixture.h"
#include "testhome.h"

#include <QComboBox>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableWidget>

// Each problem the check knows, made on a document of the register as a user would make it,
// and the row the check must give for it; a clean document gives none on any form.
class TestPrintCheck : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void problems_data();
    void problems();
    void cleanDocumentOnEveryForm();
    void commandLine_data();
    void commandLine();
    void doubleClickOpensTheDocument_data();
    void doubleClickOpensTheDocument();

private:
    // A document that passes on every form; `changes` overrides its columns.
    static int addDocument(const QVariantMap &changes = QVariantMap(), int disciplines = 4);
    // "doc|-|other<TAB>error|warning<TAB>field<TAB>text<TAB>forms" for comparing with the
    // expected rows; forms only of a problem found on some of the forms checked.
    static QStringList rows(const QList<PrintCheck::Problem> &problems, int documentId);
    // A school's name of 240 characters: three lines where the appendix has room for two.
    static QString longOrganisation();

    PrintingFixture m_fixture;
};

void TestPrintCheck::init()
{
    m_fixture.start();
    DefaultTemplates::install();
    Database::setVariable("Data/OrgName_1", QStringLiteral("МБОУ «СОШ № 1»"));
    Database::setVariable("Data/OrgName_2", QStringLiteral("МБОУ «СОШ № 1»"));
    Database::setVariable("Data/OrgName_3", QStringLiteral("МБОУ «СОШ № 1»"));
    Database::setVariable("Data/City", QStringLiteral("Тверь"));
    Database::setVariable("Data/Boss_1", QStringLiteral("Сидорова Анна Ивановна"));
}

void TestPrintCheck::cleanup()
{
    m_fixture.stop();
}

int TestPrintCheck::addDocument(const QVariantMap &changes, int disciplines)
{
    QVariantMap columns{{"isTemplate", 0},
                        {"fio1", QStringLiteral("Петров")},
                        {"fio2", QStringLiteral("Пётр")},
                        {"fio3", QStringLiteral("Петрович")},
                        {"birthDate", "2013-09-30"},
                        {"number", "77 0123456"},
                        {"regNumber", "1024"},
                        {"issueDate", "2024-05-31"},
                        {"decision", QStringLiteral("протокол № 7")}};
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        columns.insert(it.key(), it.value());
    const int id = PrintingFixture::addDocument(columns);
    QList<QPair<QString, QString>> rows;
    for (int i = 0; i < disciplines; ++i)
        rows << qMakePair(QStringLiteral("Предмет %1").arg(i + 1), QStringLiteral("5"));
    PrintingFixture::addDetails(id, rows);
    return id;
}

QStringList TestPrintCheck::rows(const QList<PrintCheck::Problem> &problems, int documentId)
{
    QStringList result;
    for (const PrintCheck::Problem &problem : problems) {
        const QString who = problem.documentId == 0            ? QStringLiteral("-")
                            : problem.documentId == documentId ? QStringLiteral("doc")
                                                               : QStringLiteral("other");
        QStringList forms;
        for (int form : problem.forms)
            forms << QString::number(form);
        result << QStringList{who,
                              PrintCheck::severityText(problem.severity),
                              problem.field,
                              problem.text,
                              forms.join(QLatin1Char(','))}
                          .join(QLatin1Char('\t'));
    }
    return result;
}

QString TestPrintCheck::longOrganisation()
{
    return QStringLiteral("Государственное бюджетное общеобразовательное учреждение «Средняя "
                          "общеобразовательная школа-интернат № 17 имени Героя Советского Союза "
                          "Константина Константиновича Рокоссовского с углублённым изучением "
                          "отдельных предметов» города Великие Луки");
}

void TestPrintCheck::problems_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<QString>("setup");
    // "who<TAB>severity<TAB>field<TAB>a part of the text", in the order given
    QTest::addColumn<QStringList>("expected");

    const int appendix = ReportList::Id3382;
    const int boys = ReportList::Id253;
    const auto row = [](const char *who,
                        const char *severity,
                        const char *field,
                        const char *text,
                        const char *forms = "") {
        return QStringList{who,
                           severity,
                           QString::fromUtf8(field),
                           QString::fromUtf8(text),
                           QString::fromLatin1(forms)}
                .join(QLatin1Char('\t'));
    };

    QTest::newRow("nothing wrong") << appendix << QVariantMap() << "" << QStringList();
    QTest::newRow("empty surname")
            << appendix << QVariantMap{{"fio1", ""}} << ""
            << QStringList{row("doc", "error", "Фамилия", "Не указана фамилия")};
    QTest::newRow("first name of blanks only")
            << boys << QVariantMap{{"fio2", "   "}} << ""
            << QStringList{row("doc", "error", "Имя", "Не указано имя")};
    QTest::newRow("empty certificate number")
            << appendix << QVariantMap{{"number", ""}} << ""
            << QStringList{row("doc", "error", "Номер свидетельства", "Не указан номер")};
    QTest::newRow("no issue date")
            << boys << QVariantMap{{"issueDate", ""}} << ""
            << QStringList{row("doc", "error", "Дата выдачи", "Не указана дата выдачи")};
    QTest::newRow("empty registration number on a form that prints it")
            << appendix << QVariantMap{{"regNumber", " "}} << ""
            << QStringList{row("doc", "error", "Регистрационный номер", "бланк его печатает")};
    QTest::newRow("empty registration number on a form that does not print it")
            << int(ReportList::Id3339) << QVariantMap{{"regNumber", ""}} << "plain template"
            << QStringList();
    QTest::newRow("no birth date")
            << appendix << QVariantMap{{"birthDate", ""}} << ""
            << QStringList{row("doc", "error", "Дата рождения", "Не указана дата рождения")};
    QTest::newRow("born on the day of issue")
            << appendix << QVariantMap{{"birthDate", "2024-05-31"}} << ""
            << QStringList{row("doc", "warning", "Дата рождения", "ученику 0 лет")};
    QTest::newRow("one day short of nine")
            << appendix << QVariantMap{{"birthDate", "2015-06-01"}} << ""
            << QStringList{row("doc", "warning", "Дата рождения", "ученику 8 лет")};
    QTest::newRow("nine on the day of issue")
            << appendix << QVariantMap{{"birthDate", "2015-05-31"}} << "" << QStringList();
    QTest::newRow("a day short of nineteen")
            << appendix << QVariantMap{{"birthDate", "2005-06-01"}} << "" << QStringList();
    QTest::newRow("nineteen") << appendix << QVariantMap{{"birthDate", "2005-05-31"}} << ""
                              << QStringList{
                                         row("doc", "warning", "Дата рождения", "ученику 19 лет")};
    QTest::newRow("twenty-one takes the word for one")
            << appendix << QVariantMap{{"birthDate", "2003-05-31"}} << ""
            << QStringList{row("doc", "warning", "Дата рождения", "ученику 21 год")};
    QTest::newRow("born after the issue")
            << appendix << QVariantMap{{"birthDate", "2025-01-01"}} << ""
            << QStringList{row("doc", "warning", "Дата рождения", "позже даты выдачи")};
    QTest::newRow("certificate number of another document")
            << appendix << QVariantMap() << "twin number"
            << QStringList{row("doc", "error", "Номер свидетельства", "«Сидоров Иван Ильич»")};
    QTest::newRow("the same number written with other blanks")
            << appendix << QVariantMap{{"number", " 770123456"}} << "twin number"
            << QStringList{row("doc", "error", "Номер свидетельства", "«Сидоров Иван Ильич»")};
    QTest::newRow("registration number of another document")
            << boys << QVariantMap() << "twin registration"
            << QStringList{row("doc", "error", "Регистрационный номер", "«Сидоров Иван Ильич»")};
    QTest::newRow("number kept from a document template")
            << appendix << QVariantMap() << "template number"
            << QStringList{row("doc", "warning", "Номер свидетельства", "шаблона «4А, 2024»")};
    QTest::newRow("appendix without disciplines")
            << appendix << QVariantMap() << "no disciplines"
            << QStringList{row("doc", "error", "Приложение", "ни одного предмета")};
    QTest::newRow("certificate without disciplines")
            << boys << QVariantMap() << "no disciplines" << QStringList();
    QTest::newRow("a discipline without a grade")
            << appendix << QVariantMap() << "ungraded"
            << QStringList{row("doc", "error", "Приложение", "по предмету «Математика»")};
    QTest::newRow("one subject under its short and its full name")
            << appendix << QVariantMap() << "also ОРКСЭ;Основы религиозных культур и светской этики"
            << QStringList{row("doc",
                               "warning",
                               "Приложение",
                               "дважды: «ОРКСЭ» и «Основы религиозных культур и светской "
                               "этики»")};
    QTest::newRow("one subject written twice alike")
            << appendix << QVariantMap() << "also Шахматы;шахматы."
            << QStringList{row("doc", "warning", "Приложение", "дважды: «Шахматы» и «шахматы.»")};
    QTest::newRow("reading and reading in the native language are two subjects")
            << appendix << QVariantMap() << "also Лит. чтение;Литературное чтение на родном языке"
            << QStringList();
    QTest::newRow("organisation's city empty on a form that prints it")
            << boys << QVariantMap() << "no city"
            << QStringList{row("-", "error", "Город", "Файл → Настройки")};
    QTest::newRow("organisation's city empty on a form that does not print it")
            << appendix << QVariantMap() << "no city" << QStringList();
    QTest::newRow("unknown variable in the template")
            << int(ReportList::Id3339) << QVariantMap() << "unknown variable"
            << QStringList{row("-", "warning", "$V{numbr}", "нет в программе")};
    QTest::newRow("organisation name of 240 characters, told once for all documents")
            << appendix << QVariantMap() << "long organisation"
            << QStringList{row("-", "error", "Название организации", "не помещается")};
    QTest::newRow("name too long for its line")
            << appendix
            << QVariantMap{{"fio1",
                            QStringLiteral("Константинопольская-Воскресенская-Преображенская")},
                           {"fio2", QStringLiteral("Александра-Виктория")},
                           {"fio3", QStringLiteral("Константиновна")}}
            << "" << QStringList{row("doc", "error", "ФИО", "не помещается")};
    // The form is not chosen yet: the prepositional name is printed on the boys' and girls'
    // certificates only.
    QTest::newRow("no form chosen: a long name found on the forms that print it")
            << 0 << QVariantMap() << "long prepositional name"
            << QStringList{row("-",
                               "error",
                               "Название организации - предложный падеж (о ком/о чем?)",
                               "сократите его в настройках организации (Файл → Настройки)",
                               "301,302")};
    const int girls = ReportList::Id254;
    QTest::newRow("a girl on the boys' blank")
            << boys
            << QVariantMap{{"fio2", QStringLiteral("Анна")}, {"fio3", QStringLiteral("Петровна")}}
            << ""
            << QStringList{row(
                       "doc", "error", "Пол", "Бланк «для мальчиков», а свидетельство девочки")};
    QTest::newRow("a boy on the girls' blank")
            << girls << QVariantMap() << ""
            << QStringList{
                       row("doc", "error", "Пол", "Бланк «для девочек», а свидетельство мальчика")};
    QTest::newRow("a girl by the answer kept, on the boys' blank")
            << boys << QVariantMap{{"fio3", ""}, {"gender", "f"}} << ""
            << QStringList{row("doc", "error", "Пол", "свидетельство девочки")};
    QTest::newRow("the answer kept fits the blank")
            << girls << QVariantMap{{"fio3", "Smith"}, {"gender", "f"}} << "" << QStringList();
    QTest::newRow("a hyphenated кызы fits the girls' blank")
            << girls << QVariantMap{{"fio3", QStringLiteral("Ахмед-кызы")}} << "" << QStringList();
    QTest::newRow("a foreign patronymic and no answer on a certificate")
            << boys << QVariantMap{{"fio3", "Smith"}} << ""
            << QStringList{row("doc", "warning", "Пол", "пол не указан")};
    QTest::newRow("the appendix is one blank for all")
            << appendix << QVariantMap{{"fio3", ""}} << "" << QStringList();
    QTest::newRow("twenty disciplines fit the appendix")
            << appendix << QVariantMap() << "20 disciplines" << QStringList();
    QTest::newRow("forty disciplines do not")
            << appendix << QVariantMap() << "40 disciplines"
            << QStringList{row("doc", "error", "Таблица предметов", "не помещаются")};
}

void TestPrintCheck::problems()
{
    QFETCH(int, form);
    QFETCH(QVariantMap, changes);
    QFETCH(QString, setup);
    QFETCH(QStringList, expected);

    int disciplines = 4;
    if (setup == "no disciplines")
        disciplines = 0;
    else if (setup == "20 disciplines")
        disciplines = 20;
    else if (setup == "40 disciplines")
        disciplines = 40;
    const int id = addDocument(changes, disciplines);
    const QVariantMap other{{"fio1", QStringLiteral("Сидоров")},
                            {"fio2", QStringLiteral("Иван")},
                            {"fio3", QStringLiteral("Ильич")},
                            {"number", "77 7777777"},
                            {"regNumber", "2048"}};
    if (setup == "twin number") {
        QVariantMap twin = other;
        twin.insert("number", "77 0123456");
        addDocument(twin);
    } else if (setup == "twin registration") {
        QVariantMap twin = other;
        twin.insert("regNumber", "1024");
        addDocument(twin);
    } else if (setup == "template number") {
        addDocument({{"isTemplate", 1}, {"fio1", QStringLiteral("4А, 2024")}});
    } else if (setup == "ungraded") {
        PrintingFixture::addDetails(id, {{QStringLiteral("Математика"), QString()}});
    } else if (setup.startsWith("also ")) {
        QList<QPair<QString, QString>> rows;
        for (const QString &name : setup.mid(5).split(';'))
            rows << qMakePair(name, QStringLiteral("5"));
        PrintingFixture::addDetails(id, rows);
    } else if (setup == "no city") {
        Database::setVariable("Data/City", QString());
    } else if (setup == "plain template") {
        PrintingFixture::writeTemplate(form, 2);
    } else if (setup == "unknown variable") {
        PrintingFixture::writeTemplate(form, 1, false, QStringLiteral("$V{Full_Name} $V{Numbr}"));
    } else if (setup == "long prepositional name") {
        Database::setVariable("Data/OrgName_3", longOrganisation());
    } else if (setup == "long organisation") {
        Database::setVariable("Data/OrgName_1", longOrganisation());
        // Checked with a second document: the organisation's line is told once.
        addDocument(other);
    }
    // Documents other than the one checked are in the register, not in the check.
    QList<int> ids{id};
    if (setup == "long organisation")
        ids << id + 1;

    QStringList found;
    if (form == 0) {
        // As from the menu, before anyone chose a form.
        PrintController controller(nullptr, nullptr);
        controller.checkDocuments(ids);
        found = rows(controller.checkDialog()->problems(), id);
        controller.checkDialog()->close();
    } else {
        PrintCheck check(form);
        found = rows(check.check(ids), id);
    }
    QCOMPARE(found.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QStringList want = expected.at(i).split(QLatin1Char('\t'));
        const QStringList got = found.at(i).split(QLatin1Char('\t'));
        QCOMPARE(got.mid(0, 3), want.mid(0, 3));
        QVERIFY2(got.at(3).contains(want.at(3)), qPrintable(got.at(3)));
        QCOMPARE(got.at(4), want.at(4));
    }
}

void TestPrintCheck::cleanDocumentOnEveryForm()
{
    const int boy = addDocument({}, 20);
    const int girl = addDocument({{"fio2", QStringLiteral("Анна")},
                                  {"fio3", QStringLiteral("Петровна")},
                                  {"number", "77 0123457"},
                                  {"regNumber", "1025"}},
                                 20);
    for (const ReportListEntry *entry : ReportList::entries()) {
        const int id = entry->type == ReportList::Id254 ? girl : boy;
        PrintCheck check(entry->type);
        QCOMPARE(rows(check.check({id}), id), QStringList());
    }
}

void TestPrintCheck::commandLine_data()
{
    QTest::addColumn<QString>("documents");
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines"); // ids as 1, 2, 3 of the register below

    QTest::newRow("an empty name, a number twice, a long organisation name")
            << "troubled"
            << "304" << 3
            << QStringList{"-\terror\tНазвание организации\tТекст не помещается в поле бланка и "
                           "будет обрезан при печати: сократите его в настройках организации "
                           "(Файл → Настройки).",
                           "1\terror\tИмя\tНе указано имя.",
                           "2\terror\tНомер свидетельства\tНомер 1002 указан и в документе "
                           "«Сидоров Сидор Сидорович».",
                           "3\terror\tНомер свидетельства\tНомер 1002 указан и в документе "
                           "«Петров Пётр Петрович»."};
    QTest::newRow("only a doubtful age") << "young"
                                         << "id253" << 4
                                         << QStringList{"1\twarning\tДата рождения\tНа дату выдачи "
                                                        "ученику 2 года: проверьте дату рождения "
                                                        "30.09.2021 (обычно от 9 до 18 лет)."};
    QTest::newRow("a girl on the boys' blank")
            << "girl"
            << "301" << 3
            << QStringList{"1\terror\tПол\tБланк «для мальчиков», "
                           "а свидетельство девочки: выберите "
                           "бланк «для девочек»."};
    QTest::newRow("nothing wrong") << "clean"
                                   << "303" << 0 << QStringList();
    QTest::newRow("unknown form") << "clean"
                                  << "305" << 1 << QStringList();
}

void TestPrintCheck::commandLine()
{
    QFETCH(QString, documents);
    QFETCH(QString, form);
    QFETCH(int, status);
    QFETCH(QStringList, lines);

    QList<int> ids;
    if (documents == "troubled") {
        ids << addDocument({{"fio2", ""}, {"number", "1001"}, {"regNumber", "1"}});
        ids << addDocument({{"number", "1002"}, {"regNumber", "2"}});
        ids << addDocument({{"fio1", QStringLiteral("Сидоров")},
                            {"fio2", QStringLiteral("Сидор")},
                            {"fio3", QStringLiteral("Сидорович")},
                            {"number", "1002"},
                            {"regNumber", "3"}});
        Database::setVariable("Data/OrgName_1", longOrganisation());
    } else if (documents == "young") {
        ids << addDocument({{"birthDate", "2021-09-30"}});
    } else if (documents == "girl") {
        ids << addDocument(
                {{"fio2", QStringLiteral("Анна")}, {"fio3", QStringLiteral("Петровна")}});
    } else {
        ids << addDocument();
    }
    QStringList idText;
    for (int id : qAsConst(ids))
        idText << QString::number(id);
    Database::destroy(); // the program opens the register itself

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", m_fixture.dataHome());
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(ZRPS_BINARY, {"--check", "--form", form, "--doc", idText.join(',')});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), status);
    QString out = QString::fromUtf8(process.readAllStandardOutput());
    for (int i = 0; i < ids.size(); ++i)
        out.replace(QRegularExpression(QStringLiteral("^%1\t").arg(ids.at(i)),
                                       QRegularExpression::MultilineOption),
                    QStringLiteral("%1\t").arg(i + 1));
    QCOMPARE(out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), lines);
    if (status == 1)
        QVERIFY(!process.readAllStandardError().isEmpty());
}

void TestPrintCheck::doubleClickOpensTheDocument_data()
{
    QTest::addColumn<bool>("beforePrint");
    QTest::addColumn<int>("clicked"); // the row: 0 the organisation's name, 1 the nameless pupil
    QTest::newRow("the check list stays open") << false << 1;
    QTest::newRow("before a print the print is called off") << true << 1;
    QTest::newRow("the organisation's row opens its options") << false << 0;
    QTest::newRow("its options before a print, the print called off") << true << 0;
}

void TestPrintCheck::doubleClickOpensTheDocument()
{
    QFETCH(bool, beforePrint);
    QFETCH(int, clicked);

    const int clean = addDocument();
    const int nameless = addDocument({{"fio2", ""}, {"number", "1001"}, {"regNumber", "1"}});
    const int young
            = addDocument({{"birthDate", "2020-01-01"}, {"number", "1002"}, {"regNumber", "2"}});
    Database::setVariable("Data/OrgName_1", longOrganisation());
    auto *dialog = new PrintCheckDialog({clean, nameless, young},
                                        ReportList::Id3382,
                                        beforePrint ? PrintCheckDialog::Mode::BeforePrint
                                                    : PrintCheckDialog::Mode::Check);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->resize(1000, 360);
    dialog->show();
    auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("tableWidgetProblems"));
    QStringList shown;
    for (int row = 0; row < table->rowCount(); ++row)
        shown << table->item(row, 0)->text() + QLatin1Char('/') + table->item(row, 2)->text();
    QCOMPARE(shown,
             (QStringList{"Все документы/Название организации",
                          "Петров Петрович/Имя",
                          "Петров Пётр Петрович/Дата рождения"}));
    QCOMPARE(dialog->findChild<QComboBox *>(QStringLiteral("comboBoxForm"))->isEnabled(),
             !beforePrint);
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QCoreApplication::sendPostedEvents();
        dialog->grab().save(folder
                            + (beforePrint ? QStringLiteral("/check-before-print.png")
                                           : QStringLiteral("/check-list.png")));
    }

    QSignalSpy open(dialog, &PrintCheckDialog::documentOpenRequested);
    QSignalSpy options(dialog, &PrintCheckDialog::organisationOptionsRequested);
    QSignalSpy finished(dialog, &QDialog::finished);
    const auto doubleClick = [table](int row) {
        const QPoint at = table->visualItemRect(table->item(row, 3)).center();
        // A view takes a double click for the item it saw pressed first.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(clicked);
    QCOMPARE(open.count(), clicked == 1 ? 1 : 0);
    if (clicked == 1)
        QCOMPARE(open.first().first().toInt(), nameless);
    QCOMPARE(options.count(), clicked == 0 ? 1 : 0);
    QCOMPARE(finished.count(), beforePrint ? 1 : 0);
    QCOMPARE(dialog->isVisible(), !beforePrint);
    dialog->close();
}

ZR_TEST_MAIN(TestPrintCheck)
#include "tst_printcheck.moc"
