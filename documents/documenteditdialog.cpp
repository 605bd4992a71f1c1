#include "documenteditdialog.h"
#include "ui_documenteditdialog.h"

#include "additionaleditdialog.h"
#include "app/debuglog.h"
#include "database/database.h"
#include "documentstore.h"
#include "personname.h"
#include "printing/printdialog.h"
#include "saveconflict.h"
#include "settings/spellchecker.h"
#include "settings/widgetgeometry.h"

#include "ZrReport/unsavedchanges.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDateTime>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

DocumentEditDialog::DocumentEditDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DocumentEditDialog)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Выдача документа"));

    setEditable(false);
    ui->pushButtonAdditonal->setEnabled(false);
    ui->dateEditIssue->setDate(QDate::currentDate());
    // Pupils finish primary school at ten or eleven.
    ui->dateEditBirth->setCalendarStart(QDate::currentDate().addYears(-11));

    attachSpellChecker(this);
    restoreWidgetGeometry(this);

    connect(ui->lineEditFio_1, &QLineEdit::textChanged, this, &DocumentEditDialog::splitPastedName);
    // The hint box explains whatever the user is in; without this it would stay empty.
    connect(qApp, &QApplication::focusChanged, this, &DocumentEditDialog::onFocusChanged);
}

DocumentEditDialog::~DocumentEditDialog()
{
    // Hiding in the base destructor moves the focus; by then this part is gone.
    disconnect(qApp, &QApplication::focusChanged, this, &DocumentEditDialog::onFocusChanged);
    saveWidgetGeometry(this);
    delete ui;
}

void DocumentEditDialog::setEditable(bool enabled)
{
    editable = enabled;
    const QList<QWidget *> inputs{ui->lineEditFio_1,
                                  ui->lineEditFio_2,
                                  ui->lineEditFio_3,
                                  ui->lineEditNumber,
                                  ui->lineEditRegNumber,
                                  ui->dateEditIssue,
                                  ui->dateEditBirth,
                                  ui->plainTextEditDecision};
    for (QWidget *input : inputs)
        input->setEnabled(enabled);
    ui->pushButtonEdit->setVisible(!enabled);
    ui->pushButtonPrint->setVisible(!enabled && !isTemplate);
    ui->pushButtonSave->setVisible(enabled);
}

void DocumentEditDialog::setTemplateMode(bool t)
{
    isTemplate = t;
    ui->groupBoxFio2->setVisible(!t);
    ui->groupBoxFio3->setVisible(!t);
    ui->groupBoxFio1->setTitle(t ? QStringLiteral("Название шаблона") : QStringLiteral("Фамилия"));
    setWindowTitle(t ? QStringLiteral("Реактирование шаблона")
                     : QStringLiteral("Выдача документа"));
    ui->pushButtonPrint->setVisible(!t && !editable);
}

void DocumentEditDialog::clearInputs()
{
    for (QLineEdit *edit : findChildren<QLineEdit *>()) {
        // The date edits' own line edits are reset through their dates below.
        if (!qobject_cast<QAbstractSpinBox *>(edit->parentWidget()))
            edit->clear();
    }
    // The birth date, a line edit, is cleared above: a new document has none until it is
    // entered. The issue date cannot be empty; a new document is issued today.
    ui->dateEditIssue->setDate(QDate::currentDate());
    ui->plainTextEditDecision->clear();
    sections = DocumentRecord().sections;
}

void DocumentEditDialog::loadDocument(int id)
{
    docId = id;
    ui->pushButtonAdditonal->setEnabled(id > 0);
    clearInputs();
    if (docId >= 1) {
        fillFromRecord(docId);
    } else {
        ui->pushButtonAdditonal->setEnabled(false);
        setEditable(true);
    }
    rememberShownInputs();
}

bool DocumentEditDialog::fillFromRecord(int id)
{
    DocumentRecord record;
    if (!DocumentStore::read(id, &record))
        return false;
    sections = record.sections;
    ui->lineEditFio_1->setText(record.fio1);
    ui->lineEditFio_2->setText(record.fio2);
    ui->lineEditFio_3->setText(record.fio3);
    // An empty or malformed stored date leaves the cleared value in place.
    ui->dateEditBirth->setDate(record.birthDate);
    ui->dateEditIssue->setDate(record.issueDate);
    ui->lineEditNumber->setText(record.number);
    ui->lineEditRegNumber->setText(record.regNumber);
    loadedEditDate = record.editDate;
    ui->lineEditDate->setText(loadedEditDate);
    ui->plainTextEditDecision->setPlainText(record.decision);
    return true;
}

