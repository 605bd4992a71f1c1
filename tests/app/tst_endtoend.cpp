#include "app/mainwindow.h"
#include "app/startup.h"
#include "database/database.h"
#include "documents/additionaleditdialog.h"
#include "documents/datelineedit.h"
#include "documents/documenteditdialog.h"
#include "documents/documentstable.h"
#include "documents/selecttemplatedialog.h"
#include "modalanswerer.h"
#include "printing/printdialog.h"
#include "printing/registerbookdialog.h"
#include "printing/reportlist.h"
#include "settings/optionsdialog.h"
#include "testhome.h"
#include "typetext.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QSplashScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

const QString orgName = QStringLiteral("МБОУ «Средняя школа № 7»");
const QString orgGenitive = QStringLiteral("МБОУ «Средней школы № 7»");
const QString orgPrepositional = QStringLiteral("МБОУ «Средней школе № 7»");
const QString city = QStringLiteral("Старый Оскол");
const QString boss = QStringLiteral("Петров Иван Николаевич");
const QString templateName = QStringLiteral("Выпуск 4 класса");
const QString decision = QStringLiteral("Решение педагогического совета от 25.05.2024 № 9");
const QString courses = QStringLiteral("Кружок юных натуралистов");
const QString pastedName = QStringLiteral("  Смирнова   Анна Викторовна ");
const QString number = QStringLiteral("3100042");
const QString regNumber = QStringLiteral("117");
const QDate birthDate(2013, 4, 17);

struct Discipline
{
    QString name;
    QString grade;
};

const QList<Discipline> templateDisciplines{
        {QStringLiteral("Русский язык"), QStringLiteral("5")},
        {QStringLiteral("Математика"), QStringLiteral("4")},
        {QStringLiteral("Окружающий мир"), QStringLiteral("Освоено")}};
const Discipline addedDiscipline{QStringLiteral("Музыка"), QStringLiteral("5")};

// The whole run, questions included, stays well inside this; past it the test fails.
constexpr int watchdogMs = 90000;

template<typename T> T *child(QWidget *parent, const char *name)
{
    return parent ? parent->findChild<T *>(QString::fromLatin1(name)) : nullptr;
}

template<typename T> T *visibleTopLevel()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto found = qobject_cast<T *>(widget); found && found->isVisible())
            return found;
    }
    return nullptr;
}

void click(QWidget *button)
{
    QVERIFY(button);
    QVERIFY2(button->isVisible() && button->isEnabled(), button->objectName().toUtf8().constData());
    QTest::mouseClick(button, Qt::LeftButton);
}

void clickItem(QListWidget *list, QListWidgetItem *item)
{
    QVERIFY(item);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

public:
    // Runs in the constructor of the program's own application object.
    static void onApplicationCreated();

private slots:
    void initTestCase();
    void fromEmptyFolderToPrintedAppendix();

private:
    void waitForMainWindow();
    void scenario();
    void closeTipOfTheDay();
    void createOrganisation();
    void createTemplate();
    void fillTemplateAppendix(DocumentEditDialog *dialog);
    void createDocumentFromTemplate();
    void addDisciplineToAppendix(DocumentEditDialog *dialog);
    void printAppendixForm(DocumentEditDialog *dialog);
    void saveRegisterBook();
    void quitProgram();
    void onWatchdog();

    void checkRegister();
    void checkPrintout();

    QString pdfPath(int page) const;

    static TestEndToEnd *s_instance;

public:
    static QByteArray s_programName;

private:
    QTemporaryDir m_out;
    QPointer<MainWindow> m_window;
    QString m_databasePath;
    QStringList m_unexpectedDialogs;
    bool m_scenarioStarted = false;
    bool m_scenarioFinished = false;
};

TestEndToEnd *TestEndToEnd::s_instance = nullptr;
QByteArray TestEndToEnd::s_programName = QByteArrayLiteral("tst_endtoend");

void TestEndToEnd::initTestCase()
{
    QVERIFY(m_out.isValid());
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext (poppler-utils) is needed to read the printout");
    s_instance = this;
}

void TestEndToEnd::onApplicationCreated()
{
    if (!s_instance)
        return;
    TestEndToEnd *test = s_instance;
    QTimer::singleShot(watchdogMs, qApp, [test] { test->onWatchdog(); });
    auto poll = new QTimer(qApp);
    poll->setInterval(100);
    QObject::connect(poll, &QTimer::timeout, qApp, [test, poll] {
        if (test->m_scenarioStarted)
            return;
        test->waitForMainWindow();
        if (test->m_scenarioStarted) {
            poll->stop();
            test->scenario();
        }
    });
    poll->start();
}

