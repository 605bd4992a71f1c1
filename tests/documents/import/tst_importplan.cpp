#include "../editfixture.h"
#include "classlist.h"
#include "database/registerlock.h"
#include "documents/documentstore.h"
#include "documents/history/documenthistory.h"
#include "documents/history/documentsnapshot.h"
#include "documents/import/documentimporter.h"
#include "documents/import/importcommand.h"
#include "documents/import/importnormalizer.h"
#include "documents/import/importplan.h"
#include "documents/import/importsource.h"
#include "faultchild.h"
#include "testhome.h"

#include <QMap>
#include <QProcess>
#include <QSqlRecord>
#include <QTextCodec>

namespace {

// A table as the CSV reader gives it: ";" between cells, lines numbered from 1.
ImportTable table(const QString &text)
{
    ImportTable result;
    QString error;
    if (!CsvReader::parse(text, QLatin1Char(';'), &result, &error))
        qWarning() << error;
    return result;
}

QStringList fieldTitles(const ImportMapping &mapping)
{
    QStringList titles;
    for (ImportMapping::Field field : mapping.columns)
        titles << ImportMapping::title(field);
    return titles;
}

// Every row of the register, for comparing what another process left behind.
QStringList registerRows()
{
    QStringList rows;
    for (const QString &table : {"PsDocuments", "PsDocumentDetails"}) {
        QSqlQuery query(QString("SELECT * FROM %1").arg(table));
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << query.value(i).toString();
            rows << values.join('|');
        }
    }
    return rows;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

const ImportMapping::Field S = ImportMapping::Surname;
const ImportMapping::Field F = ImportMapping::FullName;
const ImportMapping::Field D = ImportMapping::Discipline;
const ImportMapping::Field I = ImportMapping::Ignore;

} // namespace

Q_DECLARE_METATYPE(QList<ImportMapping::Field>)

class TestImportPlan : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fixture.start(); }
    void cleanup() { m_fixture.stop(); }

    void grades_data();
    void grades();
    void dates_data();
    void dates();
    void guessFromHeaders_data();
    void guessFromHeaders();
    void rememberedMapping();
    void lineProblems_data();
    void lineProblems();
    void templateValuesUnderImportedColumns();
    void knownSubjects_data();
    void knownSubjects();
    void allOrNothing_data();
    void allOrNothing();
    void commandLine_data();
    void commandLine();

private:
    EditFixture m_fixture;
};

void TestImportPlan::grades_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("grade");

    QTest::newRow("digit with blanks") << " 4 " << true << "4";
    QTest::newRow("two is a grade of the program") << "2" << true << "2";
    QTest::newRow("excellent in capitals") << "ОТЛИЧНО" << true << "5";
    QTest::newRow("good") << "хорошо" << true << "4";
    QTest::newRow("satisfactory") << "Удовлетворительно" << true << "3";
    QTest::newRow("unsatisfactory") << "неудовлетворительно" << true << "2";
    QTest::newRow("pass with ё") << "зачёт" << true << "Освоено";
    QTest::newRow("pass with е") << "Зачет" << true << "Освоено";
    QTest::newRow("passed") << "зачтено" << true << "Освоено";
    QTest::newRow("mastered in lower case") << "освоено" << true << "Освоено";
    QTest::newRow("printed form") << "4 (Хорошо)" << true << "4";
    QTest::newRow("printed form that contradicts itself") << "5 (Хорошо)" << false << "";
    QTest::newRow("empty cell: no grade") << "  " << true << "";
    QTest::newRow("abbreviation") << "хор" << false << "";
    QTest::newRow("out of scale") << "6" << false << "";
    QTest::newRow("plus sign") << "5+" << false << "";
}

void TestImportPlan::grades()
{
    QFETCH(QString, cell);
    bool ok = !QTest::currentDataTag();
    QTEST(ImportNormalizer::grade(cell, &ok), "grade");
    QTEST(ok, "ok");
}

