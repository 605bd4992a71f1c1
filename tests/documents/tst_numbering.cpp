#include "documents/documentstable.h"
#include "documents/numberingdialog.h"
#include "documents/numbersequence.h"
#include "editfixture.h"
#include "pagedamage.h"
#include "testhome.h"
#include "typetext.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

// Numbers given to many documents at once: as a secretary writes them on by hand, in the
// order of the table, never a number the register already has, all or none.
class TestNumbering : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fixture.start(); }
    void cleanup() { m_fixture.stop(); }

    void sequence_data();
    void sequence();
    void assign_data();
    void assign();
    void tableOrder_data();
    void tableOrder();
    void dialog_data();
    void dialog();

private:
    // Абрамов, Борисова, Васильев and Григорьев, and a template; their ids in that order.
    static QList<int> fillRegister();
    // "surname number/regNumber" of every document, in the order they were made.
    static QStringList numbers();

    EditFixture m_fixture;
};

void TestNumbering::sequence_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("number");

    QTest::newRow("the first itself") << "000101" << 0 << "000101";
    QTest::newRow("leading zeros kept") << "000101" << 1 << "000102";
    QTest::newRow("counting past nine keeps the width") << "000109" << 3 << "000112";
    QTest::newRow("a longer number once the width is full") << "0999" << 1 << "1000";
    QTest::newRow("letters before stay") << "АБ 0101" << 2 << "АБ 0103";
    QTest::newRow("letters after stay") << "15-р" << 10 << "25-р";
    QTest::newRow("the last group of digits counts") << "12-0099" << 1 << "12-0100";
    QTest::newRow("longer than any integer")
            << "99999999999999999999" << 1 << "100000000000000000000";
    QTest::newRow("blanks around dropped") << " 7 " << 1 << "8";
    QTest::newRow("no digits: nothing to count") << "АБ" << 1 << "";
}

void TestNumbering::sequence()
{
    QFETCH(QString, first);
    QFETCH(int, step);
    QFETCH(QString, number);
    const NumberSequence sequence(first);
    QCOMPARE(sequence.isValid(), !number.isEmpty());
    QCOMPARE(sequence.at(step), number);
}

QList<int> TestNumbering::fillRegister()
{
    QList<int> ids;
    ids << EditFixture::insertRow({"Абрамов", "Антон", "", "", "000099", "14"});
    ids << EditFixture::insertRow({"Борисова", "Белла", "", "", "", ""});
    ids << EditFixture::insertRow({"Васильев", "Виктор", "", "", "", ""});
    ids << EditFixture::insertRow({"Григорьев", "Глеб", "", "", "000103", "Р-20"});
    EditFixture::Row templateRow{"Шаблон 4А", "", "", "", "000102", "30"};
    templateRow.isTemplate = 1;
    EditFixture::insertRow(templateRow);
    return ids;
}

QStringList TestNumbering::numbers()
{
    QStringList rows;
    QSqlQuery query("SELECT fio1, number, regNumber FROM PsDocuments WHERE isTemplate = 0 "
                    "ORDER BY psId");
    while (query.next())
        rows << query.value(0).toString() + " " + query.value(1).toString() + "/"
                        + query.value(2).toString();
    return rows;
}