void TestEndToEnd::waitForMainWindow()
{
    // The window shows itself while it is still being built; the user starts once
    // the splash is gone, and so does the test.
    if (visibleTopLevel<QSplashScreen>())
        return;
    m_window = visibleTopLevel<MainWindow>();
    m_scenarioStarted = m_window != nullptr;
}

void TestEndToEnd::onWatchdog()
{
    if (m_scenarioFinished)
        return;
    QTest::qFail("the scenario did not finish in time", __FILE__, __LINE__);
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto dialog = qobject_cast<QDialog *>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
    QCoreApplication::exit(1);
}

QString TestEndToEnd::pdfPath(int page) const
{
    return m_out.filePath(QStringLiteral("form304-page%1.pdf").arg(page + 1));
}

void TestEndToEnd::fromEmptyFolderToPrintedAppendix()
{
    QElapsedTimer elapsed;
    elapsed.start();
    qAddPreRoutine(&TestEndToEnd::onApplicationCreated);

    // The program sees none of the test runner's options.
    QByteArray program = s_programName;
    char *argv[] = {program.data(), nullptr};
    const int status = runApplication(1, argv);

    QVERIFY2(m_scenarioStarted, "the main window never appeared");
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(m_scenarioFinished, "the scenario stopped before its end");
    QVERIFY2(m_unexpectedDialogs.isEmpty(), m_unexpectedDialogs.join(" | ").toUtf8().constData());
    QCOMPARE(status, 0);
    qInfo("program ran %lld ms", elapsed.elapsed());

    checkRegister();
    if (QTest::currentTestFailed())
        return;
    checkPrintout();
}

void TestEndToEnd::scenario()
{
    QVERIFY(m_window);
    m_databasePath = Database::databasePath();
    const QList<void (TestEndToEnd::*)()> steps{&TestEndToEnd::closeTipOfTheDay,
                                                &TestEndToEnd::createOrganisation,
                                                &TestEndToEnd::createTemplate,
                                                &TestEndToEnd::createDocumentFromTemplate,
                                                &TestEndToEnd::saveRegisterBook};
    for (const auto step : steps) {
        (this->*step)();
        if (QTest::currentTestFailed())
            break;
    }
    if (!QTest::currentTestFailed())
        m_scenarioFinished = true;
    quitProgram();
}

void TestEndToEnd::closeTipOfTheDay()
{
    // A fresh user gets the tip of the day shortly after the window appears.
    QDialog *tips = nullptr;
    QTRY_VERIFY((tips = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                && tips->windowTitle() == QStringLiteral("Совет дня"));
    click(child<QPushButton>(tips, "pushButtonClose"));
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

void TestEndToEnd::createOrganisation()
{
    auto fileMenu = m_window->findChild<QMenu *>(QStringLiteral("menuPreferences"));
    QVERIFY(fileMenu);
    QCOMPARE(fileMenu->title(), QStringLiteral("Файл"));
    auto settings = m_window->findChild<QAction *>(QStringLiteral("actionSettings"));
    QVERIFY(settings);
    QVERIFY(fileMenu->actions().contains(settings));
    QCOMPARE(settings->text(), QStringLiteral("Настройки"));
    settings->trigger();

    OptionsDialog *options = nullptr;
    QTRY_VERIFY((options = visibleTopLevel<OptionsDialog>()));
    const QList<QPair<const char *, QString>> inputs{{"lineEditOrgName_1", orgName},
                                                     {"lineEditOrgName_2", orgGenitive},
                                                     {"lineEditOrgName_3", orgPrepositional},
                                                     {"lineEditCity", city},
                                                     {"lineEditBoss_1", boss}};
    for (const auto &input : inputs) {
        auto edit = child<QLineEdit>(options, input.first);
        QVERIFY2(edit, input.first);
        QVERIFY(edit->text().isEmpty());
        typeText(edit, input.second);
        QCOMPARE(edit->text(), input.second);
    }
    click(child<QPushButton>(options, "pushButtonSave"));
    QTRY_VERIFY(!visibleTopLevel<OptionsDialog>());
}

void TestEndToEnd::createTemplate()
{
    m_window->findChild<QAction *>(QStringLiteral("actionCreateDoc"))->trigger();
    SelectTemplateDialog *chooser = nullptr;
    QTRY_VERIFY((chooser = visibleTopLevel<SelectTemplateDialog>()));
    auto list = child<QListWidget>(chooser, "listWidget");
    QVERIFY(list);
    QCOMPARE(list->count(), 0);

    click(child<QPushButton>(chooser, "pushButtonNewTempl"));
    DocumentEditDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = m_window->editDialog()) && dialog->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget *>(dialog));
    QVERIFY(!child<QLineEdit>(dialog, "lineEditFio_2")->isVisible());
    auto name = child<QLineEdit>(dialog, "lineEditFio_1");
    QVERIFY(name->isEnabled());
    typeText(name, templateName);
    typeText(child<QPlainTextEdit>(dialog, "plainTextEditDecision"), decision);
    click(child<QPushButton>(dialog, "pushButtonSave"));

    // Saved: the form is read-only again, the appendix opens, the chooser lists it.
    QTRY_VERIFY(child<QPushButton>(dialog, "pushButtonEdit")->isVisible());
    QVERIFY(!name->isEnabled());
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), templateName);
    QCOMPARE(m_window->documentsTable()->model()->rowCount(), 0);

    fillTemplateAppendix(dialog);
    if (QTest::currentTestFailed())
        return;

    click(child<QPushButton>(dialog, "pushButtonCancel"));
    QTRY_COMPARE(QApplication::activeModalWidget(), static_cast<QWidget *>(chooser));
}