void TestImportPlan::dates_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("daySerials");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QDate>("date");

    const int none = ImportTable::NoDaySerials;
    const int from1900 = ImportTable::DaysFrom1900;
    QTest::newRow("dd.MM.yyyy") << "03.04.2014" << none << true << QDate(2014, 4, 3);
    QTest::newRow("d.M.yy in this century") << "3.4.14" << none << true << QDate(2014, 4, 3);
    QTest::newRow("d.M.yy of the last century") << "3.4.99" << none << true << QDate(1999, 4, 3);
    QTest::newRow("yyyy-MM-dd") << "2014-04-03" << none << true << QDate(2014, 4, 3);
    QTest::newRow("with a time of day")
            << "03.04.2014 0:00:00" << none << true << QDate(2014, 4, 3);
    QTest::newRow("ISO with a time") << "2014-04-03T00:00:00" << none << true << QDate(2014, 4, 3);
    QTest::newRow("day that does not exist") << "31.02.2014" << none << false << QDate();
    QTest::newRow("day number of a workbook") << "41730" << from1900 << true << QDate(2014, 4, 1);
    // 40268 days after 1.1.1904 is 1.4.2014; counted from 1900 it would be four years early.
    QTest::newRow("day number of a workbook counting from 1904")
            << "40268" << int(ImportTable::DaysFrom1904) << true << QDate(2014, 4, 1);
    QTest::newRow("day number in a text table") << "41730" << none << false << QDate();
    QTest::newRow("American order") << "04/03/2014" << none << false << QDate();
    QTest::newRow("words") << "вчера" << none << false << QDate();
    QTest::newRow("empty cell: no date") << "" << none << true << QDate();
}

void TestImportPlan::dates()
{
    QFETCH(QString, cell);
    QFETCH(int, daySerials);
    bool ok = false;
    QTEST(ImportNormalizer::date(cell, ImportTable::DaySerials(daySerials), &ok), "date");
    QTEST(ok, "ok");
}

void TestImportPlan::guessFromHeaders_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QList<ImportMapping::Field>>("fields");

    QTest::newRow("counter and separate names")
            << "№;Фамилия;Имя;Отчество;Дата рождения\n1;Иванов;Иван;Иванович;01.02.2014" << true
            << QList<ImportMapping::Field>{I,
                                           S,
                                           ImportMapping::Name,
                                           ImportMapping::Patronymic,
                                           ImportMapping::BirthDate};
    QTest::newRow("school system export")
            << "ФИО обучающегося;Дата рожд.;№ свидетельства;Рег. №;Дата выдачи\n"
               "Иванов Иван;01.02.2014;1;2;25.05.2024"
            << true
            << QList<ImportMapping::Field>{F,
                                           ImportMapping::BirthDate,
                                           ImportMapping::Number,
                                           ImportMapping::RegNumber,
                                           ImportMapping::IssueDate};
    QTest::newRow("headers with notes, capitals and punctuation")
            << "ФАМИЛИЯ, ИМЯ, ОТЧЕСТВО;Дата рождения (дд.мм.гггг);Ф.И.О.\nИванов;1.2.14;x" << true
            << QList<ImportMapping::Field>{F, ImportMapping::BirthDate, F};
    QTest::newRow("grade columns are disciplines, remarks are not")
            << "Фамилия;Русский язык;Примечание;Музыка\nИванов;5;переведён;зачёт\nПетров;4;;"
            << true << QList<ImportMapping::Field>{S, D, I, D};
    QTest::newRow("appendix sections by their titles")
            << "Фамилия;Курсы внеурочной деятельности;Личностные результаты\nИванов;Шахматы;x"
            << true
            << QList<ImportMapping::Field>{S, ImportMapping::Section1, ImportMapping::Section5};
    QTest::newRow("no header: the full name and the date from the cells")
            << "Иванов Иван Иванович;01.02.2014;5\nПетрова Анна;03.04.2014;4" << false
            << QList<ImportMapping::Field>{F, ImportMapping::BirthDate, I};
    QTest::newRow("unknown headers above grades")
            << "Ученик 4А;Чтение\nИванов Иван;5" << true << QList<ImportMapping::Field>{I, D};
    QTest::newRow("a subject's short name is a discipline even where its grades are not read")
            << "Фамилия;Физ-ра;ИЗО\nИванов;осв;5" << true << QList<ImportMapping::Field>{S, D, D};
    QTest::newRow("the class column") << "ФИО;Класс\nИванов Иван;4А" << true
                                      << QList<ImportMapping::Field>{F, ImportMapping::SchoolClass};
    QTest::newRow("bare Номер is a class teacher's counter until the user says otherwise")
            << "Номер;Фамилия\n1;Иванов\n2;Петров" << true << QList<ImportMapping::Field>{I, S};
}

