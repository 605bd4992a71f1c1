#include "documenteditdialog.h"
#include "ui_documenteditdialog.h"

#include "additionaleditdialog.h"
#include "app/debuglog.h"
#include "database/database.h"
#include "database/registerwatcher.h"
#include "documentstore.h"
#include "history/documenthistory.h"
#include "history/historydialog.h"
#include "personname.h"
#include "printing/printdialog.h"
#include "registernumbers.h"
#include "saveconflict.h"
#include "settings/spellchecker.h"
#include "settings/widgetgeometry.h"

#include "ZrReport/unsavedchanges.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDateTime>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

DocumentEditDialog::DocumentEditDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DocumentEditDialog)
    , m_changedElsewhere(new QLabel(this))
{
    ui->setupUi(this);
    m_changedElsewhere->setObjectName(QStringLiteral("labelChangedElsewhere"));
    m_changedElsewhere->setWordWrap(true);
    m_changedElsewhere->setStyleSheet(QStringLiteral("background: #fff3cd; padding: 4px;"));
    m_changedElsewhere->hide();
    ui->verticalLayoutMain->insertWidget(0, m_changedElsewhere);
    connect(RegisterWatcher::instance(),
            &RegisterWatcher::documentsChangedElsewhere,
            this,
            &DocumentEditDialog::tellChangeElsewhere);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Выдача документа"));
    ui->comboBoxGender->addItem(QStringLiteral("не указан"), int(PupilGender::Unknown));
    ui->comboBoxGender->addItem(QStringLiteral("мальчик"), int(PupilGender::Boy));
    ui->comboBoxGender->addItem(QStringLiteral("девочка"), int(PupilGender::Girl));

    setEditable(false);
    ui->pushButtonAdditonal->setEnabled(false);
    ui->dateEditIssue->setDate(QDate::currentDate());
    // Pupils finish primary school at ten or eleven.
    ui->dateEditBirth->setCalendarStart(QDate::currentDate().addYears(-11));

    // A class ("4А") is no word to check.
    attachSpellChecker(this, {ui->lineEditClass});
    restoreWidgetGeometry(this);

    connect(ui->lineEditFio_1, &QLineEdit::textChanged, this, &DocumentEditDialog::splitPastedName);
    connect(ui->lineEditFio_3, &QLineEdit::textChanged, this, &DocumentEditDialog::showGender);
    connect(ui->comboBoxGender, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        genderAnswer = PupilGender::Value(ui->comboBoxGender->currentData().toInt());
    });
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
                                  ui->lineEditClass,
                                  ui->plainTextEditDecision};
    for (QWidget *input : inputs)
        input->setEnabled(enabled);
    showGender();
    ui->pushButtonEdit->setVisible(!enabled);
    ui->pushButtonPrint->setVisible(!enabled && !isTemplate);
    ui->pushButtonSave->setVisible(enabled);
    ui->pushButtonHistory->setEnabled(!enabled && docId > 0);
}

void DocumentEditDialog::setTemplateMode(bool t)
{
    isTemplate = t;
    ui->groupBoxFio2->setVisible(!t);
    ui->groupBoxFio3->setVisible(!t);
    // A template is no pupil.
    ui->groupBoxGender->setVisible(!t);
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
    genderAnswer = PupilGender::Unknown;
    showGender();
}

void DocumentEditDialog::tellChangeElsewhere()
{
    if (docId < 1)
        return;
    QSqlQuery stored;
    stored.prepare(QStringLiteral("SELECT version, deletedAt FROM PsDocuments WHERE psId = ?"));
    stored.addBindValue(docId);
    if (!Database::exec(stored))
        return;
    const bool there = stored.next();
    if (!there && !Database::readToEnd(stored))
        return;
    if (!there || !stored.value(1).isNull())
        m_changedElsewhere->setText(QStringLiteral(
                "Этот документ удалён на другом рабочем месте. Введённое не потеряно: при "
                "сохранении программа предложит сохранить его как новый документ."));
    else if (stored.value(0).toInt() != loadedVersion)
        m_changedElsewhere->setText(QStringLiteral(
                "Этот документ изменён на другом рабочем месте. При сохранении программа "
                "спросит, оставить ваши изменения или загрузить сохранённые."));
    else
        return;
    m_changedElsewhere->show();
}

