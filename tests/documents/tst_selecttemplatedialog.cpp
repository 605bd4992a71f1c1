#include "documents/selecttemplatedialog.h"
#include "editfixture.h"
#include "modalanswerer.h"
#include "testhome.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>

Q_DECLARE_METATYPE(QDialogButtonBox::StandardButton)

class TestSelectTemplateDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsTemplatesOnly();
    void buttonsFollowSelection_data();
    void buttonsFollowSelection();
    void requests_data();
    void requests();
    void deleteTemplate_data();
    void deleteTemplate();
    void copyTemplate();
    void savedTemplateIsListedAfterRefresh();

private:
    SelectTemplateDialog *open();
    template<class T> T *child(const char *name)
    {
        T *found = m_dialog->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QListWidget *list() { return child<QListWidget>("listWidget"); }
    QStringList names();
    QString enabledButtons();

    EditFixture m_fixture;
    std::unique_ptr<ModalAnswerer> m_modal;
    QPointer<SelectTemplateDialog> m_dialog;
    int m_main = 0;
    int m_girls = 0;
};

void TestSelectTemplateDialog::init()
{
    m_fixture.start();
    m_modal = std::make_unique<ModalAnswerer>();
    EditFixture::Row row;
    row.isTemplate = 1;
    row.fio1 = "Основной";
    row.number = "12";
    row.editDate = "2024-05-20 09:00:00";
    row.sections = QStringList{"a", "b", "c", "d", "e"};
    m_main = EditFixture::insertRow(row);
    EditFixture::insertDetail(m_main, "Русский язык", "5");
    EditFixture::insertDetail(m_main, "Математика", "Освоено");
    row.fio1 = "Девочки";
    m_girls = EditFixture::insertRow(row);
    EditFixture::insertDetail(m_girls, "Музыка", "4");
    row.isTemplate = 0;
    row.fio1 = "Иванов";
    EditFixture::insertRow(row);
}

void TestSelectTemplateDialog::cleanup()
{
    delete m_dialog.data();
    m_fixture.stop();
    const QStringList unexpected = m_modal->unexpected();
    const int pending = m_modal->pending();
    m_modal.reset();
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('|')));
    QCOMPARE(pending, 0);
}

SelectTemplateDialog *TestSelectTemplateDialog::open()
{
    m_dialog = new SelectTemplateDialog;
    return m_dialog;
}

QStringList TestSelectTemplateDialog::names()
{
    QStringList result;
    for (int i = 0; i < list()->count(); ++i)
        result << list()->item(i)->text();
    return result;
}

QString TestSelectTemplateDialog::enabledButtons()
{
    QStringList enabled;
    for (const char *name : {"pushButtonCreateEmpty",
                             "pushButtonCreateWithTemplate",
                             "pushButtonNewTempl",
                             "pushButtonEditTempl",
                             "pushButtonDeleteTempl",
                             "pushButtonCopyTempl"}) {
        if (child<QPushButton>(name)->isEnabled())
            enabled << QString::fromLatin1(name).mid(10);
    }
    return enabled.join(' ');
}

void TestSelectTemplateDialog::listsTemplatesOnly()
{
    EditFixture::Row unnamed;
    unnamed.isTemplate = 1;
    const int id = EditFixture::insertRow(unnamed);
    open();
    QCOMPARE(m_dialog->windowTitle(), QString("Создать документ"));
    QCOMPARE(names(), QStringList({"Основной", "Девочки", ""}));
    QCOMPARE(list()->item(0)->data(Qt::UserRole).toInt(), m_main);
    QCOMPARE(list()->item(2)->data(Qt::UserRole).toInt(), id);
}

void TestSelectTemplateDialog::buttonsFollowSelection_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("enabled");

    QTest::newRow("nothing selected allows only empty document and new template")
            << -1 << "CreateEmpty NewTempl";
    QTest::newRow("a selected template allows everything")
            << 1 << "CreateEmpty CreateWithTemplate NewTempl EditTempl DeleteTempl CopyTempl";
}

void TestSelectTemplateDialog::buttonsFollowSelection()
{
    QFETCH(int, row);
    QFETCH(QString, enabled);

    open();
    list()->setCurrentRow(row);
    QCOMPARE(enabledButtons(), enabled);
}