void TestNumbering::assign_data()
{
    QTest::addColumn<QList<int>>("documents"); // 0 Абрамов, 1 Борисова, 2 Васильев
    QTest::addColumn<QString>("firstNumber");
    QTest::addColumn<QString>("firstRegNumber");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QStringList>("numbers"); // afterwards
    QTest::addColumn<QStringList>("collisions");

    const QStringList before{
            "Абрамов 000099/14", "Борисова /", "Васильев /", "Григорьев 000103/Р-20"};
    QTest::newRow("leading zeros kept, registration numbers left as they are")
            << QList<int>{1, 2} << "000201"
            << ""
            << ""
            << QStringList{"Абрамов 000099/14",
                           "Борисова 000201/",
                           "Васильев 000202/",
                           "Григорьев 000103/Р-20"}
            << QStringList();
    QTest::newRow("in the order given, a prefix keeps its letters")
            << QList<int>{2, 0, 1} << "АБ 0101"
            << "7"
            << ""
            << QStringList{"Абрамов АБ 0102/8",
                           "Борисова АБ 0103/9",
                           "Васильев АБ 0101/7",
                           "Григорьев 000103/Р-20"}
            << QStringList();
    QTest::newRow("only registration numbers")
            << QList<int>{0, 1} << ""
            << "1"
            << ""
            << QStringList{"Абрамов 000099/1", "Борисова /2", "Васильев /", "Григорьев 000103/Р-20"}
            << QStringList();
    QTest::newRow("the documents' own numbers are theirs to give again")
            << QList<int>{1, 0} << "000098"
            << ""
            << ""
            << QStringList{"Абрамов 000099/14",
                           "Борисова 000098/",
                           "Васильев /",
                           "Григорьев 000103/Р-20"}
            << QStringList();
    QTest::newRow("a template's number is no document's") << QList<int>{1} << "000102"
                                                          << ""
                                                          << ""
                                                          << QStringList{"Абрамов 000099/14",
                                                                         "Борисова 000102/",
                                                                         "Васильев /",
                                                                         "Григорьев 000103/Р-20"}
                                                          << QStringList();
    QTest::newRow("a number another document holds refuses all")
            << QList<int>{0, 1, 2} << "000101"
            << ""
            << "" << before
            << QStringList{"Номер свидетельства 000103 уже указан в документе «Григорьев Глеб»."};
    QTest::newRow("written in other case and blanks it is the same number")
            << QList<int>{0, 1} << ""
            << "р- 19"
            << "" << before
            << QStringList{"Регистрационный номер р- 20 уже указан в документе «Григорьев Глеб»."};
    QTest::newRow("a write failing at the third document leaves every number")
            << QList<int>{0, 1, 2} << "000301"
            << "1"
            << "000303" << before << QStringList();
}

void TestNumbering::assign()
{
    QFETCH(QList<int>, documents);
    QFETCH(QString, firstNumber);
    QFETCH(QString, firstRegNumber);
    QFETCH(QString, trigger);
    QFETCH(QStringList, collisions);

    const QList<int> ids = fillRegister();
    if (!trigger.isEmpty())
        QVERIFY(EditFixture::exec(QString("CREATE TRIGGER refuse BEFORE UPDATE ON PsDocuments "
                                          "WHEN NEW.number = '%1' BEGIN SELECT RAISE(ABORT, "
                                          "'refused'); END")
                                          .arg(trigger)));
    QVector<DocumentStore::NumberChange> changes;
    for (int i = 0; i < documents.size(); ++i)
        changes.append(
                {ids.at(documents.at(i)),
                 firstNumber.isEmpty() ? QString() : NumberSequence(firstNumber).at(i),
                 firstRegNumber.isEmpty() ? QString() : NumberSequence(firstRegNumber).at(i)});
    QStringList told;
    const DocumentStore::NumberingResult result = DocumentStore::assignNumbers(changes, &told);
    QCOMPARE(told, collisions);
    QCOMPARE(result,
             !collisions.isEmpty() ? DocumentStore::NumberingResult::Collides
             : !trigger.isEmpty()  ? DocumentStore::NumberingResult::Failed
                                   : DocumentStore::NumberingResult::Assigned);
    QTEST(numbers(), "numbers");
    QCOMPARE(EditFixture::scalar("PRAGMA integrity_check"), QString("ok"));
}

void TestNumbering::tableOrder_data()
{
    QTest::addColumn<int>("column"); // -1: as the table opens
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("surnames");

    QTest::newRow("a new table is in surname order")
            << -1 << int(Qt::AscendingOrder)
            << QStringList{"Абрамов", "Борисова", "Васильев", "Григорьев"};
    QTest::newRow("sorted by number downwards")
            << 3 << int(Qt::DescendingOrder)
            << QStringList{"Григорьев", "Абрамов", "Васильев", "Борисова"};
}