void TestEndToEnd::fillTemplateAppendix(DocumentEditDialog *dialog)
{
    click(child<QPushButton>(dialog, "pushButtonAdditonal"));
    AdditionalEditDialog *appendix = nullptr;
    QTRY_VERIFY((appendix = visibleTopLevel<AdditionalEditDialog>()));
    auto table = child<QTableView>(appendix, "tableView");
    QCOMPARE(table->model()->rowCount(), 0);

    click(child<QPushButton>(appendix, "pushButtonEditForm"));
    auto nameBox = child<QComboBox>(appendix, "comboBoxDiscipline");
    auto gradeBox = child<QComboBox>(appendix, "comboBoxRate");
    for (const Discipline &discipline : templateDisciplines) {
        nameBox->lineEdit()->setFocus();
        typeText(nameBox->lineEdit(), discipline.name);
        QCOMPARE(nameBox->currentText(), discipline.name);
        gradeBox->setCurrentIndex(gradeBox->findText(discipline.grade));
        QCOMPARE(gradeBox->currentText(), discipline.grade);
        click(child<QPushButton>(appendix, "pushButtonAddDisp"));
        QVERIFY(nameBox->currentText().isEmpty());
    }
    QCOMPARE(table->model()->rowCount(), templateDisciplines.size());

    typeText(child<QPlainTextEdit>(appendix, "plainTextEditAdd_1"), courses);
    click(child<QPushButton>(appendix, "pushButtonSave_2"));
    QVERIFY(child<QPushButton>(appendix, "pushButtonEditForm")->isVisible());
    click(child<QPushButton>(appendix, "pushButtonCancel_2"));
    QTRY_COMPARE(QApplication::activeModalWidget(), static_cast<QWidget *>(dialog));
}

