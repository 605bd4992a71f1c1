#include "documents/additionaleditdialog.h"
#include "documents/datelineedit.h"
#include "documents/documenteditdialog.h"
#include "editfixture.h"
#include "modalanswerer.h"
#include "pagedamage.h"
#include "testhome.h"
#include "typetext.h"

#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTextDocumentFragment>

Q_DECLARE_METATYPE(QDialogButtonBox::StandardButton)

class TestDocumentEditDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void nameSplitting_data();
    void nameSplitting();
    void openingStates_data();
    void openingStates();
    void documentFromTemplate();
    void emptyDocumentGetsNoAppendix();
    void templateIsSavedAsTemplate();
    void saveUpdatesChangeDate();
    void failedInsert_data();
    void failedInsert();
    void updateOfVanishedRowIsReported_data();
    void updateOfVanishedRowIsReported();
    void savedElsewhere_data();
    void savedElsewhere();
    void printRequestCarriesDocument();
    void hintFollowsFocus_data();
    void hintFollowsFocus();
    void birthDate_data();
    void birthDate();
    void closeAsksAboutUnsavedChanges_data();
    void closeAsksAboutUnsavedChanges();
    void classGenderAndNumbers_data();
    void classGenderAndNumbers();
    void unreadableIsNotShown_data();
    void unreadableIsNotShown();

private:
    DocumentEditDialog *open();
    template<class T> T *child(const char *name)
    {
        T *found = m_dialog->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QString text(const char *lineEdit) { return child<QLineEdit>(lineEdit)->text(); }
    bool shown(const char *button) { return !child<QPushButton>(button)->isHidden(); }

    EditFixture m_fixture;
    // Answers the expected message boxes and rejects any other, so no test can hang.
    std::unique_ptr<ModalAnswerer> m_modal;
    QPointer<DocumentEditDialog> m_dialog;
};

void TestDocumentEditDialog::init()
{
    m_fixture.start();
    m_modal = std::make_unique<ModalAnswerer>();
    QApplication::clipboard()->clear();
}

void TestDocumentEditDialog::cleanup()
{
    delete m_dialog.data();
    m_fixture.stop();
    const QStringList unexpected = m_modal->unexpected();
    const int pending = m_modal->pending();
    m_modal.reset();
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('|')));
    QCOMPARE(pending, 0);
}

DocumentEditDialog *TestDocumentEditDialog::open()
{
    m_dialog = new DocumentEditDialog;
    return m_dialog;
}

void TestDocumentEditDialog::nameSplitting_data()
{
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("entered");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QString>("firstNameBefore");
    QTest::addColumn<QString>("patronymicBefore");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("pasted three words with extra blanks fill all three fields")
            << "Иванова  Мария   Петровна "
            << "Иванова  Мария   Петровна " << false << ""
            << "" << QStringList{"Иванова", "Мария", "Петровна"};
    QTest::newRow("pasted four words keep the first two as the surname")
            << "Салтыкова Щедрина Анна Ивановна"
            << "Салтыкова Щедрина Анна Ивановна" << false << ""
            << "" << QStringList{"Салтыкова Щедрина", "Анна", "Ивановна"};
    QTest::newRow("a patronymic of two words with оглы stays whole")
            << "Гусейнов Али Гусейн оглы"
            << "Гусейнов Али Гусейн оглы" << false << ""
            << "" << QStringList{"Гусейнов", "Али", "Гусейн оглы"};
    QTest::newRow("pasted two words give surname and first name")
            << "Петров Иван"
            << "Петров Иван" << false << ""
            << "" << QStringList{"Петров", "Иван", ""};
    QTest::newRow("pasted single word loses its blanks") << "  Петров  "
                                                         << "  Петров  " << false << ""
                                                         << "" << QStringList{"Петров", "", ""};
    QTest::newRow("typed text equal to the clipboard is split")
            << "Петров Иван Ильич"
            << "Петров Иван Ильич" << true << ""
            << "" << QStringList{"Петров", "Иван", "Ильич"};
    QTest::newRow("typed text other than the clipboard stays whole")
            << "Петров Иван Ильич"
            << "Сидоров Пётр Ильич" << true << ""
            << "" << QStringList{"Сидоров Пётр Ильич", "", ""};
    QTest::newRow("pasting while the first name is filled never splits")
            << "Иванова Анна Петровна"
            << "Иванова Анна Петровна" << false << "Мария"
            << "" << QStringList{"Иванова Анна Петровна", "Мария", ""};
    QTest::newRow("pasting while the patronymic is filled never splits")
            << "Иванова Анна Петровна"
            << "Иванова Анна Петровна" << false << ""
            << "Сергеевна" << QStringList{"Иванова Анна Петровна", "", "Сергеевна"};
}