void TestImportPlan::guessFromHeaders()
{
    QFETCH(QString, text);
    QFETCH(QList<ImportMapping::Field>, fields);
    const ImportTable sheet = table(text);
    QTEST(ImportMapping::firstRowIsHeader(sheet), "header");
    QFETCH(bool, header);
    QCOMPARE(fieldTitles(ImportMapping::guess(sheet, header)),
             fieldTitles(ImportMapping{fields.toVector(), header}));
}

void TestImportPlan::rememberedMapping()
{
    const ImportTable first = table("ФИО;Примечание;Русский язык;ИЗО\nИванов Иван;кружок;5;5");
    ImportMapping chosen = ImportMapping::guess(first, true);
    QCOMPARE(fieldTitles(chosen), fieldTitles(ImportMapping{{F, I, D, D}, true}));
    QCOMPARE(chosen.subject(3), QString("Изобразительное искусство"));
    chosen.columns = {F, ImportMapping::Section1, I, D};
    chosen.subjects[3] = QString(); // a subject of its own, named "ИЗО"
    chosen.remember(first);

    // Another file with the same headers in another order, and "ФИО" written differently.
    const ImportTable next = table("русский ЯЗЫК;Примечание;ф.и.о.;Изо\n4;секция;Петров Пётр;5");
    QVERIFY(ImportMapping::firstRowIsHeader(next));
    const ImportMapping guessed = ImportMapping::guess(next, true);
    QCOMPARE(fieldTitles(guessed),
             fieldTitles(ImportMapping{{I, ImportMapping::Section1, F, D}, true}));
    QCOMPARE(guessed.subject(3), QString());
}

void TestImportPlan::lineProblems_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<int>("accepted");

    QTest::newRow("clean table") << "Фамилия;Номер свидетельства;Чтение\nИванов;7;5\nПетров;8;4"
                                 << QStringList() << 2;
    QTest::newRow("missing surname, bad date, unknown grade, each on its line")
            << "Фамилия;Дата рождения;Чтение\n;01.02.2014;5\nПетров;31.02.2014;4\n"
               "Сидоров;01.02.2014;хор\nОрлов;;5"
            << QStringList{"Строка 2: не указана фамилия",
                           "Строка 3: не удалось прочитать дату рождения «31.02.2014»",
                           "Строка 4: неизвестная оценка «хор» по дисциплине «Чтение»"}
            << 1;
    QTest::newRow("number issued before; a template's number does not count")
            << "Фамилия;Номер свидетельства\nИванов;1001\nПетров;5000"
            << QStringList{"Строка 2: свидетельство с номером 1001 уже есть в реестре"} << 1;
    QTest::newRow("number twice in the file marks both lines")
            << "Фамилия;Номер свидетельства\nИванов;7\nПетров;8\nСидоров; 7 "
            << QStringList{"Строка 2: номер 7 указан и в строке 4",
                           "Строка 4: номер 7 указан и в строке 2"}
            << 1;
    QTest::newRow("registration number issued before, in other case and blanks")
            << "Фамилия;Регистрационный номер\nИванов;р- 17\nПетров;Р-99"
            << QStringList{"Строка 2: регистрационный номер р- 17 уже есть в реестре"} << 1;
    QTest::newRow("registration number twice in the file marks both lines")
            << "Фамилия;Рег. номер\nИванов;12\nПетров;12"
            << QStringList{"Строка 2: регистрационный номер 12 указан и в строке 3",
                           "Строка 3: регистрационный номер 12 указан и в строке 2"}
            << 0;
    QTest::newRow("no surname column stops everything")
            << "Имя;Чтение\nИван;5"
            << QStringList{"Не выбран столбец с фамилией или с ФИО в одном столбце."} << 1;
    QTest::newRow("one discipline in two columns stops everything")
            << "Фамилия;Чтение;ЧТЕНИЕ\nИванов;5;4"
            << QStringList{"Дисциплина «Чтение» выбрана в нескольких столбцах: B, C."} << 1;
}