void TestEndToEnd::createDocumentFromTemplate()
{
    SelectTemplateDialog *chooser = visibleTopLevel<SelectTemplateDialog>();
    QVERIFY(chooser);
    auto list = child<QListWidget>(chooser, "listWidget");
    auto create = child<QPushButton>(chooser, "pushButtonCreateWithTemplate");
    QVERIFY(!create->isEnabled());
    clickItem(list, list->item(0));
    click(create);
    QTRY_VERIFY(!visibleTopLevel<SelectTemplateDialog>());

    DocumentEditDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = m_window->editDialog()) && dialog->isVisible());
    auto surname = child<QLineEdit>(dialog, "lineEditFio_1");
    auto firstName = child<QLineEdit>(dialog, "lineEditFio_2");
    auto patronymic = child<QLineEdit>(dialog, "lineEditFio_3");
    QVERIFY(surname->isVisible() && surname->isEnabled());
    QVERIFY(surname->text().isEmpty());
    // What the template carries over.
    QCOMPARE(child<QPlainTextEdit>(dialog, "plainTextEditDecision")->toPlainText(), decision);

    QApplication::clipboard()->setText(pastedName);
    surname->setFocus();
    QTest::keyClick(surname, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(surname->text(), QStringLiteral("Смирнова"));
    QCOMPARE(firstName->text(), QStringLiteral("Анна"));
    QCOMPARE(patronymic->text(), QStringLiteral("Викторовна"));

    child<DateLineEdit>(dialog, "dateEditBirth")->setDate(birthDate);
    QTest::keyClicks(child<QLineEdit>(dialog, "lineEditNumber"), number);
    QTest::keyClicks(child<QLineEdit>(dialog, "lineEditRegNumber"), regNumber);
    click(child<QPushButton>(dialog, "pushButtonSave"));
    QTRY_VERIFY(child<QPushButton>(dialog, "pushButtonPrint")->isVisible());
    // The register lists the pupil, not the template.
    QTRY_COMPARE(m_window->documentsTable()->model()->rowCount(), 1);

    addDisciplineToAppendix(dialog);
    if (QTest::currentTestFailed())
        return;
    printAppendixForm(dialog);
    if (QTest::currentTestFailed())
        return;

    click(child<QPushButton>(dialog, "pushButtonCancel"));
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

void TestEndToEnd::addDisciplineToAppendix(DocumentEditDialog *dialog)
{
    click(child<QPushButton>(dialog, "pushButtonAdditonal"));
    AdditionalEditDialog *appendix = nullptr;
    QTRY_VERIFY((appendix = visibleTopLevel<AdditionalEditDialog>()));
    auto table = child<QTableView>(appendix, "tableView");
    // The new document starts with the template's disciplines and sections.
    QCOMPARE(table->model()->rowCount(), templateDisciplines.size());
    QCOMPARE(child<QPlainTextEdit>(appendix, "plainTextEditAdd_1")->toPlainText(), courses);

    click(child<QPushButton>(appendix, "pushButtonEditForm"));
    auto nameBox = child<QComboBox>(appendix, "comboBoxDiscipline");
    nameBox->lineEdit()->setFocus();
    typeText(nameBox->lineEdit(), addedDiscipline.name);
    QCOMPARE(nameBox->currentText(), addedDiscipline.name);
    auto gradeBox = child<QComboBox>(appendix, "comboBoxRate");
    gradeBox->setCurrentIndex(gradeBox->findText(addedDiscipline.grade));
    click(child<QPushButton>(appendix, "pushButtonAddDisp"));
    QCOMPARE(table->model()->rowCount(), templateDisciplines.size() + 1);

    click(child<QPushButton>(appendix, "pushButtonSave_2"));
    click(child<QPushButton>(appendix, "pushButtonCancel_2"));
    QTRY_COMPARE(QApplication::activeModalWidget(), static_cast<QWidget *>(dialog));
}

void TestEndToEnd::printAppendixForm(DocumentEditDialog *dialog)
{
    click(child<QPushButton>(dialog, "pushButtonPrint"));
    PrintDialog *print = nullptr;
    QTRY_VERIFY((print = visibleTopLevel<PrintDialog>()));
    auto forms = child<QListWidget>(print, "listWidget");
    QListWidgetItem *appendixForm = nullptr;
    for (int row = 0; row < forms->count(); ++row) {
        if (forms->item(row)->data(Qt::UserRole).toInt() == ReportList::Id3382)
            appendixForm = forms->item(row);
    }
    clickItem(forms, appendixForm);
    QCOMPARE(forms->currentItem(), appendixForm);
    // Blanks are pre-printed: the scanned background stays off the paper.
    auto background = child<QCheckBox>(print, "checkBoxBackground");
    if (background->isChecked())
        QTest::mouseClick(background, Qt::LeftButton);
    QVERIFY(!background->isChecked());

    // The forms that are only shown stand in the modal stack too; they are passed by.
    ModalAnswerer answerer;
    const auto leaveOpen = [](QWidget *) {};
    answerer.expect(QStringLiteral("Печать"), QString(), leaveOpen);
    QTRY_COMPARE(answerer.pending(), 0);

    const QString previewTitle
            = QCoreApplication::translate("QPrintPreviewDialog", "Print Preview");
    int page = 0;
    const auto renderPreview = [this, &page](QWidget *widget) {
        auto preview = qobject_cast<QPrintPreviewDialog *>(widget);
        QVERIFY(preview);
        auto view = preview->findChild<QPrintPreviewWidget *>();
        QVERIFY(view);
        QCOMPARE(view->pageCount(), 1);
        preview->printer()->setOutputFormat(QPrinter::PdfFormat);
        preview->printer()->setOutputFileName(pdfPath(page++));
        view->print();
        preview->printer()->setOutputFileName(QString());
        preview->accept();
    };
    answerer.expect(previewTitle, QString(), renderPreview);
    answerer.expectButton(QString(), QStringLiteral("Переверните страницу!"), QDialogButtonBox::Ok);
    answerer.expect(previewTitle, QString(), renderPreview);
    answerer.expect(QStringLiteral("Выдача документа"), QString(), leaveOpen);

    click(child<QPushButton>(print, "pushButtonPrint"));
    QTRY_COMPARE(answerer.pending(), 0);
    QTRY_VERIFY(!visibleTopLevel<PrintDialog>());
    QCOMPARE(page, 2);
    m_unexpectedDialogs << answerer.unexpected();
}

// Cyrillic file names are the system's: UTF-8 bytes on disk, read back as written.
void TestEndToEnd::saveRegisterBook()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY(QDir().mkpath(documents));
    // A class list beside the book, named by another program.
    const QByteArray classList = QStringLiteral("4А_класс.csv").toUtf8();
    const int made
            = ::open((documents.toUtf8() + '/' + classList).constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(made >= 0);
    ::close(made);

    m_window->findChild<QAction *>(QStringLiteral("actionRegisterBook"))->trigger();
    RegisterBookDialog *book = nullptr;
    QTRY_VERIFY((book = visibleTopLevel<RegisterBookDialog>()));
    // Every document of the register, with an issue date or not.
    child<QCheckBox>(book, "checkBoxPeriod")->setChecked(false);
    ModalAnswerer answerer;
    QStringList listed;
    answerer.expect(QStringLiteral("Сохранить книгу регистрации"),
                    QString(),
                    [&listed, documents](QWidget *widget) {
                        auto files = qobject_cast<QFileDialog *>(widget);
                        auto model = files->findChild<QFileSystemModel *>();
                        QVERIFY(model);
                        const QModelIndex folder = model->index(documents);
                        // The dialog reads the folder on a thread of its own.
                        QTRY_VERIFY(model->rowCount(folder) > 0);
                        for (int row = 0; row < model->rowCount(folder); ++row)
                            listed << model->index(row, 0, folder).data().toString();
                        static_cast<QDialog *>(files)->accept();
                    });
    answerer.expectButton(QStringLiteral("Информация"),
                          QStringLiteral("Книга регистрации сохранена"),
                          QDialogButtonBox::Ok);
    click(child<QPushButton>(book, "pushButtonCsv"));
    QTRY_COMPARE(answerer.pending(), 0);
    m_unexpectedDialogs << answerer.unexpected();
    click(child<QPushButton>(book, "pushButtonClose"));
    QVERIFY2(listed.contains(QStringLiteral("4А_класс.csv")), qPrintable(listed.join(" | ")));

    QList<QByteArray> names;
    DIR *folder = ::opendir(documents.toUtf8().constData());
    QVERIFY(folder);
    while (const dirent *entry = ::readdir(folder))
        names << QByteArray(entry->d_name);
    ::closedir(folder);
    const QByteArray bookName
            = QStringLiteral("Книга регистрации %1.csv")
                      .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))
                      .toUtf8();
    QVERIFY2(names.contains(bookName), names.join(" | ").constData());
    QVERIFY(names.contains(classList));
}

