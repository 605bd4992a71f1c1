#include "../editfixture.h"
#include "app/mainwindow.h"
#include "documents/documentstable.h"
#include "documents/import/importwizard.h"
#include "modalanswerer.h"
#include "testhome.h"
#include "xlsxfile.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

namespace {

template<typename T> T *child(QWidget *wizard, const char *name)
{
    T *widget = wizard->findChild<T *>(name);
    if (!widget)
        qWarning() << "no" << name;
    return widget;
}

QString pageName(QWizard *wizard)
{
    return wizard->currentPage()->objectName();
}

} // namespace

class TestImportWizard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void importFromTheToolsMenu();
    void refusedFileKeepsTheFirstPage();
    void sheetAndSeparatorChoices();
    void mappingShowsTheSubjects();

private:
    ImportWizard *openWizard();
    // Saves the window when ZR_SCREENSHOT_DIR names a folder:
    // ZR_SCREENSHOT_DIR=/tmp/shots build/tests/documents/import/tst_importwizard
    static void screenshot(QWidget *window, const QString &name);
    QString writeFile(const QString &name, const QByteArray &bytes);

    EditFixture m_fixture;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<QTemporaryDir> m_files;
};

void TestImportWizard::init()
{
    m_fixture.start();
    Database::userSettings()->setValue("ZrPs/showTipsOnStartup", false);
    m_files = std::make_unique<QTemporaryDir>();
    m_window = std::make_unique<MainWindow>();
}

void TestImportWizard::cleanup()
{
    m_window.reset();
    m_fixture.stop();
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), widget->metaObject()->className());
}

void TestImportWizard::screenshot(QWidget *window, const QString &name)
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        window->grab().save(QDir(folder).filePath(name + ".png"));
}

QString TestImportWizard::writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(m_files->filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return file.fileName();
}

ImportWizard *TestImportWizard::openWizard()
{
    m_window->findChild<QAction *>("actionImport")->trigger();
    auto *wizard = m_window->findChild<ImportWizard *>();
    return wizard && QTest::qWaitForWindowExposed(wizard) ? wizard : nullptr;
}