void DocumentEditDialog::createFromTemplate(int templateId)
{
    this->templateId = templateId;
    docId = 0;
    clearInputs();
    setEditable(true);
    ui->pushButtonAdditonal->setEnabled(false);
    if (templateId >= 1 && fillFromRecord(templateId)) {
        // The pupil's own data and the document's change date are not the template's.
        ui->lineEditFio_1->clear();
        ui->lineEditFio_2->clear();
        ui->lineEditFio_3->clear();
        ui->dateEditBirth->setDate(QDate());
        loadedEditDate.clear();
        ui->lineEditDate->clear();
    } else {
        // Nothing to copy from a template that is gone.
        this->templateId = 0;
    }
    rememberShownInputs();
}

void DocumentEditDialog::rememberShownInputs()
{
    shownRecord = inputs();
    shownBirthText = ui->dateEditBirth->text();
}

void DocumentEditDialog::on_pushButtonSave_clicked()
{
    saveDocument();
}

bool DocumentEditDialog::saveDocument()
{
    // Stored as no date, a mistyped one would be lost without a word.
    if (ui->dateEditBirth->hasInvalidDate()) {
        QMessageBox box(QMessageBox::Warning,
                        QStringLiteral("Ошибка"),
                        QStringLiteral("Дата рождения «%1» не существует. Введите дату в виде "
                                       "дд.мм.гггг или оставьте поле пустым.")
                                .arg(ui->dateEditBirth->text()),
                        QMessageBox::Ok,
                        this);
        box.exec();
        ui->dateEditBirth->setFocus();
        return false;
    }
    UpdateResult result = UpdateResult::Failed;
    if (docId < 1) {
        result = insertDocument() ? UpdateResult::Stored : UpdateResult::Failed;
    } else {
        result = updateDocument(false);
        if (result == UpdateResult::ChangedElsewhere) {
            switch (SaveConflict::ask(this,
                                      isTemplate ? QStringLiteral("Шаблон изменён")
                                                 : QStringLiteral("Документ изменён"))) {
            case SaveConflict::Choice::Reload:
                loadDocument(docId);
                setEditable(false);
                return false;
            case SaveConflict::Choice::Overwrite:
                result = updateDocument(true);
                break;
            case SaveConflict::Choice::Cancel:
                return false;
            }
        }
    }
    if (result != UpdateResult::Stored) {
        // Keep the typed values on screen so that nothing is lost and Save can be retried.
        QMessageBox box(QMessageBox::Warning,
                        QStringLiteral("Ошибка"),
                        (isTemplate ? QStringLiteral("Шаблон не сохранён.")
                                    : QStringLiteral("Документ не сохранён."))
                                + QStringLiteral(" Введённые данные остались в окне, попробуйте "
                                                 "сохранить ещё раз."),
                        QMessageBox::Ok,
                        this);
        box.exec();
        return false;
    }
    emit documentsUpdated();
    loadDocument(docId);
    setEditable(false);
    return true;
}

DocumentRecord DocumentEditDialog::inputs() const
{
    DocumentRecord record;
    record.fio1 = ui->lineEditFio_1->text();
    record.fio2 = ui->lineEditFio_2->text();
    record.fio3 = ui->lineEditFio_3->text();
    record.birthDate = ui->dateEditBirth->date();
    record.number = ui->lineEditNumber->text();
    record.regNumber = ui->lineEditRegNumber->text();
    record.issueDate = ui->dateEditIssue->date();
    record.decision = ui->plainTextEditDecision->toPlainText();
    return record;
}

DocumentEditDialog::UpdateResult DocumentEditDialog::updateDocument(bool overwrite)
{
    // The date check is part of the statement, so nobody can save in between.
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE PsDocuments SET fio1=:fio1, fio2=:fio2, fio3=:fio3, "
                                 "birthDate=:birthDate, "
                                 "number=:number, regNumber=:regNumber, issueDate=:issueDate, "
                                 "editDate=:editDate, "
                                 "decision=:decision WHERE psId=:psId")
                  + (overwrite ? QString()
                               : QStringLiteral(
                                       " AND IFNULL(editDate, '') = IFNULL(:loadedEditDate, '')")));
    query.bindValue(QStringLiteral(":psId"), docId);
    if (!overwrite)
        query.bindValue(QStringLiteral(":loadedEditDate"), loadedEditDate);
    DocumentStore::bindFields(query, inputs());
    if (!Database::exec(query))
        return UpdateResult::Failed;
    if (query.numRowsAffected() > 0)
        return UpdateResult::Stored;
    // The row may have been deleted from the register while this dialog was open.
    std::unique_ptr<QSqlQuery> stored(Database::execQuery(
            QStringLiteral("SELECT editDate FROM PsDocuments WHERE psId=%1;").arg(docId)));
    if (!stored->next()) {
        ZR_LOG() << "document to update not found" << docId;
        return UpdateResult::Failed;
    }
    ZR_LOG() << "document changed elsewhere" << docId << loadedEditDate
             << stored->value(0).toString();
    return UpdateResult::ChangedElsewhere;
}