void TestEndToEnd::quitProgram()
{
    QTRY_VERIFY(!QApplication::activeModalWidget() || QTest::currentTestFailed());
    auto exit = m_window ? m_window->findChild<QAction *>(QStringLiteral("actionExit")) : nullptr;
    if (exit && !QTest::currentTestFailed()) {
        exit->trigger();
        return;
    }
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto dialog = qobject_cast<QDialog *>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
    QCoreApplication::exit(1);
}

void TestEndToEnd::checkRegister()
{
    QVERIFY(QFile::exists(m_databasePath));
    const QString connection = QStringLiteral("endtoend-check");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(m_databasePath);
        QVERIFY(db.open());

        QSqlQuery variable(db);
        variable.prepare(
                QStringLiteral("SELECT Value FROM Variables WHERE lower(Name) = lower(?)"));
        const QList<QPair<QString, QString>> variables{
                {QStringLiteral("Data/OrgName_1"), orgName},
                {QStringLiteral("Data/OrgName_2"), orgGenitive},
                {QStringLiteral("Data/OrgName_3"), orgPrepositional},
                {QStringLiteral("Data/City"), city},
                {QStringLiteral("Data/Boss_1"), boss}};
        for (const auto &expected : variables) {
            variable.addBindValue(expected.first);
            QVERIFY(variable.exec());
            QVERIFY2(variable.next(), expected.first.toUtf8().constData());
            QCOMPARE(variable.value(0).toString(), expected.second);
        }

        QSqlQuery documents(db);
        QVERIFY(documents.exec(QStringLiteral(
                "SELECT psId, isTemplate, fio1, fio2, fio3, birthDate, number, regNumber, "
                "decision, add1 FROM PsDocuments ORDER BY psId")));
        QVERIFY(documents.next());
        const int templateId = documents.value(0).toInt();
        QCOMPARE(documents.value(1).toInt(), 1);
        QCOMPARE(documents.value(2).toString(), templateName);
        QCOMPARE(documents.value(8).toString(), decision);
        QCOMPARE(documents.value(9).toString(), courses);
        QVERIFY(documents.next());
        const int documentId = documents.value(0).toInt();
        QCOMPARE(documents.value(1).toInt(), 0);
        QCOMPARE(documents.value(2).toString(), QStringLiteral("Смирнова"));
        QCOMPARE(documents.value(3).toString(), QStringLiteral("Анна"));
        QCOMPARE(documents.value(4).toString(), QStringLiteral("Викторовна"));
        QCOMPARE(documents.value(5).toString(), birthDate.toString(QStringLiteral("yyyy-MM-dd")));
        QCOMPARE(documents.value(6).toString(), number);
        QCOMPARE(documents.value(7).toString(), regNumber);
        QCOMPARE(documents.value(8).toString(), decision);
        QCOMPARE(documents.value(9).toString(), courses);
        QVERIFY(!documents.next());

        QSqlQuery details(db);
        details.prepare(QStringLiteral("SELECT disciplineName, disciplineRate FROM "
                                       "PsDocumentDetails WHERE psId = ? ORDER BY rowid"));
        const QList<QPair<int, QList<Discipline>>> appendices{
                {templateId, templateDisciplines},
                {documentId, templateDisciplines + QList<Discipline>{addedDiscipline}}};
        for (const auto &appendix : appendices) {
            details.addBindValue(appendix.first);
            QVERIFY(details.exec());
            for (const Discipline &expected : appendix.second) {
                QVERIFY2(details.next(), expected.name.toUtf8().constData());
                QCOMPARE(details.value(0).toString(), expected.name);
                QCOMPARE(details.value(1).toString(), expected.grade);
            }
            QVERIFY(!details.next());
        }
    }
    QSqlDatabase::removeDatabase(connection);
}