void TestDocumentEditDialog::nameSplitting()
{
    QFETCH(QString, clipboard);
    QFETCH(QString, entered);
    QFETCH(bool, typed);
    QFETCH(QString, firstNameBefore);
    QFETCH(QString, patronymicBefore);
    QFETCH(QStringList, expected);

    open()->createFromTemplate(0);
    child<QLineEdit>("lineEditFio_2")->setText(firstNameBefore);
    child<QLineEdit>("lineEditFio_3")->setText(patronymicBefore);
    QApplication::clipboard()->setText(clipboard);
    QLineEdit *surname = child<QLineEdit>("lineEditFio_1");
    if (typed) {
        // QTest::keyClicks knows ASCII only; these are the events a keyboard sends.
        for (const QChar ch : entered) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(surname, &press);
        }
    } else
        surname->paste();

    QCOMPARE(QStringList({text("lineEditFio_1"), text("lineEditFio_2"), text("lineEditFio_3")}),
             expected);
}

void TestDocumentEditDialog::openingStates_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<bool>("editable");
    QTest::addColumn<bool>("print");
    QTest::addColumn<bool>("appendix");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("nameTitle");

    QTest::newRow("stored document opens for viewing with Print")
            << "document" << false << true << true << "Выдача документа"
            << "Фамилия";
    QTest::newRow("new document opens editable without appendix")
            << "new document" << true << false << false << "Выдача документа"
            << "Фамилия";
    QTest::newRow("stored template opens for viewing without Print")
            << "template" << false << false << true << "Реактирование шаблона"
            << "Название шаблона";
    QTest::newRow("new template opens editable without Print")
            << "new template" << true << false << false << "Реактирование шаблона"
            << "Название шаблона";
}

void TestDocumentEditDialog::openingStates()
{
    QFETCH(QString, request);
    QFETCH(bool, editable);
    QFETCH(bool, print);
    QFETCH(bool, appendix);
    QFETCH(QString, title);
    QFETCH(QString, nameTitle);

    EditFixture::Row row;
    row.fio1 = "Иванов";
    const int id = EditFixture::insertRow(row);
    DocumentEditDialog *dialog = open();
    if (request == "document") {
        dialog->loadDocument(id);
    } else if (request == "new document") {
        dialog->createFromTemplate(0);
    } else if (request == "template") {
        dialog->loadDocument(id);
        dialog->setTemplateMode(true);
    } else {
        dialog->loadDocument(-1);
        dialog->setTemplateMode(true);
    }

    QCOMPARE(dialog->windowTitle(), title);
    QCOMPARE(child<QGroupBox>("groupBoxFio1")->title(), nameTitle);
    QCOMPARE(child<QGroupBox>("groupBoxFio2")->isHidden(), dialog->templateMode());
    QCOMPARE(child<QGroupBox>("groupBoxFio3")->isHidden(), dialog->templateMode());
    QCOMPARE(shown("pushButtonSave"), editable);
    QCOMPARE(shown("pushButtonEdit"), !editable);
    QCOMPARE(shown("pushButtonPrint"), print);
    QCOMPARE(child<QPushButton>("pushButtonAdditonal")->isEnabled(), appendix);
    QCOMPARE(child<QLineEdit>("lineEditFio_1")->isEnabled(), editable);
    QCOMPARE(child<QPlainTextEdit>("plainTextEditDecision")->isEnabled(), editable);
    QVERIFY(!child<QLineEdit>("lineEditDate")->isEnabled());
    QVERIFY(child<QLineEdit>("lineEditDate")->isReadOnly());

    // Edit never brings Print to a template.
    dialog->on_pushButtonEdit_clicked();
    QVERIFY(shown("pushButtonSave"));
    QVERIFY(!shown("pushButtonPrint"));
}