bool DocumentEditDialog::insertDocument()
{
    // The row, its sections and its appendix rows are stored whole or not at all.
    QSqlDatabase db = QSqlDatabase::database();
    const bool inTransaction = db.transaction();
    if (!inTransaction)
        ZR_LOG() << "no transaction for the new document" << db.lastError().text();
    const auto fail = [&db, inTransaction]() {
        if (inTransaction)
            db.rollback();
        return false;
    };

    DocumentStore store;
    const int newId = store.insert(inputs(), isTemplate);
    if (newId < 1)
        return fail();
    if (templateId >= 1
        && (!store.writeSections(newId, sections)
            || !DocumentStore::copyDisciplines(templateId, newId)))
        return fail();

    if (inTransaction && !db.commit()) {
        ZR_LOG() << "new document not committed" << db.lastError().text();
        return fail();
    }
    docId = newId;
    ui->pushButtonAdditonal->setEnabled(docId > 0);
    return true;
}

void DocumentEditDialog::on_pushButtonEdit_clicked()
{
    setEditable(true);
}

void DocumentEditDialog::on_pushButtonCancel_clicked()
{
    reject();
}

bool DocumentEditDialog::hasUnsavedChanges() const
{
    // A birth date typed in part or wrongly reads as no date, like an empty field: the text
    // tells them apart.
    return editable && (inputs() != shownRecord || ui->dateEditBirth->text() != shownBirthText);
}

void DocumentEditDialog::reject()
{
    if (UnsavedChanges::settle(this,
                               hasUnsavedChanges(),
                               QStringLiteral("Сохранить изменения?"),
                               isTemplate ? QStringLiteral("Шаблон изменён, но ещё не сохранён.")
                                          : QStringLiteral("Документ изменён, но ещё не сохранён."),
                               [this] { return saveDocument(); }))
        QDialog::reject();
}

void DocumentEditDialog::on_pushButtonAdditonal_clicked()
{
    auto *appendix = new AdditionalEditDialog(this);
    appendix->loadAppendix(docId);
    appendix->show();
}

void DocumentEditDialog::on_pushButtonPrint_clicked()
{
    openPrintDialog();
}

void DocumentEditDialog::openPrintDialog()
{
    auto *dialog = new PrintDialog(this);
    connect(dialog,
            &PrintDialog::reportTypeSelected,
            this,
            &DocumentEditDialog::onReportTypeSelected);
    dialog->show();
}

void DocumentEditDialog::onReportTypeSelected(int type, bool printBackground)
{
    emit documentPrint(type, docId, printBackground);
}

void DocumentEditDialog::splitPastedName(const QString &text)
{
    // A template's name is one free text, its other name fields are hidden.
    if (isTemplate)
        return;
    const QString typed = text.simplified();
    const QString clipboard = QApplication::clipboard()->text().simplified();
    if (typed.isEmpty() || typed != clipboard || !ui->lineEditFio_2->text().isEmpty()
        || !ui->lineEditFio_3->text().isEmpty())
        return;
    const PersonName person = PersonName::split(typed);
    if (!person.name.isEmpty())
        ui->lineEditFio_2->setText(person.name);
    if (!person.patronymic.isEmpty())
        ui->lineEditFio_3->setText(person.patronymic);
    ui->lineEditFio_1->setText(person.surname);
}

void DocumentEditDialog::onFocusChanged(QWidget *old, QWidget *now)
{
    Q_UNUSED(old)
    if (!now || qstrcmp(now->metaObject()->className(), "QComboBoxListView") == 0)
        return;
    // Focus moving through other windows says nothing about this form.
    if (!isAncestorOf(now))
        return;
    QWidget *widget = now;
    QString text = widget->whatsThis();
    while (text.isEmpty() && widget->parentWidget()) {
        widget = widget->parentWidget();
        text = widget->whatsThis();
    }
    ui->labelHelp->setText(QStringLiteral("%1").arg(text));
}