void TestImportPlan::lineProblems()
{
    QFETCH(QString, text);
    EditFixture::insertRow({"Кузнецов", "", "", "", "1001", "Р-17"});
    EditFixture::Row templateRow{"Шаблон 4А", "", "", "", "5000", "Р-99"};
    templateRow.isTemplate = 1;
    EditFixture::insertRow(templateRow);

    const ImportTable sheet = table(text);
    const ImportPlan plan = ImportPlan::build(sheet, ImportMapping::guess(sheet, true), 0);
    QTEST(plan.problemTexts(), "problems");
    QTEST(int(plan.entries.size()), "accepted");
    QCOMPARE(plan.canImport(false), plan.problemTexts().isEmpty());
}

void TestImportPlan::templateValuesUnderImportedColumns()
{
    EditFixture::Row templateRow{"4А",
                                 "",
                                 "",
                                 "2000-01-01",
                                 "Т-1",
                                 "Р-1",
                                 "2024-05-25",
                                 "",
                                 "Решение совета",
                                 {"Курсы", "Программы", "Олимпиады", "Мета", "Личные"}};
    templateRow.isTemplate = 1;
    const int templateId = EditFixture::insertRow(templateRow);
    QVERIFY(EditFixture::exec(
            QString("UPDATE PsDocuments SET schoolClass = '4А' WHERE psId = %1").arg(templateId)));
    EditFixture::insertDetail(templateId, "Русский язык", "");
    EditFixture::insertDetail(templateId, "Математика", "Освоено");
    EditFixture::insertDetail(templateId, "Музыка", "Освоено");

    const ImportTable sheet = table("ФИО;Номер свидетельства;Дата рождения;математика;Чтение;Курсы "
                                    "внеурочной деятельности;Класс\n"
                                    "Иванов Иван Иванович;;03.04.2014;5;4;Шахматы;\n"
                                    "Петрова Анна;1002;;;;; 4 Б ");
    const ImportPlan plan = ImportPlan::build(sheet, ImportMapping::guess(sheet, true), templateId);
    QCOMPARE(plan.problemTexts(), QStringList());
    QList<int> ids;
    QString error;
    QVERIFY2(DocumentImporter::write(plan.entries, &ids, &error), qPrintable(error));
    QCOMPARE(ids.size(), 2);

    const QString columns = "SELECT fio1 || '|' || fio2 || '|' || fio3 || '|' || birthDate || '|' "
                            "|| number || '|' || regNumber || '|' || issueDate || '|' || decision "
                            "|| '|' || add1 || '|' || add5 || '|' || IFNULL(isTemplate, '') || '|' "
                            "|| schoolClass FROM PsDocuments WHERE psId = %1";
    // Numbers and the birth date are each pupil's own: the template's are never copied. The
    // class is the template's where the table gives none.
    QCOMPARE(EditFixture::scalar(columns.arg(ids.at(0))),
             "Иванов|Иван|Иванович|2014-04-03|||2024-05-25|Решение совета|Шахматы|Личные|0|4А");
    QCOMPARE(EditFixture::scalar(columns.arg(ids.at(1))),
             "Петрова|Анна|||1002||2024-05-25|Решение совета|Курсы|Личные|0|4 Б");
    // The template's disciplines keep their places; a grade from the table replaces theirs.
    QCOMPARE(EditFixture::appendix(ids.at(0)),
             QStringList({"Русский язык:", "Математика:5", "Музыка:Освоено", "Чтение:4"}));
    QCOMPARE(EditFixture::appendix(ids.at(1)),
             QStringList({"Русский язык:", "Математика:Освоено", "Музыка:Освоено"}));
    QCOMPARE(EditFixture::appendix(templateId),
             QStringList({"Русский язык:", "Математика:Освоено", "Музыка:Освоено"}));
}

