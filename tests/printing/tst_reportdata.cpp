#include "database/database.h"
#include "printing/reportinfo.h"
#include "printing/reportlist.h"
#include "printingfixture.h"
#include "testhome.h"

#include "ZrReport/reportpage.h"

#include <QPointer>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStandardItemModel>

class TestReportData : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formList_data();
    void formList();
    void findForm_data();
    void findForm();
    void genitiveDate_data();
    void genitiveDate();
    void shortName_data();
    void shortName();
    void documentVariables_data();
    void documentVariables();
    void issueDateUnusable_data();
    void issueDateUnusable();
    void variableFoundWhateverTheCase_data();
    void variableFoundWhateverTheCase();
    void vanishedDocumentSetsNothing();
    void designerSampleIsFirstRowOfAnyKind();
    void designerOnEmptyRegister();
    void viewModelRows();
    void viewModelHoldsEveryRow();
    void viewModelGoesWithItsPage();
    void refillReleasesOnlyItsOwnModel();

private:
    PrintingFixture m_fixture;
};

void TestReportData::init()
{
    m_fixture.start();
}

void TestReportData::cleanup()
{
    m_fixture.stop();
}

void TestReportData::formList_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");

    QTest::newRow("boys' certificate first")
            << 0 << 301 << "id253"
            << "Бланк свидетельства об окончании начальной школы для мальчиков"
            << "Бланк свидетельства об окончании начальной школы, без обложки (ФЗ №273 от "
               "29.12.12, установленный образец, вариант \"для мальчиков\")";
    QTest::newRow("girls' certificate after the boys' pattern")
            << 1 << 302 << "id254"
            << "Бланк свидетельства об окончании начальной школы для девочек"
            << "Бланк свидетельства об окончании начальной школы, без обложки (ФЗ №273 от "
               "29.12.12, установленный образец, вариант \"для девочек\")";
    QTest::newRow("certificate of the second kind")
            << 2 << 303 << "id3339"
            << "Бланк свидетельства об окончании начальной школы второго вида"
            << "Бланк свидетельства об окончании начальной школы (ФЗ №273 от 29.12.12, "
               "установленный образец, второго вида)";
    QTest::newRow("appendix last")
            << 3 << 304 << "id3382"
            << "Бланк приложения к свидетельству об окончании начальной школы"
            << "Бланк приложения к свидетельству об окончании начальной школы (ФЗ №273 от "
               "29.12.12, установленный образец)";
}

void TestReportData::formList()
{
    QFETCH(int, row);
    QFETCH(int, type);
    QFETCH(QString, id);
    QFETCH(QString, name);
    QFETCH(QString, description);

    QCOMPARE(ReportList::entries().size(), 4);
    const ReportListEntry *entry = ReportList::entries().at(row);
    QCOMPARE(int(entry->type), type);
    QCOMPARE(entry->id, id);
    QCOMPARE(entry->name, name);
    QCOMPARE(entry->description, description);
    QCOMPARE(ReportList::entry(type), entry);
    QVERIFY(bool(entry->fill));
}

void TestReportData::findForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");

    QTest::newRow("type number") << "304" << 304;
    QTest::newRow("identifier") << "id253" << 301;
    QTest::newRow("identifier in capitals") << "ID3339" << 303;
    QTest::newRow("number outside the list") << "305" << 0;
    QTest::newRow("unknown identifier") << "id999" << 0;
    QTest::newRow("empty") << "" << 0;
}

void TestReportData::findForm()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    const ReportListEntry *entry = ReportList::find(text);
    QCOMPARE(entry ? int(entry->type) : 0, type);
}

void TestReportData::genitiveDate_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("text");

    QTest::newRow("single-digit day gets a leading zero") << QDate(2003, 1, 7) << "07 января 2003";
    QTest::newRow("day nine still padded") << QDate(2012, 3, 9) << "09 марта 2012";
    QTest::newRow("day ten not padded") << QDate(2012, 3, 10) << "10 марта 2012";
    QTest::newRow("May in the genitive") << QDate(2013, 5, 25) << "25 мая 2013";
    QTest::newRow("December, last month") << QDate(2011, 12, 25) << "25 декабря 2011";
    QTest::newRow("invalid date gives nothing") << QDate() << "";
}