void TestImportWizard::importFromTheToolsMenu()
{
    EditFixture::insertRow({"Кузнецов", "", "", "", "1001"});
    EditFixture::Row templateRow{"4А", "", "", "", "", "", "2025-05-25", "", "Решение"};
    templateRow.isTemplate = 1;
    const int templateId = EditFixture::insertRow(templateRow);
    EditFixture::insertDetail(templateId, "Музыка", "Освоено");
    // A filter that hides every row: the new documents must show all the same.
    m_window->documentsTable()->onFiltersChanged({{"fio", "никто"}});
    const QString path = writeFile(
            "4А.csv",
            QString("Номер;Фамилия;Имя;Отчество;Дата рождения;Номер свидетельства;Русский язык;"
                    "Математика\n1;Иванов;Иван;Иванович;03.04.2014;2001;5;отлично\n"
                    "2;Петрова;Анна;Сергеевна;2014-05-06;2002;хор;4\n"
                    "3;Сидоров;Пётр;;7.8.14;2003;3;удовлетворительно\n")
                    .toUtf8());

    ImportWizard *wizard = openWizard();
    QVERIFY(wizard);
    QVERIFY(!wizard->button(QWizard::NextButton)->isEnabled());
    screenshot(wizard, "import-1-file");
    ModalAnswerer answerer;
    answerer.expect("Открыть таблицу", "", [&path](QWidget *dialog) {
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(path);
        qobject_cast<QDialog *>(dialog)->accept();
    });
    child<QPushButton>(wizard, "pushButtonBrowse")->click();
    QCOMPARE(child<QLineEdit>(wizard, "lineEditFile")->text(), path);
    QVERIFY(wizard->button(QWizard::NextButton)->isEnabled());
    wizard->next();

    QCOMPARE(pageName(wizard), QString("pagePreview"));
    QVERIFY2(child<QLabel>(wizard, "labelDetected")->text().contains("UTF-8, разделитель: «;»"),
             qPrintable(child<QLabel>(wizard, "labelDetected")->text()));
    QVERIFY(child<QCheckBox>(wizard, "checkBoxHeader")->isChecked());
    QCOMPARE(child<QTableWidget>(wizard, "tableWidgetPreview")->rowCount(), 4);
    QCOMPARE(child<QTableWidget>(wizard, "tableWidgetPreview")->columnCount(), 8);
    screenshot(wizard, "import-2-preview");
    wizard->next();

    QCOMPARE(pageName(wizard), QString("pageMapping"));
    QStringList fields;
    for (int row = 0; row < child<QTableWidget>(wizard, "tableWidgetMapping")->rowCount(); ++row)
        fields << qobject_cast<QComboBox *>(
                          child<QTableWidget>(wizard, "tableWidgetMapping")->cellWidget(row, 3))
                          ->currentText();
    QCOMPARE(fields,
             QStringList({"Не загружать",
                          "Фамилия",
                          "Имя",
                          "Отчество",
                          "Дата рождения",
                          "Номер свидетельства",
                          "Оценка по дисциплине",
                          "Оценка по дисциплине"}));
    // A bare "Номер" may be the class teacher's counter: left unloaded, and while no other
    // column gives the certificate numbers the user is asked.
    auto *question = child<QLabel>(wizard, "labelMappingQuestions");
    QVERIFY(question->isHidden());
    auto *numbers = qobject_cast<QComboBox *>(
            child<QTableWidget>(wizard, "tableWidgetMapping")->cellWidget(5, 3));
    numbers->setCurrentIndex(0);
    QVERIFY2(question->isVisible() && question->text().startsWith("Столбец A «Номер»"),
             qPrintable(question->text()));
    numbers->setCurrentIndex(numbers->findText("Номер свидетельства"));
    screenshot(wizard, "import-3-mapping");
    wizard->next();

    QCOMPARE(pageName(wizard), QString("pageTemplate"));
    QCOMPARE(child<QListWidget>(wizard, "listWidgetTemplates")->count(), 2);
    child<QListWidget>(wizard, "listWidgetTemplates")->setCurrentRow(1);
    screenshot(wizard, "import-4-template");
    wizard->next();

    QCOMPARE(pageName(wizard), QString("pageCheck"));
    QCOMPARE(child<QListWidget>(wizard, "listWidgetProblems")->item(0)->text(),
             QString("Строка 3: неизвестная оценка «хор» по дисциплине «Русский язык»"));
    QAbstractButton *import = wizard->button(QWizard::CommitButton);
    QVERIFY(import->isVisible());
    QVERIFY(!import->isEnabled());
    child<QCheckBox>(wizard, "checkBoxSkipErrors")->setChecked(true);
    QVERIFY(import->isEnabled());
    QVERIFY2(child<QLabel>(wizard, "labelSummary")->text().contains("Будет создано документов: 2"),
             qPrintable(child<QLabel>(wizard, "labelSummary")->text()));
    screenshot(wizard, "import-5-check");
    import->click();

    QCOMPARE(pageName(wizard), QString("pageDone"));
    QVERIFY2(child<QLabel>(wizard, "labelResult")->text().contains("создано 2 документа"),
             qPrintable(child<QLabel>(wizard, "labelResult")->text()));
    screenshot(wizard, "import-6-done");
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocuments WHERE fio1 IN ('Иванов', 'Сидоров') "
                                "AND decision = 'Решение' AND issueDate = '2025-05-25'"),
             2);
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocuments WHERE fio1 = 'Петрова'"), 0);

    DocumentsTable *table = m_window->documentsTable();
    QStringList selected;
    for (int row : table->selectedVisibleRows())
        selected << table->model()->index(row, 1).data().toString();
    selected.sort();
    QCOMPARE(selected, QStringList({"Иванов Иван Иванович", "Сидоров Пётр "}));
    wizard->button(QWizard::FinishButton)->click();
    QTRY_VERIFY(!m_window->findChild<ImportWizard *>());
    screenshot(m_window.get(), "import-7-register");
}

void TestImportWizard::refusedFileKeepsTheFirstPage()
{
    ImportWizard *wizard = openWizard();
    QVERIFY(wizard);
    child<QLineEdit>(wizard, "lineEditFile")->setText(writeFile("пусто.csv", QByteArray()));
    wizard->next();
    QCOMPARE(pageName(wizard), QString("pageFile"));
    QVERIFY(child<QLabel>(wizard, "labelFileError")->text().contains("пуст"));
    screenshot(wizard, "import-refused");
    wizard->reject();
}

