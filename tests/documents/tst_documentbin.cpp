#include "documents/deleteddocumentsdialog.h"
#include "documents/documentstable.h"
#include "documents/registernumbers.h"
#include "editfixture.h"
#include "modalanswerer.h"
#include "printing/registerbook.h"
#include "testhome.h"

#include <QDateTime>
#include <QPushButton>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTableWidget>

Q_DECLARE_METATYPE(QDialogButtonBox::StandardButton)

namespace {

const QStringList pupils{"Иванов", "Кузнецов", "Петров", "Сидоров", "Смирнов"};
constexpr int appendixRows = 2;

QStringList surnames(const QString &sql)
{
    QStringList names;
    QSqlQuery query(sql);
    while (query.next())
        names << query.value(0).toString().section(' ', 0, 0);
    names.sort();
    return names;
}

} // namespace

class TestDocumentBin : public QObject, public EditFixture
{
    Q_OBJECT

private slots:
    void init() { start(); }
    void cleanup() { stop(); }

    void bin_data();
    void bin();
};

void TestDocumentBin::bin_data()
{
    QTest::addColumn<QStringList>("deleted"); // from the register table
    QTest::addColumn<QString>("action");      // in the bin: "", "restore" or "purge"
    QTest::addColumn<QStringList>("chosen");  // selected in the bin
    QTest::addColumn<QString>("refusal");     // a trigger refusing the bin's write
    QTest::addColumn<QString>("question");    // of "Удалить навсегда"
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer");
    QTest::addColumn<QString>("failure"); // the error told
    QTest::addColumn<QStringList>("inRegister");
    QTest::addColumn<QStringList>("inBin");

    const QStringList two{"Петров", "Сидоров"};
    const QStringList others{"Иванов", "Кузнецов", "Смирнов"};
    const auto ok = QDialogButtonBox::Ok;
    QTest::newRow("deleted: out of the table, book and numbers, kept with the appendix")
            << two << "" << QStringList() << ""
            << "" << ok << "" << others << two;
    QTest::newRow("restored: back in the register with the appendix")
            << two << "restore" << QStringList{"Петров"} << ""
            << "" << ok << "" << QStringList{"Иванов", "Кузнецов", "Петров", "Смирнов"}
            << QStringList{"Сидоров"};
    QTest::newRow("one deleted for good, asked with its count")
            << two << "purge" << QStringList{"Сидоров"} << ""
            << "Удалить навсегда 1 документ?" << ok << "" << others << QStringList{"Петров"};
    QTest::newRow("two deleted for good")
            << two << "purge" << two << ""
            << "Удалить навсегда 2 документа?" << ok << "" << others << QStringList();
    QTest::newRow("five deleted for good")
            << pupils << "purge" << pupils << ""
            << "Удалить навсегда 5 документов?" << ok << "" << QStringList() << QStringList();
    QTest::newRow("cancel keeps them in the bin")
            << two << "purge" << two << ""
            << "Удалить навсегда 2 документа?" << QDialogButtonBox::Cancel << "" << others << two;
    QTest::newRow("appendix rows that cannot go keep the documents in the bin")
            << two << "purge" << two << "BEFORE DELETE ON PsDocumentDetails"
            << "Удалить навсегда 2 документа?" << ok << "Не удалось удалить документы" << others
            << two;
    QTest::newRow("a refused restore keeps both in the bin")
            << two << "restore" << two << "BEFORE UPDATE ON PsDocuments"
            << "" << ok << "Не удалось восстановить документы" << others << two;
}

