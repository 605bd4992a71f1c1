#include "database/database.h"
#include "documents/import/importmapping.h"
#include "documents/import/importplan.h"
#include "documents/import/importtable.h"
#include "pagedamage.h"
#include "printing/batchprint.h"
#include "printing/printcheck.h"
#include "printing/registerbook.h"
#include "printing/reportlist.h"
#include "printingfixture.h"
#include "testhome.h"

#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>

// A register whose documents' table cannot be read (a damaged page) is never taken for an
// empty one: each reader says it could not read instead of finding nothing.
class TestReadFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void unreadableDocuments_data();
    void unreadableDocuments();

private:
    PrintingFixture m_fixture;
    int m_id = 0;
};

void TestReadFaults::init()
{
    m_fixture.start();
    m_id = PrintingFixture::addSampleDocument();
    PrintingFixture::writeTemplate(ReportList::Id253, 1);
}

void TestReadFaults::cleanup()
{
    m_fixture.stop();
}

void TestReadFaults::unreadableDocuments_data()
{
    QTest::addColumn<QString>("table"); // the one whose page is damaged
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QString>("told"); // a piece of what the user is told

    const QString documents = "PsDocuments";
    QTest::newRow("register book CSV") << documents << "book.csv"
                                       << "Реестр не удалось прочитать";
    QTest::newRow("register book PDF") << documents << "book.pdf"
                                       << "Реестр не удалось прочитать";
    QTest::newRow("check: the duplicate numbers")
            << documents << "check"
            << "Номера документов не удалось прочитать из реестра";
    QTest::newRow("check: the document itself") << documents << "check"
                                                << "Документ не удалось прочитать";
    QTest::newRow("check: the document's grades, not taken for none")
            << "PsDocumentDetails"
            << "check"
            << "Документ не удалось прочитать";
    QTest::newRow("batch print: the document's grades, not taken for none")
            << "PsDocumentDetails"
            << "batch"
            << "не удалось прочитать из реестра";
    QTest::newRow("import: numbers already given")
            << documents << "import"
            << "Номера документов не удалось прочитать из реестра";
}

void TestReadFaults::unreadableDocuments()
{
    QFETCH(QString, table);
    QFETCH(QString, reader);
    QFETCH(QString, told);

    QTemporaryDir out;
    const QString path = out.filePath(reader);
    const QByteArray earlier("the book written last week");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
    }
    QVERIFY(damageTablePage(QSqlDatabase::database(), table));
    if (QTest::currentTestFailed())
        return;

    QStringList texts;
    bool refused = false;
    if (reader.startsWith("book")) {
        QString error;
        refused = !RegisterBook::write(path, QDate(), QDate(), &error);
        texts << error;
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), earlier);
    } else if (reader == "check") {
        PrintCheck check(ReportList::Id253);
        const QList<PrintCheck::Problem> problems = check.check({m_id});
        refused = PrintCheck::hasErrors(problems);
        for (const PrintCheck::Problem &problem : problems)
            texts << problem.text;
    } else if (reader == "batch") {
        BatchPrint batch(ReportList::Id253, {m_id}, false);
        QString error;
        refused = !batch.load(&error);
        texts << error;
    } else {
        ImportTable table;
        table.appendRow({"ФИО", "Номер свидетельства"}, 1);
        table.appendRow({"Иванов Иван Иванович", "1001"}, 2);
        const ImportPlan plan = ImportPlan::build(table, ImportMapping::guess(table, true), 0);
        refused = !plan.canImport(true);
        texts = plan.blockers;
    }
    QVERIFY(refused);
    QVERIFY2(texts.filter(told).size() == 1, qPrintable(texts.join('|')));
}

ZR_TEST_MAIN(TestReadFaults)
#include "tst_readfaults.moc"