void TestSelectTemplateDialog::requests_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<int>("templateIndex"); // -1: no argument, 0: id 0, 1: m_girls
    QTest::addColumn<bool>("closes");

    QTest::newRow("empty document asks for id 0 and closes")
            << "CreateEmpty" << -1 << "psIdSelected" << 0 << true;
    QTest::newRow("document from the selected template closes")
            << "CreateWithTemplate" << 1 << "psIdSelected" << 1 << true;
    QTest::newRow("new template keeps the dialog open")
            << "NewTempl" << -1 << "newTemplate" << -1 << false;
    QTest::newRow("editing a template keeps the dialog open")
            << "EditTempl" << 1 << "editTemplate" << 1 << false;
}

void TestSelectTemplateDialog::requests()
{
    QFETCH(QString, button);
    QFETCH(int, row);
    QFETCH(QString, signal);
    QFETCH(int, templateIndex);
    QFETCH(bool, closes);

    open();
    QSignalSpy selected(m_dialog.data(), &SelectTemplateDialog::psIdSelected);
    QSignalSpy edit(m_dialog.data(), &SelectTemplateDialog::editTemplate);
    QSignalSpy created(m_dialog.data(), &SelectTemplateDialog::newTemplate);
    list()->setCurrentRow(row);
    child<QPushButton>(qPrintable("pushButton" + button))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QSignalSpy *expected = signal == "psIdSelected"   ? &selected
                           : signal == "editTemplate" ? &edit
                                                      : &created;
    QCOMPARE(selected.count() + edit.count() + created.count(), 1);
    QCOMPARE(expected->count(), 1);
    if (templateIndex >= 0)
        QCOMPARE(expected->first().first().toInt(), templateIndex == 0 ? 0 : m_girls);
    QCOMPARE(m_dialog.isNull(), closes);
}

void TestSelectTemplateDialog::deleteTemplate_data()
{
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("OK deletes the template and its appendix")
            << QDialogButtonBox::Ok << QStringList{"Девочки"};
    QTest::newRow("Cancel keeps it")
            << QDialogButtonBox::Cancel << QStringList{"Основной", "Девочки"};
}

void TestSelectTemplateDialog::deleteTemplate()
{
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(QStringList, listed);

    open();
    list()->setCurrentRow(0);
    m_modal->expectButton(
            "Внимание!", "Вы уверены, что хотите удалить шаблон \"Основной\"?", answer);
    child<QPushButton>("pushButtonDeleteTempl")->click();

    QCOMPARE(names(), listed);
    const bool deleted = answer == QDialogButtonBox::Ok;
    QCOMPARE(EditFixture::count(QString("SELECT * FROM PsDocuments WHERE psId = %1").arg(m_main)),
             deleted ? 0 : 1);
    QCOMPARE(EditFixture::appendix(m_main).size(), deleted ? 0 : 2);
    QCOMPARE(EditFixture::appendix(m_girls), QStringList{"Музыка:4"});
    if (deleted) {
        QCOMPARE(list()->currentRow(), -1);
        QCOMPARE(enabledButtons(), QString("CreateEmpty NewTempl"));
    }
}

void TestSelectTemplateDialog::copyTemplate()
{
    open();
    list()->setCurrentRow(0);
    child<QPushButton>("pushButtonCopyTempl")->click();

    QCOMPARE(names(), QStringList({"Основной", "Девочки", "КОПИЯ Основной"}));
    QCOMPARE(list()->currentRow(), 2);
    const int copy = list()->currentItem()->data(Qt::UserRole).toInt();
    QVERIFY(copy > m_girls);
    QCOMPARE(EditFixture::appendix(copy), EditFixture::appendix(m_main));
    QCOMPARE(EditFixture::scalar(QString("SELECT isTemplate || number || add1 || add5 FROM "
                                         "PsDocuments WHERE psId = %1")
                                         .arg(copy)),
             QString("112ae"));
    // A new row, changed now.
    const QDateTime changed = QDateTime::fromString(
            EditFixture::scalar(
                    QString("SELECT editDate FROM PsDocuments WHERE psId = %1").arg(copy)),
            "yyyy-MM-dd hh:mm:ss");
    QVERIFY(qAbs(changed.secsTo(QDateTime::currentDateTime())) < 60);
}

void TestSelectTemplateDialog::savedTemplateIsListedAfterRefresh()
{
    open();
    EditFixture::Row row;
    row.isTemplate = 1;
    row.fio1 = "Новый";
    EditFixture::insertRow(row);
    QCOMPARE(names().size(), 2);
    m_dialog->fillListWidget();
    QCOMPARE(names(), QStringList({"Основной", "Девочки", "Новый"}));
}

ZR_TEST_MAIN(TestSelectTemplateDialog)
#include "tst_selecttemplatedialog.moc"