void TestImportWizard::sheetAndSeparatorChoices()
{
    XlsxFile workbook;
    workbook.addSheet("Пояснения", XlsxFile::rows({{"Список класса на втором листе"}}));
    workbook.addSheet("4Б", XlsxFile::rows({{"ФИО", "Чтение"}, {"Орлов Олег", "5"}}));
    const QString path = m_files->filePath("4Б.xlsx");
    QVERIFY(workbook.write(path));

    ImportWizard *wizard = openWizard();
    QVERIFY(wizard);
    child<QLineEdit>(wizard, "lineEditFile")->setText(path);
    wizard->next();
    QVERIFY(child<QComboBox>(wizard, "comboBoxSheet")->isVisible());
    QVERIFY(!child<QComboBox>(wizard, "comboBoxSeparator")->isVisible());
    QCOMPARE(child<QTableWidget>(wizard, "tableWidgetPreview")->item(0, 0)->text(),
             QString("Список класса на втором листе"));
    child<QComboBox>(wizard, "comboBoxSheet")->setCurrentIndex(1);
    emit child<QComboBox>(wizard, "comboBoxSheet")->activated(1);
    QCOMPARE(child<QTableWidget>(wizard, "tableWidgetPreview")->item(1, 0)->text(),
             QString("Орлов Олег"));
    QVERIFY(child<QCheckBox>(wizard, "checkBoxHeader")->isChecked());
    screenshot(wizard, "import-2-preview-xlsx");
    wizard->reject();
    QTRY_VERIFY(!m_window->findChild<ImportWizard *>());

    // A text table read with the separator the user chose instead of the one found.
    wizard = openWizard();
    QVERIFY(wizard);
    child<QLineEdit>(wizard, "lineEditFile")
            ->setText(writeFile("4В.csv", "Фамилия;Чтение\nОрлов;5\n"));
    wizard->next();
    QCOMPARE(child<QTableWidget>(wizard, "tableWidgetPreview")->columnCount(), 2);
    child<QComboBox>(wizard, "comboBoxSeparator")
            ->setCurrentIndex(child<QComboBox>(wizard, "comboBoxSeparator")->findData(QChar(',')));
    emit child<QComboBox>(wizard, "comboBoxSeparator")
            ->activated(child<QComboBox>(wizard, "comboBoxSeparator")->currentIndex());
    QCOMPARE(child<QTableWidget>(wizard, "tableWidgetPreview")->columnCount(), 1);
    QCOMPARE(child<QTableWidget>(wizard, "tableWidgetPreview")->item(0, 0)->text(),
             QString("Фамилия;Чтение"));
    wizard->reject();
}

void TestImportWizard::mappingShowsTheSubjects()
{
    EditFixture::Row templateRow{"4А"};
    templateRow.isTemplate = 1;
    const int templateId = EditFixture::insertRow(templateRow);
    EditFixture::insertDetail(templateId, "Основы религиозных культур и светской этики", "");
    EditFixture::insertDetail(templateId, "Окружающий мир", "");

    ImportWizard *wizard = openWizard();
    QVERIFY(wizard);
    child<QLineEdit>(wizard, "lineEditFile")
            ->setText(writeFile("4Г.csv", "Фамилия;ОРКСЭ;Шахматы;Окр. мир\nОрлов;5;5;4\n"));
    wizard->next();
    wizard->next();
    QCOMPARE(pageName(wizard), QString("pageMapping"));
    auto *mapping = child<QTableWidget>(wizard, "tableWidgetMapping");
    const auto subjectBox
            = [mapping](int row) { return qobject_cast<QComboBox *>(mapping->cellWidget(row, 4)); };
    QCOMPARE(subjectBox(0)->currentText(), QString());
    QVERIFY(!subjectBox(0)->isEnabled());
    QCOMPARE(subjectBox(1)->currentText(), QString("Основы религиозных культур и светской этики"));
    QCOMPARE(subjectBox(2)->currentText(), QString("Новый предмет «Шахматы»"));
    QCOMPARE(subjectBox(3)->currentText(), QString("Окружающий мир"));
    screenshot(wizard, "import-3-subjects");
    // The user keeps "Окр. мир" as a subject of its own.
    subjectBox(3)->setCurrentIndex(0);
    wizard->next();
    child<QListWidget>(wizard, "listWidgetTemplates")->setCurrentRow(1);
    wizard->next();
    QCOMPARE(pageName(wizard), QString("pageCheck"));
    wizard->button(QWizard::CommitButton)->click();
    QCOMPARE(pageName(wizard), QString("pageDone"));
    const int id = EditFixture::scalar("SELECT psId FROM PsDocuments WHERE fio1 = 'Орлов'").toInt();
    QCOMPARE(EditFixture::appendix(id),
             QStringList({"Основы религиозных культур и светской этики:5",
                          "Окружающий мир:",
                          "Шахматы:5",
                          "Окр. мир:4"}));
    wizard->button(QWizard::FinishButton)->click();
}

ZR_TEST_MAIN(TestImportWizard)
#include "tst_importwizard.moc"