void TestNumbering::tableOrder()
{
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QStringList, surnames);

    // Made in another order than any of the table's.
    EditFixture::insertRow({"Васильев", "", "", "", "000010", ""});
    EditFixture::insertRow({"Абрамов", "", "", "", "000020", ""});
    EditFixture::insertRow({"Григорьев", "", "", "", "000030", ""});
    EditFixture::insertRow({"Борисова", "", "", "", "000005", ""});
    DocumentsTable table;
    table.show();
    if (column >= 0)
        table.sortByColumn(column, Qt::SortOrder(order));
    QSignalSpy asked(&table, &DocumentsTableAbstract::documentsNumber);
    table.selectAll();
    table.actionNumber()->trigger();
    QCOMPARE(asked.count(), 1);

    NumberingDialog dialog(asked.first().first().value<QList<int>>());
    dialog.findChild<QLineEdit *>("lineEditNumber")->setText("1");
    QStringList given;
    for (const DocumentStore::NumberChange &change : dialog.changes())
        given << EditFixture::scalar(
                QString("SELECT fio1 FROM PsDocuments WHERE psId = %1").arg(change.id));
    QCOMPARE(given, surnames);
}

void TestNumbering::dialog_data()
{
    QTest::addColumn<QString>("firstNumber");
    QTest::addColumn<QString>("firstRegNumber");
    QTest::addColumn<QStringList>("preview"); // new numbers of Борисова, Васильев, Абрамов
    QTest::addColumn<QString>("problem"); // a part of it; empty: Присвоить is enabled
    QTest::addColumn<bool>("unreadable"); // the appendix rows of the register do not read

    QTest::newRow("numbered in the order given")
            << "000104"
            << "21" << QStringList{"000104/21", "000105/22", "000106/23"} << "" << false;
    QTest::newRow("nothing typed: nothing to assign")
            << ""
            << "" << QStringList{"/", "/", "000099/14"} << "-" << false;
    QTest::newRow("a collision is listed and marked")
            << "000102"
            << "" << QStringList{"000102/", "000103!/", "000104/14"}
            << "Номер свидетельства 000103 уже указан в документе «Григорьев Глеб»." << false;
    QTest::newRow("a first number without digits")
            << "АБ"
            << "" << QStringList{"/", "/", "000099/14"}
            << "В первом номере свидетельства «АБ» нет цифр" << false;
    QTest::newRow("documents that do not read are not left out silently")
            << "000104"
            << "21" << QStringList{} << "3 документа не удалось прочитать из реестра" << true;
}

void TestNumbering::dialog()
{
    QFETCH(QString, firstNumber);
    QFETCH(QString, firstRegNumber);
    QFETCH(QStringList, preview);
    QFETCH(QString, problem);
    QFETCH(bool, unreadable);

    const QList<int> ids = fillRegister();
    if (unreadable) {
        for (int id : ids)
            EditFixture::insertDetail(id, "Математика", "5");
        QVERIFY(damageTablePage(QSqlDatabase::database(), "PsDocumentDetails"));
    }
    auto *dialog = new NumberingDialog({ids.at(1), ids.at(2), ids.at(0)});
    dialog->show();
    typeText(dialog->findChild<QLineEdit *>("lineEditNumber"), firstNumber);
    typeText(dialog->findChild<QLineEdit *>("lineEditRegNumber"), firstRegNumber);

    auto *table = dialog->findChild<QTableWidget *>("tableWidgetPreview");
    QStringList shown;
    for (int row = 0; row < table->rowCount(); ++row) {
        const auto text = [&](int column) {
            QTableWidgetItem *item = table->item(row, column);
            // A collision is marked by its colour.
            const bool marked = item->background().style() != Qt::NoBrush;
            return item->text() + (marked ? "!" : "");
        };
        shown << text(2) + "/" + text(4);
    }
    QCOMPARE(shown, preview);
    QPushButton *assign = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    QCOMPARE(assign->isEnabled(), problem.isEmpty());
    if (problem.size() > 1)
        QVERIFY2(dialog->problems().join('\n').contains(problem),
                 qPrintable(dialog->problems().join('\n')));

    QSignalSpy assigned(dialog, &NumberingDialog::numbersAssigned);
    const QStringList before = numbers();
    assign->click();
    if (problem.isEmpty()) {
        QCOMPARE(assigned.count(), 1);
        QCOMPARE(numbers(),
                 (QStringList{"Абрамов " + preview.at(2),
                              "Борисова " + preview.at(0),
                              "Васильев " + preview.at(1),
                              "Григорьев 000103/Р-20"}));
    } else {
        QCOMPARE(assigned.count(), 0);
        QCOMPARE(numbers(), before);
        dialog->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

ZR_TEST_MAIN(TestNumbering)
#include "tst_numbering.moc"