void TestImportPlan::knownSubjects_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("templateDisciplines"); // none: no template
    QTest::addColumn<QStringList>("keptAsNew");           // headers the user gave no subject
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<QStringList>("appendix"); // of the first pupil

    QTest::newRow("ОРКСЭ fills the template's full subject: one row")
            << "ФИО;ОРКСЭ;Рус. яз.\nИванов Иван;Освоено;5"
            << QStringList{"Русский язык", "Основы религиозных культур и светской этики"}
            << QStringList() << QStringList()
            << QStringList{"Русский язык:5", "Основы религиозных культур и светской этики:Освоено"};
    QTest::newRow("short forms without a template take the subjects' full names")
            << "ФИО;Окр. мир;Лит. чтение;Англ. язык;Физкультура;ИЗО;Родной язык;Лит. чтение на "
               "родном языке;Музыка;Технология;математика\nИванов Иван;5;5;4;5;5;5;4;Освоено;5;3"
            << QStringList() << QStringList() << QStringList()
            << QStringList{"Окружающий мир:5",
                           "Литературное чтение:5",
                           "Английский язык:4",
                           "Физическая культура:5",
                           "Изобразительное искусство:5",
                           "Родной язык:5",
                           "Литературное чтение на родном языке:4",
                           "Музыка:Освоено",
                           "Технология:5",
                           "Математика:3"};
    QTest::newRow("the template's own name for the subject is kept")
            << "ФИО;Англ. яз.;окр.мир\nИванов Иван;5;4"
            << QStringList{"Иностранный язык (английский)",
                           "Окружающий мир (человек, природа, общество)"}
            << QStringList() << QStringList()
            << QStringList{"Иностранный язык (английский):5",
                           "Окружающий мир (человек, природа, общество):4"};
    QTest::newRow("reading in the native language is not reading")
            << "ФИО;Лит. чтение на род. яз.;Лит. чтение\nИванов Иван;4;5"
            << QStringList{"Литературное чтение", "Литературное чтение на родном языке"}
            << QStringList() << QStringList()
            << QStringList{"Литературное чтение:5", "Литературное чтение на родном языке:4"};
    QTest::newRow("a subject that matches nothing is new, named as the table names it")
            << "ФИО;Шахматы\nИванов Иван;5" << QStringList{"Музыка"} << QStringList()
            << QStringList() << QStringList{"Музыка:", "Шахматы:5"};
    QTest::newRow("a subject the user keeps as new stays apart from the template's")
            << "ФИО;ИЗО\nИванов Иван;5" << QStringList{"Изобразительное искусство"}
            << QStringList{"ИЗО"} << QStringList()
            << QStringList{"Изобразительное искусство:", "ИЗО:5"};
    QTest::newRow("one subject in two columns stops the import")
            << "ФИО;Окр. мир;Окружающий мир\nИванов Иван;5;4" << QStringList() << QStringList()
            << QStringList{"Дисциплина «Окр. мир» выбрана в нескольких столбцах: B, C."}
            << QStringList();
}

void TestImportPlan::knownSubjects()
{
    QFETCH(QString, text);
    QFETCH(QStringList, templateDisciplines);
    QFETCH(QStringList, keptAsNew);
    QFETCH(QStringList, problems);
    QFETCH(QStringList, appendix);

    int templateId = 0;
    if (!templateDisciplines.isEmpty()) {
        EditFixture::Row templateRow{"4А"};
        templateRow.isTemplate = 1;
        templateId = EditFixture::insertRow(templateRow);
        for (const QString &name : templateDisciplines)
            EditFixture::insertDetail(templateId, name, "");
    }
    const ImportTable sheet = table(text);
    ImportMapping mapping = ImportMapping::guess(sheet, true);
    for (const QString &header : keptAsNew)
        mapping.subjects[sheet.rows.first().indexOf(header)] = QString();
    const ImportPlan plan = ImportPlan::build(sheet, mapping, templateId);
    QCOMPARE(plan.problemTexts(), problems);
    if (!problems.isEmpty())
        return;
    QList<int> ids;
    QString error;
    QVERIFY2(DocumentImporter::write(plan.entries, &ids, &error), qPrintable(error));
    QCOMPARE(EditFixture::appendix(ids.first()), appendix);
}

