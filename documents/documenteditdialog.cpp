#include "documenteditdialog.h"
#include "ui_documenteditdialog.h"

#include "additionaleditdialog.h"
#include "app/debuglog.h"
#include "database/database.h"
#include "printing/printdialog.h"
#include "saveconflict.h"
#include "settings/spellchecker.h"
#include "settings/widgetgeometry.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDateTime>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <memory>

namespace {

const QString dateFormat = QStringLiteral("yyyy-MM-dd");
const QString stampFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString columnText(const QSqlQuery &query, const char *column)
{
    return query.value(QString::fromLatin1(column)).toString();
}

} // namespace

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
    // A date edit cannot be empty; today is the value a new document starts with.
    for (QDateEdit *edit : findChildren<QDateEdit *>())
        edit->setDate(QDate::currentDate());
    ui->plainTextEditDecision->clear();
    add1.clear();
    add2.clear();
    add3.clear();
    add4.clear();
    add5.clear();
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
}

bool DocumentEditDialog::fillFromRecord(int id)
{
    std::unique_ptr<QSqlQuery> query(Database::execQuery(
            QStringLiteral("SELECT * FROM PsDocuments WHERE psId=%1;").arg(id)));
    if (!query->next())
        return false;
    add1 = columnText(*query, "add1");
    add2 = columnText(*query, "add2");
    add3 = columnText(*query, "add3");
    add4 = columnText(*query, "add4");
    add5 = columnText(*query, "add5");
    ui->lineEditFio_1->setText(columnText(*query, "fio1"));
    ui->lineEditFio_2->setText(columnText(*query, "fio2"));
    ui->lineEditFio_3->setText(columnText(*query, "fio3"));
    // An empty or malformed stored date leaves the cleared value in place.
    ui->dateEditBirth->setDate(QDate::fromString(columnText(*query, "birthDate"), dateFormat));
    ui->dateEditIssue->setDate(QDate::fromString(columnText(*query, "issueDate"), dateFormat));
    ui->lineEditNumber->setText(columnText(*query, "number"));
    ui->lineEditRegNumber->setText(columnText(*query, "regNumber"));
    loadedEditDate = columnText(*query, "editDate");
    ui->lineEditDate->setText(loadedEditDate);
    ui->plainTextEditDecision->setPlainText(columnText(*query, "decision"));
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
        ui->lineEditFio_1->clear();
        ui->lineEditFio_2->clear();
        ui->lineEditFio_3->clear();
    } else {
        // Nothing to copy from a template that is gone.
        this->templateId = 0;
    }
}

void DocumentEditDialog::on_pushButtonSave_clicked()
{
    saveDocument();
}

bool DocumentEditDialog::saveDocument()
{
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

void DocumentEditDialog::bindShownValues(QSqlQuery &query) const
{
    query.bindValue(QStringLiteral(":fio1"), ui->lineEditFio_1->text());
    query.bindValue(QStringLiteral(":fio2"), ui->lineEditFio_2->text());
    query.bindValue(QStringLiteral(":fio3"), ui->lineEditFio_3->text());
    query.bindValue(QStringLiteral(":birthDate"), ui->dateEditBirth->date().toString(dateFormat));
    query.bindValue(QStringLiteral(":number"), ui->lineEditNumber->text());
    query.bindValue(QStringLiteral(":regNumber"), ui->lineEditRegNumber->text());
    query.bindValue(QStringLiteral(":issueDate"), ui->dateEditIssue->date().toString(dateFormat));
    query.bindValue(QStringLiteral(":editDate"),
                    QDateTime::currentDateTime().toString(stampFormat));
    query.bindValue(QStringLiteral(":decision"), ui->plainTextEditDecision->toPlainText());
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
    bindShownValues(query);
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

    QSqlQuery query;
    query.prepare(QStringLiteral(
            "INSERT INTO PsDocuments (fio1, fio2, fio3, birthDate, number, regNumber, issueDate, "
            "editDate, decision, isTemplate) VALUES (:fio1, :fio2, :fio3, :birthDate, :number, "
            ":regNumber, :issueDate, :editDate, :decision, :isTemplate);"));
    bindShownValues(query);
    query.bindValue(QStringLiteral(":isTemplate"), isTemplate ? 1 : 0);
    if (!Database::exec(query))
        return fail();
    bool idOk = false;
    const int newId = query.lastInsertId().toInt(&idOk);
    if (!idOk || newId < 1) {
        ZR_LOG() << "no id for the new document" << query.lastInsertId();
        return fail();
    }

    if (templateId >= 1) {
        QSqlQuery sections;
        sections.prepare(QStringLiteral("UPDATE PsDocuments SET add1=:add1, add2=:add2, "
                                        "add3=:add3, add4=:add4, add5=:add5  WHERE psId = :psId;"));
        sections.bindValue(QStringLiteral(":psId"), newId);
        sections.bindValue(QStringLiteral(":add1"), add1);
        sections.bindValue(QStringLiteral(":add2"), add2);
        sections.bindValue(QStringLiteral(":add3"), add3);
        sections.bindValue(QStringLiteral(":add4"), add4);
        sections.bindValue(QStringLiteral(":add5"), add5);
        if (!Database::exec(sections))
            return fail();

        QSqlQuery details;
        details.prepare(QStringLiteral(
                "INSERT INTO PsDocumentDetails (psId,disciplineName,disciplineRate)  SELECT      "
                "                 :psId1,disciplineName,disciplineRate  FROM PsDocumentDetails "
                "WHERE psId = :psId2;"));
        details.bindValue(QStringLiteral(":psId1"), newId);
        details.bindValue(QStringLiteral(":psId2"), templateId);
        if (!Database::exec(details))
            return fail();
    }

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
    hide();
    deleteLater();
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
    QStringList words = typed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() >= 3) {
        ui->lineEditFio_3->setText(words.takeLast());
        ui->lineEditFio_2->setText(words.takeLast());
    } else if (words.size() == 2) {
        ui->lineEditFio_2->setText(words.takeLast());
    }
    ui->lineEditFio_1->setText(words.join(QLatin1Char(' ')));
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