void TestReportData::genitiveDate()
{
    QFETCH(QDate, date);
    QFETCH(QString, text);
    QCOMPARE(ReportInfo::genitiveDate(date), text);
}

void TestReportData::shortName_data()
{
    QTest::addColumn<QString>("full");
    QTest::addColumn<QString>("shortened");

    QTest::newRow("three words give two initials") << "Фамилия Имя Отчество"
                                                   << "Фамилия И. О.";
    QTest::newRow("initials are upper-cased") << "Фамилия имя отчество"
                                              << "Фамилия И. О.";
    QTest::newRow("two words give one initial") << "Сидорова Анна"
                                                << "Сидорова А.";
    QTest::newRow("single word unchanged") << "Сидорова"
                                           << "Сидорова";
    QTest::newRow("four words: the last two become initials") << "Мамин Сибиряк Дмитрий Наркисович"
                                                              << "Мамин Сибиряк Д. Н.";
    QTest::newRow("no patronymic: no stray full stop") << "Иванов Иван "
                                                       << "Иванов И. ";
    QTest::newRow("all three parts empty: no full stops") << "  "
                                                          << "  ";
    QTest::newRow("empty text") << ""
                                << "";
}

void TestReportData::shortName()
{
    QFETCH(QString, full);
    QFETCH(QString, shortened);
    QCOMPARE(ReportInfo::shortName(full), shortened);
}

void TestReportData::documentVariables_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("text");

    QTest::newRow("Last_Name as stored") << "Last_Name"
                                         << "Петров";
    QTest::newRow("First_Name as stored") << "First_Name"
                                          << "пётр";
    QTest::newRow("Middle_Name as stored") << "Middle_Name"
                                           << "Петрович";
    QTest::newRow("Full_Name joined by single spaces") << "Full_Name"
                                                       << "Петров пётр Петрович";
    QTest::newRow("Full_Name_short upper-cases initials") << "Full_Name_short"
                                                          << "Петров П. П.";
    QTest::newRow("Number") << "Number"
                            << "77 123456";
    QTest::newRow("birth_Date in words") << "birth_Date"
                                         << "07 января 2003";
    QTest::newRow("birth_Date_digit") << "birth_Date_digit"
                                      << "07.01.2003";
    QTest::newRow("Issue_Out in words") << "Issue_Out"
                                        << "25 мая 2013";
    QTest::newRow("Issue_Out_digit") << "Issue_Out_digit"
                                     << "25.05.2013";
    QTest::newRow("Issue_Out_year") << "Issue_Out_year"
                                    << "2013";
    QTest::newRow("Reg_Number from regNumber") << "Reg_Number"
                                               << "15";
    QTest::newRow("Decision from decision") << "Decision"
                                            << "протокол № 7";
    QTest::newRow("After_Classes_Courses from add1") << "After_Classes_Courses"
                                                     << "Шахматы";
    QTest::newRow("Programs_Of_Add_Education from add2") << "Programs_Of_Add_Education"
                                                         << "Хоровое пение";
    QTest::newRow("Results_Of_Olympiads from add3") << "Results_Of_Olympiads"
                                                    << "Олимпиада";
    QTest::newRow("Meta_Results from add4") << "Meta_Results"
                                            << "Умеет";
    QTest::newRow("Person_Character from add5") << "Person_Character"
                                                << "Аккуратен";
    QTest::newRow("School_Class from schoolClass") << "School_Class"
                                                   << "4А";
    QTest::newRow("Boss1 as stored, found whatever the case of its key") << "Boss1"
                                                                         << "Сидорова Анна";
    QTest::newRow("Boss1_short of a two-word head has one initial") << "Boss1_short"
                                                                    << "Сидорова А.";
    QTest::newRow("City") << "City"
                          << "Тверь";
    QTest::newRow("OrgName") << "OrgName"
                             << "МБОУ \"СОШ № 1\"";
    QTest::newRow("OrgName_roditelniy") << "OrgName_roditelniy"
                                        << "МБОУ \"СОШ № 1\" (род.)";
    QTest::newRow("OrgName_predlojniy") << "OrgName_predlojniy"
                                        << "МБОУ \"СОШ № 1\" (предл.)";
}