void TestEndToEnd::checkPrintout()
{
    const QString front = pdfText(pdfPath(0));
    QVERIFY2(!front.isEmpty(), pdfPath(0).toUtf8().constData());
    QStringList frontTexts{number,
                           QStringLiteral("Смирнова Анна Викторовна"),
                           birthDate.toString(QStringLiteral("dd.MM.yyyy")),
                           orgName};
    for (const Discipline &discipline : templateDisciplines + QList<Discipline>{addedDiscipline})
        frontTexts << discipline.name << discipline.grade;
    for (const QString &text : frontTexts)
        QVERIFY2(front.contains(text), (text + " not in: " + front).toUtf8().constData());
    // The appendix rows keep the order they were entered in.
    int previous = -1;
    for (const Discipline &discipline : templateDisciplines + QList<Discipline>{addedDiscipline}) {
        const int at = front.indexOf(discipline.name);
        QVERIFY2(at > previous, discipline.name.toUtf8().constData());
        previous = at;
    }
    QVERIFY(!front.contains(courses));

    const QString back = pdfText(pdfPath(1));
    QVERIFY2(!back.isEmpty(), pdfPath(1).toUtf8().constData());
    const QStringList backTexts{courses,
                                QStringLiteral("Петров И. Н."),
                                QStringLiteral("рег. № ") + regNumber,
                                QStringLiteral("Смирнова А. В.")};
    for (const QString &text : backTexts)
        QVERIFY2(back.contains(text), (text + " not in: " + back).toUtf8().constData());
    QVERIFY(!back.contains(addedDiscipline.name));
}

int main(int argc, char **argv)
{
    TestHome home;
    // The update check and the banner strip ask only a closed local port.
    qputenv("ZRPS_SERVER_URL", "http://127.0.0.1:1/");
    // A scenario that stops answering is ended from outside, whatever it waits for.
    alarm(150);
    if (argc > 0)
        TestEndToEnd::s_programName = argv[0];
    TestEndToEnd test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_endtoend.moc"
