#include "documents/documenteditdialog.h"
#include "documents/documentstable.h"
#include "printing/defaulttemplates.h"
#include "printing/printdialog.h"
#include "printingfixture.h"
#include "testhome.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>

// Print from the documents table and from the edit dialog goes through the print
// dialog and comes back as a print request for the right document.
class TestPrintWiring : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void printFrom_data();
    void printFrom();

private:
    // Chooses a form in the open print dialog; null when none is open.
    static bool choose(QWidget *parent, int row, bool background);

    PrintingFixture m_fixture;
};

void TestPrintWiring::init()
{
    m_fixture.start();
    DefaultTemplates::install();
}

void TestPrintWiring::cleanup()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_fixture.stop();
}

bool TestPrintWiring::choose(QWidget *parent, int row, bool background)
{
    auto *dialog = parent->findChild<PrintDialog *>();
    if (!dialog || !dialog->isVisible() || dialog->parentWidget() != parent)
        return false;
    dialog->findChild<QListWidget *>("listWidget")->setCurrentRow(row);
    dialog->findChild<QCheckBox *>("checkBoxBackground")->setChecked(background);
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonPrint"), Qt::LeftButton);
    return true;
}

void TestPrintWiring::printFrom_data()
{
    QTest::addColumn<bool>("fromTable");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("background");

    QTest::newRow("documents table, appendix with background") << true << 3 << true;
    QTest::newRow("documents table, boys' certificate") << true << 0 << false;
    QTest::newRow("edit dialog, second kind with background") << false << 2 << true;
}

void TestPrintWiring::printFrom()
{
    QFETCH(bool, fromTable);
    QFETCH(int, row);
    QFETCH(bool, background);

    PrintingFixture::addSampleDocument();
    const int id = PrintingFixture::addSampleDocument();
    const int type = ReportList::entries().at(row)->type;
    QList<QVariant> request;

    if (fromTable) {
        auto table = std::make_unique<DocumentsTable>();
        table->show();
        QSignalSpy print(table.get(), &DocumentsTableAbstract::documentPrint);
        const QModelIndex found
                = table->model()->match(table->model()->index(0, 0), Qt::DisplayRole, id).first();
        table->selectionModel()->select(
                found, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        table->selectionModel()->setCurrentIndex(found, QItemSelectionModel::NoUpdate);
        table->actionPrint()->trigger();
        QVERIFY(choose(table.get(), row, background));
        QCOMPARE(print.size(), 1);
        request = print.first();
    } else {
        QPointer<DocumentEditDialog> dialog = new DocumentEditDialog;
        dialog->loadDocument(id);
        dialog->show();
        QSignalSpy print(dialog.data(), &DocumentEditDialog::documentPrint);
        QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonPrint"), Qt::LeftButton);
        QVERIFY(choose(dialog, row, background));
        QCOMPARE(print.size(), 1);
        request = print.first();
        delete dialog;
    }
    QCOMPARE(request, (QList<QVariant>{type, id, background}));
}

ZR_TEST_MAIN(TestPrintWiring)
#include "tst_printwiring.moc"