bool DocumentEditDialog::loadDocument(int id)
{
    docId = id;
    m_changedElsewhere->hide();
    ui->pushButtonAdditonal->setEnabled(id > 0);
    // What is being typed is no version yet: the history shows what is stored.
    ui->pushButtonHistory->setEnabled(id > 0 && !editable);
    clearInputs();
    bool failed = false;
    if (docId >= 1) {
        fillFromRecord(docId, &failed);
    } else {
        ui->pushButtonAdditonal->setEnabled(false);
        setEditable(true);
    }
    rememberShownInputs();
    if (failed)
        refuseUnreadable();
    return !failed;
}

void DocumentEditDialog::refuseUnreadable()
{
    // Empty fields saved over the stored ones would lose them.
    setEditable(false);
    QMessageBox box(
            QMessageBox::Warning,
            QStringLiteral("Ошибка"),
            (isTemplate || templateId > 0
                     ? QStringLiteral("Шаблон не удалось прочитать из реестра: ")
                     : QStringLiteral("Документ не удалось прочитать из реестра: "))
                    + QStringLiteral("окно правки не открыто, в реестре ничего не изменено."),
            QMessageBox::Ok,
            this);
    box.exec();
    QDialog::reject();
}

bool DocumentEditDialog::fillFromRecord(int id, bool *failed)
{
    DocumentRecord record;
    if (!DocumentStore::read(id, &record, failed))
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
    ui->lineEditClass->setText(record.schoolClass);
    genderAnswer = record.gender;
    showGender();
    loadedEditDate = record.editDate;
    loadedVersion = record.version;
    ui->lineEditDate->setText(loadedEditDate);
    ui->plainTextEditDecision->setPlainText(record.decision);
    return true;
}