void TestImportPlan::allOrNothing_data()
{
    QTest::addColumn<QString>("trigger");

    QTest::newRow("third pupil's document refused")
            << "CREATE TRIGGER fail BEFORE INSERT ON PsDocuments WHEN NEW.fio1 = 'Сидоров' "
               "BEGIN SELECT RAISE(ABORT, 'refused'); END";
    QTest::newRow("third pupil's sections refused")
            << "CREATE TRIGGER fail BEFORE UPDATE OF add1 ON PsDocuments WHEN OLD.fio1 = 'Сидоров' "
               "BEGIN SELECT RAISE(ABORT, 'refused'); END";
    QTest::newRow("third pupil's last appendix row refused")
            << "CREATE TRIGGER fail BEFORE INSERT ON PsDocumentDetails WHEN NEW.disciplineRate "
               "= '3' BEGIN SELECT RAISE(ABORT, 'refused'); END";
}

void TestImportPlan::allOrNothing()
{
    QFETCH(QString, trigger);
    EditFixture::insertRow({"Кузнецов", "", "", "", "1001"});
    QVERIFY(EditFixture::exec(trigger));
    const QByteArray before = fileBytes(Database::databasePath());

    const ImportTable sheet = table("Фамилия;Чтение;Письмо\nИванов;5;5\nПетров;4;4\nСидоров;4;3");
    const ImportPlan plan = ImportPlan::build(sheet, ImportMapping::guess(sheet, true), 0);
    QVERIFY(plan.canImport(false));
    QList<int> ids{42};
    QString error;
    QVERIFY(!DocumentImporter::write(plan.entries, &ids, &error));
    QVERIFY(ids.isEmpty());
    QVERIFY2(error.contains("Строку 4"), qPrintable(error));
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocuments"), 1);
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocumentDetails"), 0);
    QVERIFY(fileBytes(Database::databasePath()) == before);
}