void TestReportData::documentVariables()
{
    QFETCH(QString, variable);
    QFETCH(QString, text);

    const int id = PrintingFixture::addDocument({{"fio1", QStringLiteral("Петров")},
                                                 {"fio2", QStringLiteral("пётр")},
                                                 {"fio3", QStringLiteral("Петрович")},
                                                 {"birthDate", "2003-01-07"},
                                                 {"number", "77 123456"},
                                                 {"regNumber", "15"},
                                                 {"issueDate", "2013-05-25"},
                                                 {"decision", QStringLiteral("протокол № 7")},
                                                 {"add1", QStringLiteral("Шахматы")},
                                                 {"add2", QStringLiteral("Хоровое пение")},
                                                 {"add3", QStringLiteral("Олимпиада")},
                                                 {"add4", QStringLiteral("Умеет")},
                                                 {"add5", QStringLiteral("Аккуратен")},
                                                 {"schoolClass", QStringLiteral("4А")}});
    Database::setVariable(QStringLiteral("Data/Boss_1"), QStringLiteral("Сидорова Анна"));
    Database::setVariable(QStringLiteral("Data/City"), QStringLiteral("Тверь"));
    Database::setVariable(QStringLiteral("Data/OrgName_1"), QStringLiteral("МБОУ \"СОШ № 1\""));
    Database::setVariable(QStringLiteral("Data/OrgName_2"),
                          QStringLiteral("МБОУ \"СОШ № 1\" (род.)"));
    Database::setVariable(QStringLiteral("Data/OrgName_3"),
                          QStringLiteral("МБОУ \"СОШ № 1\" (предл.)"));

    ReportPage page;
    ReportList::entry(ReportList::Id253)->fill(&page, id, true);
    QVERIFY(page.variables.contains(variable.toLower()));
    QCOMPARE(page.variables.value(variable.toLower()).toString(), text);
}

void TestReportData::issueDateUnusable_data()
{
    QTest::addColumn<QVariant>("issueDate");

    QTest::newRow("empty text") << QVariant(QString());
    QTest::newRow("NULL") << QVariant();
    QTest::newRow("not a yyyy-MM-dd date") << QVariant(QStringLiteral("25.05.2013"));
    QTest::newRow("impossible day") << QVariant(QStringLiteral("2013-02-30"));
}

void TestReportData::issueDateUnusable()
{
    QFETCH(QVariant, issueDate);
    const int id = PrintingFixture::addDocument(
            {{"fio1", QStringLiteral("Петров")}, {"issueDate", issueDate}});
    ReportPage page;
    ReportInfo::loadData(&page, id, true);
    for (const char *name : {"issue_out", "issue_out_digit", "issue_out_year"}) {
        QVERIFY2(page.variables.contains(QString::fromLatin1(name)), name);
        QCOMPARE(page.variables.value(QString::fromLatin1(name)).toString(), QString());
    }
}

void TestReportData::variableFoundWhateverTheCase_data()
{
    QTest::addColumn<QString>("expression");

    QTest::newRow("as the table writes it") << "$V{Full_Name}";
    QTest::newRow("lower case") << "$V{full_name}";
    QTest::newRow("capitals and blanks") << "$V{ FULL_NAME }";
}

void TestReportData::variableFoundWhateverTheCase()
{
    QFETCH(QString, expression);
    const int id = PrintingFixture::addSampleDocument();
    ReportPage page;
    ReportInfo::loadData(&page, id, true);
    QCOMPARE(page.replaceFromVariables(expression), QStringLiteral("Петров Пётр Петрович"));
}

void TestReportData::vanishedDocumentSetsNothing()
{
    PrintingFixture::addSampleDocument();
    ReportPage page;
    ReportInfo::loadData(&page, 9999, true);
    QVERIFY(page.variables.isEmpty());
    QVERIFY(!page.getModel(QStringLiteral("view")));
}