bool DocumentEditDialog::createFromTemplate(int templateId)
{
    this->templateId = templateId;
    docId = 0;
    clearInputs();
    setEditable(true);
    ui->pushButtonAdditonal->setEnabled(false);
    bool failed = false;
    if (templateId >= 1 && fillFromRecord(templateId, &failed)) {
        // The pupil's own data and the document's change date are not the template's.
        ui->lineEditFio_1->clear();
        ui->lineEditFio_2->clear();
        ui->lineEditFio_3->clear();
        ui->dateEditBirth->setDate(QDate());
        genderAnswer = PupilGender::Unknown;
        showGender();
        loadedEditDate.clear();
        loadedVersion = 0;
        ui->lineEditDate->clear();
    } else if (failed) {
        rememberShownInputs();
        refuseUnreadable();
        return false;
    } else {
        // Nothing to copy from a template that is gone.
        this->templateId = 0;
    }
    rememberShownInputs();
    return true;
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
    if (!numbersMayBeSaved())
        return false;
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
        if (result == UpdateResult::Deleted) {
            if (!SaveConflict::saveAnew(this,
                                        isTemplate ? QStringLiteral("Шаблон удалён")
                                                   : QStringLiteral("Документ удалён"))) {
                // The table still shows the row that is gone.
                emit documentsUpdated();
                setEditable(false);
                QDialog::reject();
                return false;
            }
            result = insertDocument() ? UpdateResult::Stored : UpdateResult::Failed;
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
    record.schoolClass = ui->lineEditClass->text().trimmed();
    if (!isTemplate)
        record.gender = PupilGender::Value(ui->comboBoxGender->currentData().toInt());
    return record;
}

void DocumentEditDialog::showGender()
{
    const PupilGender::Value told = PupilGender::fromPatronymic(ui->lineEditFio_3->text());
    const PupilGender::Value shown = told != PupilGender::Unknown ? told : genderAnswer;
    {
        // What the patronymic tells is shown, not taken for the user's answer.
        const QSignalBlocker blocker(ui->comboBoxGender);
        ui->comboBoxGender->setCurrentIndex(ui->comboBoxGender->findData(int(shown)));
    }
    // The patronymic's answer is not the user's to change; only where it tells nothing is
    // the user asked.
    ui->comboBoxGender->setEnabled(editable && told == PupilGender::Unknown);
    ui->comboBoxGender->setToolTip(told != PupilGender::Unknown
                                           ? QStringLiteral("Определён по отчеству")
                                           : QStringLiteral("По отчеству не определить: "
                                                            "выберите сами"));
}

bool DocumentEditDialog::numbersMayBeSaved()
{
    const DocumentRecord record = inputs();
    if (isTemplate || (record.number.trimmed().isEmpty() && record.regNumber.trimmed().isEmpty()))
        return true;
    RegisterNumbers numbers;
    if (!numbers.read())
        return true;
    // The document's own stored numbers are the ones being replaced.
    const QStringList lines = numbers.collisions({{docId, record.number, record.regNumber}});
    if (lines.isEmpty())
        return true;
    QMessageBox box(QMessageBox::Warning,
                    QStringLiteral("Внимание!"),
                    lines.join(QLatin1Char('\n'))
                            + QStringLiteral("\n\nОдин номер не может стоять на двух бланках. "
                                             "Всё равно сохранить документ с этим номером?"),
                    QMessageBox::Save | QMessageBox::Cancel,
                    this);
    box.button(QMessageBox::Save)->setText(QStringLiteral("Сохранить"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Save;
}

DocumentEditDialog::UpdateResult DocumentEditDialog::updateDocument(bool overwrite)
{
    // The row and its new version are stored together or not at all.
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        ZR_LOG() << "no transaction for the document" << db.lastError().text();
        return UpdateResult::Failed;
    }
    // The check is part of the statement, so nobody can save in between: the count of
    // saves tells two in the same second apart, the date a save by an older version.
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE PsDocuments SET fio1=:fio1, fio2=:fio2, fio3=:fio3, "
                                 "birthDate=:birthDate, "
                                 "number=:number, regNumber=:regNumber, issueDate=:issueDate, "
                                 "editDate=:editDate, decision=:decision, "
                                 "schoolClass=:schoolClass, gender=:gender, "
                                 "version = version + 1 WHERE psId=:psId AND deletedAt IS NULL")
                  + (overwrite ? QString()
                               : QStringLiteral(" AND COALESCE(editDate, '') = "
                                                "COALESCE(:loadedEditDate, '') AND "
                                                "version = :loadedVersion")));
    query.bindValue(QStringLiteral(":psId"), docId);
    if (!overwrite) {
        query.bindValue(QStringLiteral(":loadedEditDate"), loadedEditDate);
        query.bindValue(QStringLiteral(":loadedVersion"), loadedVersion);
    }
    DocumentStore::bindFields(query, inputs());
    if (!Database::exec(query)) {
        db.rollback();
        return UpdateResult::Failed;
    }
    if (query.numRowsAffected() > 0) {
        if (DocumentHistory::record(docId, DocumentHistory::Kind::Edited) && db.commit())
            return UpdateResult::Stored;
        ZR_LOG() << "document not stored with its version" << docId << db.lastError().text();
        db.rollback();
        return UpdateResult::Failed;
    }
    db.rollback();
    // The row may have been deleted from the register, or moved into the bin, while this
    // dialog was open: what is typed then goes into no deleted row.
    QSqlQuery stored;
    stored.prepare(QStringLiteral("SELECT editDate FROM PsDocuments WHERE psId=? AND "
                                  "deletedAt IS NULL;"));
    stored.addBindValue(docId);
    if (!Database::exec(stored))
        return UpdateResult::Failed;
    if (!stored.next()) {
        if (!Database::readToEnd(stored))
            return UpdateResult::Failed;
        ZR_LOG() << "document to update not found" << docId;
        return UpdateResult::Deleted;
    }
    ZR_LOG() << "document changed elsewhere" << docId << loadedEditDate
             << stored.value(0).toString();
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
    if (!DocumentHistory::record(newId, DocumentHistory::Kind::Created))
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

void DocumentEditDialog::on_pushButtonHistory_clicked()
{
    auto *history = new HistoryDialog(docId, this);
    connect(history, &HistoryDialog::documentRestored, this, [this] {
        emit documentsUpdated();
        loadDocument(docId);
        setEditable(false);
    });
    history->show();
}

void DocumentEditDialog::on_pushButtonPrint_clicked()
{
    openPrintDialog();
}

void DocumentEditDialog::openPrintDialog()
{
    auto *dialog = new PrintDialog(this);
    dialog->preselectFor({docId});
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