void TestImportPlan::commandLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("appendices");
    QTest::addColumn<bool>("programRunning"); // another copy holds the data folder

    const QByteArray cp1251
            = QTextCodec::codecForName("Windows-1251")
                      ->fromUnicode(
                              "№;ФИО;Дата рождения;Номер свидетельства;Русский язык;Математика\r\n"
                              "1;\"Римская-Корсакова  Анна; мл.\";01.09.2014;3001;5;хорошо\r\n"
                              "2;Орлов Олег Олегович;2.10.14;3002;4;зачёт\r\n"
                              "3;Ким Юна;2014-11-03;3003;удовлетворительно;3\r\n");
    QTest::newRow("Windows-1251 table with a quoted name")
            << cp1251 << QStringList() << 0 << "создано 3 документа"
            << QStringList{"Римская-Корсакова Анна; мл.|2014-09-01|Русский язык:5,Математика:4",
                           "Орлов Олег Олегович|2014-10-02|Русский язык:4,Математика:Освоено",
                           "Ким Юна |2014-11-03|Русский язык:3,Математика:3"}
            << false;
    // More pupils and grades than one statement of the import takes.
    const QVector<QStringList> large = ClassList::rows(250, 4);
    QStringList largeAppendices;
    const QMap<QString, QString> stored{{"5", "5"},
                                        {"4", "4"},
                                        {"3", "3"},
                                        {"отлично", "5"},
                                        {"хорошо", "4"},
                                        {"зачёт", "Освоено"}};
    for (int p = 0; p < 250; ++p) {
        QStringList appendix;
        for (int d = 0; d < 4; ++d)
            appendix << QString("Учебный предмет %1:%2")
                                .arg(d + 1)
                                .arg(stored.value(ClassList::grade(p, d)));
        largeAppendices << QString("Петров%1 Пётр Петрович|2014-%2-%3|")
                                           .arg(p)
                                           .arg(1 + p % 12, 2, 10, QLatin1Char('0'))
                                           .arg(1 + p % 28, 2, 10, QLatin1Char('0'))
                                   + appendix.join(',');
    }
    QTest::newRow("a class larger than one statement takes: every pupil gets their own grades")
            << ClassList::csv(large) << QStringList() << 0 << "создано 250 документов"
            << largeAppendices << false;
    QTest::newRow("one bad date: nothing imported, the line named")
            << QString("Фамилия;Дата рождения\nИванов;01.02.2014\nПетров;30.02.2014\n").toUtf8()
            << QStringList() << 1 << "Строка 3: не удалось прочитать дату рождения «30.02.2014»"
            << QStringList() << false;
    QTest::newRow("template that is not there")
            << QString("Фамилия\nИванов\n").toUtf8() << QStringList{"--template", "999"} << 1
            << "Шаблон документа 999 не найден." << QStringList() << false;
    QTest::newRow("sheet that is not a number")
            << QString("Фамилия\nИванов\n").toUtf8() << QStringList{"--sheet", "первый"} << 1
            << "Неверный номер листа" << QStringList() << false;
    QTest::newRow("the register open in the program: refused as a second start is")
            << QString("Фамилия\nИванов\n").toUtf8() << QStringList() << 2
            << "уже открыт другой копией программы" << QStringList() << true;
}

void TestImportPlan::commandLine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QStringList, appendices);
    QFETCH(bool, programRunning);

    FaultChild::Child program;
    if (programRunning)
        program = FaultChild::hold("hold-folder", {Database::dataPath()});
    QTemporaryDir dir;
    QFile file(dir.filePath("класс.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const QStringList before = registerRows();

    QProcess process;
    process.start(ZRPS_BINARY, QStringList{"--import", file.fileName()} + options);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), status);
    const QString text = QString::fromUtf8(status == 0 ? process.readAllStandardOutput()
                                                       : process.readAllStandardError());
    QVERIFY2(text.contains(output), qPrintable(text));
    // The command opens the register as the program does (its views are made anew), so the
    // rows are compared rather than the file's bytes.
    if (status != 0)
        QCOMPARE(registerRows(), before);

    QStringList stored;
    QSqlQuery query("SELECT psId, fio1 || ' ' || fio2 || ' ' || fio3, birthDate FROM PsDocuments "
                    "ORDER BY psId");
    while (query.next())
        stored << query.value(1).toString() + "|" + query.value(2).toString() + "|"
                          + EditFixture::appendix(query.value(0).toInt()).join(',');
    QCOMPARE(stored, appendices);

    // Each imported document has one version, the document as the register holds it.
    query.exec("SELECT psId FROM PsDocuments");
    while (query.next()) {
        QVector<DocumentHistory::Version> versions;
        QVERIFY(DocumentHistory::versions(query.value(0).toInt(), &versions));
        QCOMPARE(versions.size(), 1);
        QCOMPARE(versions.first().kind, DocumentHistory::Kind::Imported);
        DocumentRecord document;
        QVERIFY(DocumentStore::read(query.value(0).toInt(), &document));
        // A version keeps what the document holds, not when it was saved.
        QCOMPARE(DocumentSnapshot::toText(versions.first().document),
                 DocumentSnapshot::toText(document));
    }
}

namespace {
void addChildren()
{
    // What the program's window holds for its whole run.
    FaultChild::add("hold-folder", [](const QStringList &args) {
        RegisterLock lock(args.value(0));
        if (!lock.acquire())
            return 3;
        FaultChild::holdUntilKilled();
    });
}
} // namespace

ZR_TEST_MAIN_WITH_CHILDREN(TestImportPlan, addChildren)
#include "tst_importplan.moc"