void TestDocumentEditDialog::documentFromTemplate()
{
    EditFixture::Row tpl;
    tpl.isTemplate = 1;
    tpl.fio1 = "Основной";
    tpl.fio2 = "лишнее";
    tpl.number = "77 АА";
    tpl.regNumber = "R-15";
    tpl.birthDate = "2013-02-03";
    tpl.issueDate = "2024-05-25";
    tpl.editDate = "2024-05-20 09:00:00";
    tpl.decision = "Освоил программу";
    tpl.sections = QStringList{"курсы", "программы", "олимпиады", "мета", "личностные"};
    const int templateId = EditFixture::insertRow(tpl);
    QVERIFY(EditFixture::exec(
            QString("UPDATE PsDocuments SET schoolClass = '4А' WHERE psId = %1").arg(templateId)));
    EditFixture::insertDetail(templateId, "Русский язык", "5");
    EditFixture::insertDetail(templateId, "Математика", "Освоено");

    DocumentEditDialog *dialog = open();
    QSignalSpy updated(dialog, &DocumentEditDialog::documentsUpdated);
    dialog->createFromTemplate(templateId);

    QCOMPARE(text("lineEditFio_1"), QString());
    QCOMPARE(text("lineEditFio_2"), QString());
    QCOMPARE(text("lineEditFio_3"), QString());
    QCOMPARE(text("lineEditNumber"), QString("77 АА"));
    QCOMPARE(text("lineEditRegNumber"), QString("R-15"));
    // The pupil's birth date and the document's change date are its own, as in a new document.
    QCOMPARE(text("dateEditBirth"), QString());
    QCOMPARE(text("lineEditDate"), QString());
    QCOMPARE(child<QDateEdit>("dateEditIssue")->date(), QDate(2024, 5, 25));
    QCOMPARE(child<QPlainTextEdit>("plainTextEditDecision")->toPlainText(),
             QString("Освоил программу"));
    QCOMPARE(dialog->documentId(), 0);
    QVERIFY(!child<QPushButton>("pushButtonAdditonal")->isEnabled());
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocuments"), 1);

    child<QLineEdit>("lineEditFio_1")->setText("Смирнова");
    child<QLineEdit>("lineEditFio_2")->setText("Ольга");
    dialog->on_pushButtonSave_clicked();

    const int id = dialog->documentId();
    QVERIFY(id > templateId);
    QCOMPARE(updated.count(), 1);
    QVERIFY(child<QPushButton>("pushButtonAdditonal")->isEnabled());
    QVERIFY(shown("pushButtonEdit"));
    QCOMPARE(EditFixture::scalar(QString("SELECT isTemplate || '|' || fio1 || '|' || fio2 || '|' "
                                         "|| number || '|' || birthDate || '|' || issueDate || "
                                         "'|' || add1 || add2 || add3 || add4 || add5 || '|' || "
                                         "schoolClass FROM PsDocuments WHERE psId = %1")
                                         .arg(id)),
             QString("0|Смирнова|Ольга|77 АА||2024-05-25|"
                     "курсыпрограммыолимпиадыметаличностные|4А"));
    const QDateTime changed = QDateTime::fromString(
            EditFixture::scalar(
                    QString("SELECT editDate FROM PsDocuments WHERE psId = %1").arg(id)),
            "yyyy-MM-dd hh:mm:ss");
    QVERIFY(qAbs(changed.secsTo(QDateTime::currentDateTime())) < 60);
    QCOMPARE(EditFixture::appendix(id), QStringList({"Русский язык:5", "Математика:Освоено"}));
    QCOMPARE(EditFixture::appendix(templateId), EditFixture::appendix(id));
}

void TestDocumentEditDialog::emptyDocumentGetsNoAppendix()
{
    const int other = EditFixture::insertRow({});
    EditFixture::insertDetail(other, "Чужая", "3");

    DocumentEditDialog *dialog = open();
    dialog->createFromTemplate(0);
    QCOMPARE(child<QDateEdit>("dateEditIssue")->date(), QDate::currentDate());
    child<QLineEdit>("lineEditFio_1")->setText("Новиков");
    dialog->on_pushButtonSave_clicked();

    const int id = dialog->documentId();
    QVERIFY(id > other);
    QVERIFY(EditFixture::appendix(id).isEmpty());
    QCOMPARE(EditFixture::scalar(QString("SELECT IFNULL(add1, 'null') FROM PsDocuments WHERE "
                                         "psId = %1")
                                         .arg(id)),
             QString("null"));
    QCOMPARE(EditFixture::scalar(
                     QString("SELECT issueDate FROM PsDocuments WHERE psId = %1").arg(id)),
             QDate::currentDate().toString("yyyy-MM-dd"));
}

void TestDocumentEditDialog::templateIsSavedAsTemplate()
{
    DocumentEditDialog *dialog = open();
    dialog->loadDocument(-1);
    dialog->setTemplateMode(true);
    // A template's name is free text; pasting it must not spread it over hidden fields.
    QApplication::clipboard()->setText("Девочки 2024 года");
    child<QLineEdit>("lineEditFio_1")->paste();
    QCOMPARE(text("lineEditFio_1"), QString("Девочки 2024 года"));
    dialog->on_pushButtonSave_clicked();

    const int id = dialog->documentId();
    QVERIFY(id > 0);
    QCOMPARE(EditFixture::scalar(
                     QString("SELECT isTemplate || '|' || fio1 || '|' || IFNULL(fio2, 'null') "
                             "FROM PsDocuments WHERE psId = %1")
                             .arg(id)),
             QString("1|Девочки 2024 года|"));
    QVERIFY(shown("pushButtonEdit"));
    QVERIFY(!shown("pushButtonPrint"));
    QCOMPARE(EditFixture::count("SELECT * FROM viewPsDocuments"), 0);
}