void TestDocumentBin::bin()
{
    QFETCH(QStringList, deleted);
    QFETCH(QString, action);
    QFETCH(QStringList, chosen);
    QFETCH(QString, refusal);
    QFETCH(QString, question);
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(QString, failure);
    QFETCH(QStringList, inRegister);
    QFETCH(QStringList, inBin);

    // One certificate number for all: the duplicate check names every holder.
    for (const QString &surname : pupils) {
        const int id = insertRow(
                {surname, "Пётр", "Ильич", "2010-01-01", "000101", surname.left(2), "2024-05-30"});
        for (int row = 0; row < appendixRows; ++row)
            insertDetail(id, QString("Предмет %1").arg(row), "5");
    }
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    qputenv("USER", "uchitel");
    const QString deleter = "uchitel@" + QSysInfo::machineHostName();

    DocumentsTable table;
    table.resize(800, 600);
    table.show();
    for (int row = 0; row < table.model()->rowCount(); ++row) {
        const QString name = table.model()->index(row, 1).data().toString();
        if (deleted.contains(name.section(' ', 0, 0)))
            table.selectionModel()->select(table.model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    {
        ModalAnswerer answerer;
        answerer.expectButton("Внимание!", "хотите удалить", QDialogButtonBox::Ok);
        table.onDeleteAction();
        QCOMPARE(answerer.pending(), 0);
    }

    if (!refusal.isEmpty())
        QVERIFY(exec("CREATE TRIGGER refuse " + refusal
                     + " BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    QPointer<DeletedDocumentsDialog> dialog = new DeletedDocumentsDialog;
    dialog->show();
    auto *list = dialog->findChild<QTableWidget *>("tableWidget");
    QSignalSpy restored(dialog.data(), &DeletedDocumentsDialog::documentsRestored);
    for (int row = 0; row < list->rowCount(); ++row) {
        if (chosen.contains(list->item(row, 0)->text().section(' ', 0, 0)))
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    {
        ModalAnswerer answerer;
        if (!question.isEmpty())
            answerer.expectButton("Внимание!", question, answer);
        if (!failure.isEmpty())
            answerer.expectButton("Ошибка", failure, QDialogButtonBox::Ok);
        if (action == "restore")
            dialog->findChild<QPushButton *>("pushButtonRestore")->click();
        else if (action == "purge")
            dialog->findChild<QPushButton *>("pushButtonDeleteForGood")->click();
        QCOMPARE(answerer.pending(), 0);
        QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    }
    if (!refusal.isEmpty())
        QVERIFY(exec("DROP TRIGGER refuse"));

    // The register's rows: kept, in the bin, or gone with every appendix row.
    QCOMPARE(surnames("SELECT fio1 FROM PsDocuments WHERE deletedAt IS NULL"), inRegister);
    QCOMPARE(surnames("SELECT fio1 FROM PsDocuments WHERE deletedAt IS NOT NULL"), inBin);
    QCOMPARE(count(QString("SELECT psId FROM PsDocuments WHERE deletedAt IS NOT NULL AND "
                           "(deletedBy != '%1' OR deletedAt < '%2')")
                           .arg(deleter, before.toString("yyyy-MM-dd hh:mm:ss"))),
             0);
    QCOMPARE(count("SELECT psDetId FROM PsDocumentDetails"),
             appendixRows * (inRegister.size() + inBin.size()));
    QCOMPARE(count("SELECT psDetId FROM PsDocumentDetails WHERE psId NOT IN "
                   "(SELECT psId FROM PsDocuments)"),
             0);

    // Shown, booked and checked: the register's documents only.
    table.updateData();
    QStringList shown;
    for (int row = 0; row < table.model()->rowCount(); ++row)
        shown << table.model()->index(row, 1).data().toString().section(' ', 0, 0);
    shown.sort();
    QCOMPARE(shown, inRegister);
    QCOMPARE(table.totalCount(), inRegister.size());
    QStringList booked;
    for (const RegisterBook::Row &row : RegisterBook::rows(QDate(), QDate()))
        booked << row.name.section(' ', 0, 0);
    booked.sort();
    QCOMPARE(booked, inRegister);
    RegisterNumbers numbers;
    QVERIFY(numbers.read());
    QStringList holders;
    for (const QString &name : numbers.holdersOfNumber("000101", {}))
        holders << name.section(' ', 0, 0);
    holders.sort();
    QCOMPARE(holders, inRegister);

    QStringList listed;
    for (int row = 0; row < list->rowCount(); ++row)
        listed << list->item(row, 0)->text().section(' ', 0, 0);
    listed.sort();
    QCOMPARE(listed, inBin);
    const bool restoredNow = action == "restore" && failure.isEmpty();
    QCOMPARE(restored.count(), restoredNow ? 1 : 0);
    delete dialog;
}

ZR_TEST_MAIN(TestDocumentBin)
#include "tst_documentbin.moc"
