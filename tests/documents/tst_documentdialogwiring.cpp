#include "app/mainwindow.h"
#include "documents/documenteditdialog.h"
#include "documents/documentstable.h"
#include "documents/selecttemplatedialog.h"
#include "editfixture.h"
#include "testhome.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

// How the main window opens the template chooser and the edit dialog. The
// event loop is never run, so the window's start-up slot stays idle.
class TestDocumentDialogWiring : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opening_data();
    void opening();
    void chooserLeadsToEditDialog_data();
    void chooserLeadsToEditDialog();
    void newTemplateIsListedOnceSaved();
    void savedDocumentReloadsRegister();

private:
    EditFixture m_fixture;
    std::unique_ptr<MainWindow> m_window;
    int m_template = 0;
    int m_document = 0;
};

void TestDocumentDialogWiring::init()
{
    m_fixture.start();
    EditFixture::Row row;
    row.isTemplate = 1;
    row.fio1 = "Основной";
    row.number = "77";
    m_template = EditFixture::insertRow(row);
    row.isTemplate = 0;
    row.fio1 = "Иванов";
    m_document = EditFixture::insertRow(row);
    m_window = std::make_unique<MainWindow>();
}

void TestDocumentDialogWiring::cleanup()
{
    m_window.reset();
    m_fixture.stop();
}

void TestDocumentDialogWiring::opening_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<bool>("chooser");
    QTest::addColumn<int>("loaded"); // -1: no edit dialog, 0: new row
    QTest::addColumn<bool>("templateMode");

    QTest::newRow("create-document action opens the chooser") << "create" << true << -1 << false;
    QTest::newRow("table's add-new request opens the chooser") << "add" << true << -1 << false;
    QTest::newRow("a stored document opens in the edit dialog") << "edit" << false << 1 << false;
    QTest::newRow("a template opens in template mode") << "template" << false << 2 << true;
    QTest::newRow("a new template opens empty in template mode")
            << "new template" << false << 0 << true;
}

void TestDocumentDialogWiring::opening()
{
    QFETCH(QString, request);
    QFETCH(bool, chooser);
    QFETCH(int, loaded);
    QFETCH(bool, templateMode);

    if (request == "create")
        m_window->on_actionCreateDoc_triggered();
    else if (request == "add")
        m_window->documentsTable()->documentClicked(-1);
    else if (request == "edit")
        m_window->documentsTable()->documentClicked(m_document);
    else if (request == "template")
        m_window->onTemplateEdit(m_template);
    else
        m_window->onNewTemplate();

    QCOMPARE(m_window->selectTemplateDialog() != nullptr, chooser);
    QCOMPARE(m_window->editDialog() != nullptr, loaded >= 0);
    if (loaded < 0)
        return;
    DocumentEditDialog *dialog = m_window->editDialog();
    const int expectedId = loaded == 0 ? -1 : loaded == 1 ? m_document : m_template;
    QCOMPARE(dialog->documentId(), expectedId);
    QCOMPARE(dialog->templateMode(), templateMode);
    QCOMPARE(dialog->parentWidget(), m_window.get());
}

void TestDocumentDialogWiring::chooserLeadsToEditDialog_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("fromTemplate");
    QTest::addColumn<bool>("templateMode");

    QTest::newRow("empty document") << "pushButtonCreateEmpty" << false << false;
    QTest::newRow("document from the template") << "pushButtonCreateWithTemplate" << true << false;
    QTest::newRow("editing the template") << "pushButtonEditTempl" << true << true;
}

void TestDocumentDialogWiring::chooserLeadsToEditDialog()
{
    QFETCH(QString, button);
    QFETCH(bool, fromTemplate);
    QFETCH(bool, templateMode);

    m_window->on_actionCreateDoc_triggered();
    SelectTemplateDialog *chooser = m_window->selectTemplateDialog();
    chooser->findChild<QListWidget *>("listWidget")->setCurrentRow(0);
    chooser->findChild<QPushButton *>(button)->click();

    DocumentEditDialog *dialog = m_window->editDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->templateMode(), templateMode);
    if (templateMode) {
        QCOMPARE(dialog->documentId(), m_template);
    } else {
        QCOMPARE(dialog->documentId(), 0);
        QCOMPARE(dialog->sourceTemplateId(), fromTemplate ? m_template : 0);
        QCOMPARE(dialog->findChild<QLineEdit *>("lineEditNumber")->text(),
                 QString(fromTemplate ? "77" : ""));
    }
}

void TestDocumentDialogWiring::newTemplateIsListedOnceSaved()
{
    m_window->on_actionCreateDoc_triggered();
    SelectTemplateDialog *chooser = m_window->selectTemplateDialog();
    chooser->findChild<QPushButton *>("pushButtonNewTempl")->click();
    DocumentEditDialog *dialog = m_window->editDialog();
    QVERIFY(dialog);
    dialog->findChild<QLineEdit *>("lineEditFio_1")->setText("Для девочек");
    dialog->on_pushButtonSave_clicked();

    auto *list = chooser->findChild<QListWidget *>("listWidget");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(1)->text(), QString("Для девочек"));
}

void TestDocumentDialogWiring::savedDocumentReloadsRegister()
{
    QAbstractItemModel *model = m_window->documentsTable()->model();
    QCOMPARE(model->rowCount(), 1);
    m_window->onDocumentFromTemplateCreate(0);
    DocumentEditDialog *dialog = m_window->editDialog();
    dialog->findChild<QLineEdit *>("lineEditFio_1")->setText("Петрова");
    dialog->on_pushButtonSave_clicked();
    QCOMPARE(model->rowCount(), 2);
}

ZR_TEST_MAIN(TestDocumentDialogWiring)
#include "tst_documentdialogwiring.moc"