void TestDocumentEditDialog::saveUpdatesChangeDate()
{
    EditFixture::Row row;
    row.fio1 = "Иванов";
    row.number = "1";
    row.editDate = "2001-01-01 00:00:00";
    const int id = EditFixture::insertRow(row);

    DocumentEditDialog *dialog = open();
    dialog->loadDocument(id);
    QCOMPARE(text("lineEditDate"), QString("2001-01-01 00:00:00"));
    dialog->on_pushButtonEdit_clicked();
    child<QLineEdit>("lineEditNumber")->setText("  2 ");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    dialog->on_pushButtonSave_clicked();
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    const QString stored = EditFixture::scalar(
            QString("SELECT editDate FROM PsDocuments WHERE psId = %1").arg(id));
    QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                     .match(stored)
                     .hasMatch(),
             qPrintable(stored));
    const QDateTime saved = QDateTime::fromString(stored, "yyyy-MM-dd hh:mm:ss");
    QVERIFY(saved >= before.addMSecs(-before.time().msec()) && saved <= after);
    QCOMPARE(text("lineEditDate"), stored);
    QCOMPARE(EditFixture::scalar(QString("SELECT number FROM PsDocuments WHERE psId = %1").arg(id)),
             QString("  2 "));
    QVERIFY(!shown("pushButtonSave"));
    QCOMPARE(dialog->documentId(), id);
}

void TestDocumentEditDialog::failedInsert_data()
{
    QTest::addColumn<QString>("trigger");

    QTest::newRow("document row refused") << "CREATE TRIGGER refuse BEFORE INSERT ON PsDocuments "
                                             "BEGIN SELECT RAISE(ABORT, 'refused'); END";
    QTest::newRow("appendix copy refused after the row was written")
            << "CREATE TRIGGER refuse BEFORE INSERT ON PsDocumentDetails "
               "BEGIN SELECT RAISE(ABORT, 'refused'); END";
}

void TestDocumentEditDialog::failedInsert()
{
    QFETCH(QString, trigger);

    EditFixture::Row tpl;
    tpl.isTemplate = 1;
    tpl.fio1 = "Основной";
    tpl.sections = QStringList{"a", "b", "c", "d", "e"};
    const int templateId = EditFixture::insertRow(tpl);
    QVERIFY(EditFixture::exec(
            QString("UPDATE PsDocuments SET schoolClass = '4А' WHERE psId = %1").arg(templateId)));
    EditFixture::insertDetail(templateId, "Русский язык", "5");
    QVERIFY(EditFixture::exec(trigger));

    DocumentEditDialog *dialog = open();
    QSignalSpy updated(dialog, &DocumentEditDialog::documentsUpdated);
    dialog->createFromTemplate(templateId);
    child<QLineEdit>("lineEditFio_1")->setText("Смирнова");
    m_modal->expectButton("Ошибка", "Документ не сохранён.", QDialogButtonBox::Ok);
    dialog->on_pushButtonSave_clicked();
    QCOMPARE(m_modal->pending(), 0);

    QCOMPARE(updated.count(), 0);
    QCOMPARE(dialog->documentId(), 0);
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocuments"), 1);
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocumentDetails"), 1);
    QCOMPARE(text("lineEditFio_1"), QString("Смирнова"));
    QVERIFY(shown("pushButtonSave"));
    QVERIFY(!child<QPushButton>("pushButtonAdditonal")->isEnabled());

    // Once the obstacle is gone the same input is saved whole.
    QVERIFY(EditFixture::exec("DROP TRIGGER refuse"));
    dialog->on_pushButtonSave_clicked();
    QVERIFY(dialog->documentId() > templateId);
    QCOMPARE(EditFixture::appendix(dialog->documentId()), QStringList{"Русский язык:5"});
}

void TestDocumentEditDialog::updateOfVanishedRowIsReported_data()
{
    QTest::addColumn<int>("answer");         // QDialogButtonBox::StandardButton of the question
    QTest::addColumn<QStringList>("stored"); // fio2 of the register's rows afterwards
    QTest::addColumn<bool>("open");          // the dialog after the save
    QTest::addColumn<QString>("elsewhere");  // what another workstation did to the row

    const QString deleted = "DELETE FROM PsDocuments WHERE psId = %1";
    QTest::newRow("saved as a new document")
            << int(QDialogButtonBox::Save) << QStringList{"Пётр"} << true << deleted;
    QTest::newRow("closed without saving")
            << int(QDialogButtonBox::Close) << QStringList() << false << deleted;
    QTest::newRow("moved into the bin: saved as a new document, the binned row untouched")
            << int(QDialogButtonBox::Save) << QStringList{"", "Пётр"} << true
            << "UPDATE PsDocuments SET deletedAt = '2026-01-01 00:00:00', version = version + 1 "
               "WHERE psId = %1";
}