void TestReportData::designerSampleIsFirstRowOfAnyKind()
{
    PrintingFixture::addDocument({{"isTemplate", 1},
                                  {"fio1", QStringLiteral("Шаблон 4А")},
                                  {"schoolClass", QStringLiteral("4А")}});
    const int pupil = PrintingFixture::addSampleDocument();
    ReportPage page;
    ReportInfo::loadData(&page, 0, false);
    QCOMPARE(page.variables.value("last_name").toString(), QStringLiteral("Шаблон 4А"));
    // The designer offers the class among its variables, with the sample's value.
    QCOMPARE(page.variables.value("school_class").toString(), QStringLiteral("4А"));
    QAbstractItemModel *view = page.getModel(QStringLiteral("view"));
    QVERIFY(view);
    QCOMPARE(view->rowCount(), 0);
    QVERIFY(pupil > 0);
}

void TestReportData::designerOnEmptyRegister()
{
    Database::setVariable(QStringLiteral("Data/City"), QStringLiteral("Тверь"));
    ReportPage page;
    ReportInfo::loadData(&page, 0, false);
    QCOMPARE(page.variables.value("last_name").toString(), QString());
    QCOMPARE(page.variables.value("full_name_short").toString().trimmed(), QString());
    QCOMPARE(page.variables.value("city").toString(), QStringLiteral("Тверь"));
    QVERIFY(page.getModel(QStringLiteral("view")));
}

void TestReportData::viewModelRows()
{
    const int other = PrintingFixture::addSampleDocument(2);
    const int id = PrintingFixture::addSampleDocument(3);
    ReportPage page;
    ReportInfo::loadData(&page, id, true);
    QAbstractItemModel *view = page.getModel(QStringLiteral("VIEW"));
    QVERIFY(view);
    QCOMPARE(view->rowCount(), 3);
    QStringList titles;
    for (int c = 0; c < view->columnCount(); ++c)
        titles << view->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles,
             QStringList({"psId",
                          "psDetId",
                          "disciplineName",
                          "disciplineRateDigit",
                          "rowNumber",
                          "disciplineRateText",
                          "disciplineRate"}));
    QCOMPARE(view->index(0, 2).data().toString(), QStringLiteral("Русский язык"));
    QCOMPARE(view->index(2, 4).data().toInt(), 3);
    QCOMPARE(view->index(1, 6).data().toString(), QStringLiteral("4 (Хорошо)"));
    QVERIFY(other != id);
}

void TestReportData::viewModelHoldsEveryRow()
{
    // More rows than the SQL driver hands out in its first batch.
    const int id = PrintingFixture::addSampleDocument(300);
    ReportPage page;
    ReportInfo::loadData(&page, id, true);
    QCOMPARE(page.getModel(QStringLiteral("view"))->rowCount(), 300);
}

void TestReportData::viewModelGoesWithItsPage()
{
    const int id = PrintingFixture::addSampleDocument();
    auto *page = new ReportPage;
    ReportInfo::loadData(page, id, true);
    QPointer<QAbstractItemModel> view = page->getModel(QStringLiteral("view"));
    QVERIFY(view);
    delete page;
    QVERIFY(view.isNull());
}

void TestReportData::refillReleasesOnlyItsOwnModel()
{
    const int id = PrintingFixture::addSampleDocument();
    ReportPage page;
    ReportInfo::loadData(&page, id, true);
    QPointer<QAbstractItemModel> first = page.getModel(QStringLiteral("view"));
    ReportInfo::loadData(&page, id, true);
    QVERIFY(first.isNull());
    QCOMPARE(page.findChildren<QSqlQueryModel *>().size(), 1);

    // A model the caller registered stays the caller's.
    QStandardItemModel mine;
    page.addModel(QStringLiteral("view"), &mine, false);
    ReportInfo::loadData(&page, id, true);
    QCOMPARE(mine.rowCount(), 0);
    QVERIFY(page.getModel(QStringLiteral("view")) != &mine);
    QCOMPARE(page.findChildren<QSqlQueryModel *>().size(), 2);
}

ZR_TEST_MAIN(TestReportData)
#include "tst_reportdata.moc"