void TestDocumentEditDialog::updateOfVanishedRowIsReported()
{
    QFETCH(int, answer);
    QFETCH(QStringList, stored);
    QFETCH(bool, open);
    QFETCH(QString, elsewhere);

    EditFixture::Row row;
    row.fio1 = "Иванов";
    const int id = EditFixture::insertRow(row);
    DocumentEditDialog *dialog = this->open();
    dialog->show();
    dialog->loadDocument(id);
    dialog->on_pushButtonEdit_clicked();
    child<QLineEdit>("lineEditFio_2")->setText("Пётр");
    QVERIFY(EditFixture::execElsewhere(elsewhere.arg(id)));

    m_modal->expectButton("Внимание!",
                          "Документ удалён из реестра в другом месте",
                          QDialogButtonBox::StandardButton(answer));
    dialog->on_pushButtonSave_clicked();
    QCOMPARE(m_modal->pending(), 0);

    QStringList names;
    for (int i = 0; i < stored.size(); ++i)
        names << EditFixture::scalar(
                QString("SELECT fio2 FROM PsDocuments LIMIT 1 OFFSET %1").arg(i));
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocuments"), stored.size());
    QCOMPARE(names, stored);
    QCOMPARE(dialog->isVisible(), open);
    if (open) {
        QVERIFY(dialog->documentId() != id);
        QVERIFY(!shown("pushButtonSave"));
    }
}

void TestDocumentEditDialog::savedElsewhere_data()
{
    QTest::addColumn<QString>("loadedDate");
    QTest::addColumn<bool>("otherSave");
    QTest::addColumn<int>("answer"); // QDialogButtonBox::StandardButton of the question
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("onScreen");
    QTest::addColumn<bool>("sameSecond"); // the other save stamps the date this one loaded

    QTest::newRow("a row without a change date is saved without a question")
            << "" << false << int(QDialogButtonBox::NoButton) << "Пётр"
            << "Пётр" << false;
    QTest::newRow("saved elsewhere, reload shows the stored row")
            << "2024-05-25 10:00:00" << true << int(QDialogButtonBox::Discard) << "Павел"
            << "Павел" << false;
    QTest::newRow("saved elsewhere, overwrite stores mine")
            << "2024-05-25 10:00:00" << true << int(QDialogButtonBox::Save) << "Пётр"
            << "Пётр" << false;
    QTest::newRow("saved elsewhere, cancel keeps both")
            << "2024-05-25 10:00:00" << true << int(QDialogButtonBox::Cancel) << "Павел"
            << "Пётр" << false;
    QTest::newRow("saved elsewhere in the same second, reload shows the stored row")
            << "2024-05-25 10:00:00" << true << int(QDialogButtonBox::Discard) << "Павел"
            << "Павел" << true;
}

void TestDocumentEditDialog::savedElsewhere()
{
    QFETCH(QString, loadedDate);
    QFETCH(bool, otherSave);
    QFETCH(int, answer);
    QFETCH(QString, stored);
    QFETCH(QString, onScreen);
    QFETCH(bool, sameSecond);

    EditFixture::Row row;
    row.fio1 = "Иванов";
    row.fio2 = "Иван";
    const int id = EditFixture::insertRow(row);
    // A row written by an older version may have no change date at all.
    QVERIFY(EditFixture::exec(QString("UPDATE PsDocuments SET editDate = %1 WHERE psId = %2")
                                      .arg(loadedDate.isEmpty() ? "NULL" : "'" + loadedDate + "'")
                                      .arg(id)));
    DocumentEditDialog *dialog = open();
    dialog->loadDocument(id);
    dialog->on_pushButtonEdit_clicked();
    child<QLineEdit>("lineEditFio_2")->setText("Пётр");
    if (otherSave) {
        // Every save counts itself; within the second of the load it stamps the same date.
        QVERIFY(EditFixture::execElsewhere(
                QString("UPDATE PsDocuments SET fio2 = 'Павел', editDate = '%1', "
                        "version = version + 1 WHERE psId = %2")
                        .arg(sameSecond ? loadedDate : QString("2024-06-01 12:00:00"))
                        .arg(id)));
        m_modal->expectButton("Внимание!",
                              "Документ изменён в другом месте",
                              QDialogButtonBox::StandardButton(answer));
    }
    QCOMPARE(dialog->saveDocument(), stored == "Пётр");
    QCOMPARE(m_modal->pending(), 0);

    QCOMPARE(EditFixture::scalar(QString("SELECT fio2 FROM PsDocuments WHERE psId = %1").arg(id)),
             stored);
    QCOMPARE(text("lineEditFio_2"), onScreen);
    QCOMPARE(shown("pushButtonSave"), answer == int(QDialogButtonBox::Cancel));
    QCOMPARE(EditFixture::scalar("PRAGMA integrity_check"), QString("ok"));
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocuments"), 1);
}

void TestDocumentEditDialog::printRequestCarriesDocument()
{
    const int id = EditFixture::insertRow({});
    DocumentEditDialog *dialog = open();
    dialog->loadDocument(id);
    QSignalSpy print(dialog, &DocumentEditDialog::documentPrint);
    QVERIFY(QMetaObject::invokeMethod(
            dialog, "onReportTypeSelected", Q_ARG(int, 304), Q_ARG(bool, true)));
    QCOMPARE(print.count(), 1);
    QCOMPARE(print.first(), QVariantList({304, id, true}));
}

void TestDocumentEditDialog::hintFollowsFocus_data()
{
    QTest::addColumn<QString>("focused");
    QTest::addColumn<QString>("hint");

    const QString number = "Номер документа, который выдаётся студенту";
    QTest::newRow("number shows its own text") << "lineEditNumber" << number;
    QTest::newRow("registration number shares it") << "lineEditRegNumber" << number;
    QTest::newRow("date shows the date text")
            << "dateEditBirth"
            << "Дата выдачи документа, которася выводится на бланке документа";
    QTest::newRow("surname falls back to the dialog")
            << "lineEditFio_1"
            << "Диалог оформления выдачи документа студенту";
    QTest::newRow("a widget of another window changes nothing") << ""
                                                                << "";
}

void TestDocumentEditDialog::hintFollowsFocus()
{
    QFETCH(QString, focused);
    QFETCH(QString, hint);

    DocumentEditDialog *dialog = open();
    QWidget outside;
    QWidget *now = focused.isEmpty() ? &outside : dialog->findChild<QWidget *>(focused);
    QVERIFY(now);
    dialog->onFocusChanged(nullptr, now);
    QCOMPARE(QTextDocumentFragment::fromHtml(child<QLabel>("labelHelp")->text()).toPlainText(),
             hint);
}

void TestDocumentEditDialog::birthDate_data()
{
    QTest::addColumn<QString>("before"); // as stored; "new" for a new document
    QTest::addColumn<QString>("typed");  // over the field's text, "" erases it
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown"); // after the save and a reload

    QTest::newRow("a new document has none and stores none") << "new"
                                                             << ""
                                                             << ""
                                                             << "";
    QTest::newRow("typed with dots") << "new"
                                     << "14.03.2013"
                                     << "2013-03-14"
                                     << "14.03.2013";
    QTest::newRow("typed without dots") << "new"
                                        << "14032013"
                                        << "2013-03-14"
                                        << "14.03.2013";
    QTest::newRow("day and month of one digit") << "new"
                                                << "4.3.2013"
                                                << "2013-03-04"
                                                << "04.03.2013";
    QTest::newRow("erased from a stored document") << "2013-02-03"
                                                   << ""
                                                   << ""
                                                   << "";
    QTest::newRow("no such day: refused, the stored date stays") << "2013-02-03"
                                                                 << "31022013"
                                                                 << "2013-02-03"
                                                                 << "31.02.2013";
}

void TestDocumentEditDialog::birthDate()
{
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, shown);

    DocumentEditDialog *dialog = open();
    if (before == "new") {
        dialog->createFromTemplate(0);
        child<QLineEdit>("lineEditFio_1")->setText("Новиков");
    } else {
        EditFixture::Row row;
        row.fio1 = "Новиков";
        row.birthDate = before;
        dialog->loadDocument(EditFixture::insertRow(row));
        dialog->on_pushButtonEdit_clicked();
    }
    auto *birth = child<DateLineEdit>("dateEditBirth");
    QCOMPARE(birth->text().isEmpty(), before == "new");
    birth->selectAll();
    if (typed.isEmpty())
        QTest::keyClick(birth, Qt::Key_Delete);
    else
        typeText(birth, typed);
    QTest::keyClick(birth, Qt::Key_Tab);
    const bool refused = stored == before && !typed.isEmpty();
    if (refused)
        m_modal->expectButton("Ошибка", "Дата рождения", QDialogButtonBox::Ok);
    QCOMPARE(dialog->saveDocument(), !refused);
    QCOMPARE(m_modal->pending(), 0);

    QCOMPARE(EditFixture::scalar("SELECT IFNULL(birthDate, 'null') FROM PsDocuments"), stored);
    QCOMPARE(birth->text(), shown);
}

void TestDocumentEditDialog::closeAsksAboutUnsavedChanges_data()
{
    QTest::addColumn<QString>("how");   // "Закрыть", "Escape" or the window's "close button"
    QTest::addColumn<QString>("into");  // the field typed into
    QTest::addColumn<QString>("typed"); // typed over its text ("Иван", no birth date), if any
    QTest::addColumn<QString>("other"); // what happens to the stored row meanwhile
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer"); // to "Сохранить изменения?"
    QTest::addColumn<QDialogButtonBox::StandardButton>("then"); // to the save's own question
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("stays");

    using B = QDialogButtonBox;
    const QString name = "lineEditFio_2";
    const QString birth = "dateEditBirth";
    QTest::newRow("nothing typed: closed without a question")
            << "Закрыть" << name << ""
            << "" << B::NoButton << B::NoButton << "Иван" << false;
    QTest::newRow("typed back as it was: closed without a question")
            << "Escape" << name << "Иван"
            << "" << B::NoButton << B::NoButton << "Иван" << false;
    QTest::newRow("Закрыть, Save stores and closes")
            << "Закрыть" << name << "Пётр"
            << "" << B::Save << B::NoButton << "Пётр" << false;
    QTest::newRow("Escape, Discard closes without storing")
            << "Escape" << name << "Пётр"
            << "" << B::Discard << B::NoButton << "Иван" << false;
    QTest::newRow("close button, Cancel keeps the window and the typing")
            << "close button" << name << "Пётр"
            << "" << B::Cancel << B::NoButton << "Иван" << true;
    QTest::newRow("saved elsewhere: Save asks again, Cancel keeps the window")
            << "Закрыть" << name << "Пётр"
            << "saved" << B::Save << B::Cancel << "Павел" << true;
    QTest::newRow("saved elsewhere: Save asks again, overwrite stores and closes")
            << "close button" << name << "Пётр"
            << "saved" << B::Save << B::Save << "Пётр" << false;
    QTest::newRow("a save the register refuses keeps the window")
            << "Escape" << name << "Пётр"
            << "refused" << B::Save << B::Ok << "Иван" << true;
    QTest::newRow("a birth date typed in part over none: asked, Cancel keeps it")
            << "Escape" << birth << "12.0"
            << "" << B::Cancel << B::NoButton << "Иван" << true;
    // The save's own question here is the refusal of the date.
    QTest::newRow("an impossible birth date typed over none: asked, Save refuses it")
            << "Закрыть" << birth << "31.02.2013"
            << "" << B::Save << B::Ok << "Иван" << true;
}

void TestDocumentEditDialog::closeAsksAboutUnsavedChanges()
{
    QFETCH(QString, how);
    QFETCH(QString, into);
    QFETCH(QString, typed);
    QFETCH(QString, other);
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(QDialogButtonBox::StandardButton, then);
    QFETCH(QString, stored);
    QFETCH(bool, stays);

    EditFixture::Row row;
    row.fio1 = "Иванов";
    row.fio2 = "Иван";
    row.editDate = "2024-05-25 10:00:00";
    const int id = EditFixture::insertRow(row);
    DocumentEditDialog *dialog = open();
    dialog->loadDocument(id);
    // Shown for the window's close button to count; not modal, so the answerer sees
    // only the questions.
    dialog->setWindowModality(Qt::NonModal);
    dialog->show();
    dialog->on_pushButtonEdit_clicked();
    auto *field = child<QLineEdit>(qPrintable(into));
    if (!typed.isEmpty()) {
        field->selectAll();
        typeText(field, typed);
    }
    if (other == "saved")
        QVERIFY(EditFixture::execElsewhere(QString("UPDATE PsDocuments SET fio2 = 'Павел', "
                                                   "editDate = '2024-06-01 12:00:00' WHERE "
                                                   "psId = %1")
                                                   .arg(id)));
    if (other == "refused")
        QVERIFY(EditFixture::exec("CREATE TRIGGER refuse BEFORE UPDATE ON PsDocuments "
                                  "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    if (answer != QDialogButtonBox::NoButton)
        m_modal->expectButton("Внимание!", "Сохранить изменения?", answer);
    if (other == "saved")
        m_modal->expectButton("Внимание!", "Документ изменён в другом месте", then);
    if (other == "refused")
        m_modal->expectButton("Ошибка", "Документ не сохранён.", then);
    if (other.isEmpty() && then != QDialogButtonBox::NoButton)
        m_modal->expectButton("Ошибка", "Дата рождения", then);

    EditFixture::closeAs(how, dialog, child<QPushButton>("pushButtonCancel"), field);
    QCOMPARE(m_modal->pending(), 0);

    QCOMPARE(!m_dialog.isNull(), stays);
    if (stays) {
        QVERIFY(dialog->isVisible());
        QCOMPARE(field->text(), typed);
    }
    QCOMPARE(EditFixture::scalar(QString("SELECT fio2 FROM PsDocuments WHERE psId = %1").arg(id)),
             stored);
}

void TestDocumentEditDialog::classGenderAndNumbers_data()
{
    QTest::addColumn<bool>("stored"); // the document is the stored Иванов, else a new one
    QTest::addColumn<QString>("patronymic"); // typed
    QTest::addColumn<int>("answer");         // chosen in "Пол" when it can be; -1: nothing
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("regNumber");
    QTest::addColumn<int>("question");   // the button pressed; NoButton: no question
    QTest::addColumn<QString>("result"); // "class|gender|number" stored, or "not saved"

    const int none = int(QDialogButtonBox::NoButton);
    QTest::newRow("the patronymic tells: a girl, the choice closed")
            << false << "Петровна" << int(PupilGender::Boy) << ""
            << "" << none << "4А|f|";
    QTest::newRow("a foreign patronymic: the user's answer is kept")
            << false << "Smith" << int(PupilGender::Boy) << ""
            << "" << none << "4А|m|";
    QTest::newRow("no patronymic and no answer") << false << "" << -1 << ""
                                                 << "" << none << "4А||";
    QTest::newRow("a number another document has: Cancel saves nothing")
            << false << "" << -1 << "000101"
            << "" << int(QDialogButtonBox::Cancel) << "not saved";
    QTest::newRow("a number another document has: saved when the user says so")
            << false << "" << -1 << "000101"
            << "" << int(QDialogButtonBox::Save) << "4А||000101";
    QTest::newRow("a registration number written with a blank and in small letters")
            << false << "" << -1 << ""
            << "р 20" << int(QDialogButtonBox::Cancel) << "not saved";
    QTest::newRow("the document's own number asks nothing") << true << "Ильич" << -1 << "000101"
                                                            << "Р20" << none << "4А|m|000101";
    QTest::newRow("a template's number asks nothing") << false << "" << -1 << "000777"
                                                      << "" << none << "4А||000777";
}

void TestDocumentEditDialog::classGenderAndNumbers()
{
    QFETCH(bool, stored);
    QFETCH(QString, patronymic);
    QFETCH(int, answer);
    QFETCH(QString, number);
    QFETCH(QString, regNumber);
    QFETCH(int, question);
    QFETCH(QString, result);

    const int ivanov = EditFixture::insertRow({"Иванов", "Иван", "Ильич", "", "000101", "Р20"});
    EditFixture::Row templateRow{"Шаблон", "", "", "", "000777"};
    templateRow.isTemplate = 1;
    EditFixture::insertRow(templateRow);

    DocumentEditDialog *dialog = open();
    if (stored) {
        dialog->loadDocument(ivanov);
        dialog->on_pushButtonEdit_clicked();
    } else {
        dialog->createFromTemplate(0);
        child<QLineEdit>("lineEditFio_1")->setText("Петрова");
    }
    child<QLineEdit>("lineEditFio_3")->setText(patronymic);
    auto *gender = child<QComboBox>("comboBoxGender");
    const bool told = PupilGender::fromPatronymic(patronymic) != PupilGender::Unknown;
    QCOMPARE(gender->isEnabled(), !told);
    if (answer >= 0 && gender->isEnabled())
        gender->setCurrentIndex(gender->findData(answer));
    child<QLineEdit>("lineEditClass")->setText(" 4А ");
    child<QLineEdit>("lineEditNumber")->setText(number);
    child<QLineEdit>("lineEditRegNumber")->setText(regNumber);
    if (question != int(QDialogButtonBox::NoButton))
        m_modal->expectButton("Внимание!",
                              "уже указан в документе «Иванов Иван Ильич»",
                              QDialogButtonBox::StandardButton(question));

    const bool saved = dialog->saveDocument();
    QCOMPARE(m_modal->pending(), 0);
    QCOMPARE(saved, result != "not saved");
    const QString rows = "SELECT schoolClass || '|' || gender || '|' || number FROM PsDocuments "
                         "WHERE isTemplate = 0 AND psId %1 %2";
    if (!saved) {
        QCOMPARE(EditFixture::count(rows.arg("!=").arg(ivanov)), 0);
        QVERIFY(shown("pushButtonSave"));
        return;
    }
    const int id = dialog->documentId();
    QCOMPARE(EditFixture::scalar(rows.arg("=").arg(id)), result);
    // Opened again, the document shows what it keeps.
    dialog->loadDocument(id);
    QCOMPARE(text("lineEditClass"), QString("4А"));
    QCOMPARE(gender->currentData().toInt(),
             int(PupilGender::fromStored(result.section('|', 1, 1))));
}

void TestDocumentEditDialog::unreadableIsNotShown_data()
{
    QTest::addColumn<bool>("fromTemplate"); // a new document from the template, or the row itself
    QTest::addColumn<QString>("told");

    QTest::newRow("a document whose grades do not read")
            << false << "Документ не удалось прочитать из реестра";
    QTest::newRow("a template whose grades do not read, for a new document")
            << true << "Шаблон не удалось прочитать из реестра";
}

// Shown without its grades, a document could be saved or printed as one that has none.
void TestDocumentEditDialog::unreadableIsNotShown()
{
    QFETCH(bool, fromTemplate);
    QFETCH(QString, told);

    EditFixture::Row row;
    row.isTemplate = fromTemplate ? 1 : 0;
    row.fio1 = "Иванов";
    const int id = EditFixture::insertRow(row);
    EditFixture::insertDetail(id, "Математика", "5");
    QVERIFY(damageTablePage(QSqlDatabase::database(), "PsDocumentDetails"));
    m_modal->expectButton("Ошибка", told, QDialogButtonBox::Ok);

    DocumentEditDialog *dialog = open();
    QSignalSpy updated(dialog, &DocumentEditDialog::documentsUpdated);
    QVERIFY(!(fromTemplate ? dialog->createFromTemplate(id) : dialog->loadDocument(id)));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(updated.count(), 0);
    QCOMPARE(EditFixture::scalar("SELECT COUNT(*) FROM PsDocuments"), QString("1"));
    QCOMPARE(EditFixture::scalar(QString("SELECT fio1 FROM PsDocuments WHERE psId = %1").arg(id)),
             QString("Иванов"));
}

ZR_TEST_MAIN(TestDocumentEditDialog)
#include "tst_documenteditdialog.moc"
