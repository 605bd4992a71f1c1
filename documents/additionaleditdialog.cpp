#include "additionaleditdialog.h"
#include "ui_additionaleditdialog.h"

#include "app/debuglog.h"
#include "comboboxitemdelegate.h"
#include "database/database.h"
#include "itemoperations.h"
#include "lineedititemdelegate.h"
#include "saveconflict.h"
#include "settings/spellchecker.h"
#include "settings/widgetgeometry.h"

#include "ZrReport/unsavedchanges.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTimer>
#include <memory>

namespace {

enum Column { DetailIdColumn = 0, DocumentIdColumn = 1, NameColumn = 2, GradeColumn = 3 };

const QString sectionColumns[] = {QStringLiteral("add1"),
                                  QStringLiteral("add2"),
                                  QStringLiteral("add3"),
                                  QStringLiteral("add4"),
                                  QStringLiteral("add5")};

QString rowText(const QVariant &name, const QVariant &grade)
{
    return name.toString() + QLatin1Char('\t') + grade.toString();
}

} // namespace

AdditionalEditDialog::AdditionalEditDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AdditionalEditDialog)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("Приложение к документу"));

    connect(ui->tableView, &QTableView::pressed, this, &AdditionalEditDialog::onRowActivated);
    connect(ui->tableView, &QTableView::activated, this, &AdditionalEditDialog::onRowActivated);
    setupModel();
    onRowActivated(QModelIndex());

    fillValueCombo(QStringLiteral("PsDocuments"), QStringLiteral("add3"), ui->comboBoxAdd_3, 0);
    fillValueCombo(QStringLiteral("PsDocuments"), QStringLiteral("add4"), ui->comboBoxAdd_4, 0);
    fillValueCombo(QStringLiteral("PsDocuments"), QStringLiteral("add5"), ui->comboBoxAdd_5, 0);
    fillValueCombo(QStringLiteral("PsDocumentDetails"),
                   QStringLiteral("disciplineName"),
                   ui->comboBoxDiscipline,
                   0);

    setEditable(false);
    attachSpellChecker(this);
    restoreWidgetGeometry(this);
}

AdditionalEditDialog::~AdditionalEditDialog()
{
    saveWidgetGeometry(this);
    delete ui;
}

void AdditionalEditDialog::setupModel()
{
    model = Database::tableModel(QStringLiteral("PsDocumentDetails"));
    model->setEditStrategy(QSqlTableModel::OnFieldChange);
    // Every cell change of the view passes here before it is written.
    connect(model.data(),
            &QSqlTableModel::beforeUpdate,
            this,
            &AdditionalEditDialog::onBeforeRowUpdate);
    // Nothing of another document may show before loadAppendix sets the filter.
    model->setFilter(QStringLiteral("psId = %1").arg(psId));
    model->select();
    model->setHeaderData(DetailIdColumn, Qt::Horizontal, QStringLiteral("ID"));
    model->setHeaderData(DocumentIdColumn, Qt::Horizontal, QStringLiteral("docID"));
    model->setHeaderData(NameColumn, Qt::Horizontal, QStringLiteral("    Дисциплина    "));
    model->setHeaderData(GradeColumn, Qt::Horizontal, QStringLiteral("     Оценка    "));
    ui->tableView->setModel(model);
    ui->tableView->hideColumn(DetailIdColumn);
    ui->tableView->hideColumn(DocumentIdColumn);
    ui->tableView->resizeColumnsToContents();
    ui->tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tableView->setItemDelegateForColumn(NameColumn, new LineEditItemDelegate(this));
    ui->tableView->setItemDelegateForColumn(GradeColumn, new ComboBoxItemDelegate(this));
    openGradeEditors();
    sizeHeader();
}

void AdditionalEditDialog::sizeHeader()
{
    QHeaderView *header = ui->tableView->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
}

void AdditionalEditDialog::openGradeEditors()
{
    if (!model)
        return;
    for (int row = 0; row < model->rowCount(); ++row)
        ui->tableView->openPersistentEditor(model->index(row, GradeColumn));
}

void AdditionalEditDialog::loadAppendix(int id)
{
    psId = id;
    if (id < 1)
        return;
    if (!loadSections())
        return;
    updateData();
}

bool AdditionalEditDialog::loadSections()
{
    std::unique_ptr<QSqlQuery> query(Database::execQuery(
            QStringLiteral("SELECT * FROM PsDocuments WHERE psId=%1;").arg(psId)));
    if (!query->next())
        return false;
    m_loadedSections.clear();
    for (const QString &column : sectionColumns)
        m_loadedSections << query->value(column).toString();
    ui->plainTextEditAdd_1->setPlainText(m_loadedSections.at(0));
    ui->plainTextEditAdd_2->setPlainText(m_loadedSections.at(1));
    ui->comboBoxAdd_3->setEditText(m_loadedSections.at(2));
    ui->comboBoxAdd_4->setEditText(m_loadedSections.at(3));
    ui->comboBoxAdd_5->setEditText(m_loadedSections.at(4));
    m_shownSections = typedSections();
    return true;
}

QStringList AdditionalEditDialog::typedSections() const
{
    return {ui->plainTextEditAdd_1->toPlainText(),
            ui->plainTextEditAdd_2->toPlainText(),
            ui->comboBoxAdd_3->currentText(),
            ui->comboBoxAdd_4->currentText(),
            ui->comboBoxAdd_5->currentText()};
}

bool AdditionalEditDialog::hasUnsavedChanges() const
{
    return editable && typedSections() != m_shownSections;
}

void AdditionalEditDialog::updateData()
{
    if (!model)
        return;
    model->setFilter(QStringLiteral("psId = %1").arg(psId));
    model->select();
    while (model->canFetchMore())
        model->fetchMore();
    // A table cut short by a read error would look like an appendix with fewer rows.
    const QString error = readError(model);
    if (!error.isEmpty())
        tell(QStringLiteral("Не удалось прочитать дисциплины приложения: %1").arg(error));
    rememberShownRows();
    ui->tableView->resizeColumnsToContents();
    openGradeEditors();
}

void AdditionalEditDialog::rememberShownRows()
{
    m_shownRows.clear();
    if (!model)
        return;
    for (int row = 0; row < model->rowCount(); ++row)
        m_shownRows.insert(model->index(row, DetailIdColumn).data().toInt(),
                           rowText(model->index(row, NameColumn).data(),
                                   model->index(row, GradeColumn).data()));
}

QMap<int, QString> AdditionalEditDialog::storedRows() const
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT psDetId, disciplineName, disciplineRate FROM "
                                 "PsDocumentDetails WHERE psId = ?;"));
    query.addBindValue(psId);
    // Unreadable now: the write that follows reports its own failure.
    if (!Database::exec(query))
        return m_shownRows;
    QMap<int, QString> rows;
    while (query.next())
        rows.insert(query.value(0).toInt(), rowText(query.value(1), query.value(2)));
    return rows;
}

bool AdditionalEditDialog::rowsUnchangedOrOverwrite()
{
    if (storedRows() == m_shownRows)
        return true;
    switch (SaveConflict::ask(this, QStringLiteral("Приложение к документу изменено"))) {
    case SaveConflict::Choice::Overwrite:
        return true;
    case SaveConflict::Choice::Reload:
        updateData();
        return false;
    case SaveConflict::Choice::Cancel:
        return false;
    }
    return false;
}

void AdditionalEditDialog::onBeforeRowUpdate(int row, QSqlRecord &record)
{
    Q_UNUSED(row)
    if (m_ownWrite)
        return;
    if (storedRows() == m_shownRows) {
        QTimer::singleShot(0, this, &AdditionalEditDialog::afterCellWrite);
        return;
    }
    // Held back: the question cannot be asked in the middle of the model's write.
    m_heldCell = record;
    for (int field = 0; field < record.count(); ++field)
        record.setGenerated(field, false);
    QTimer::singleShot(0, this, &AdditionalEditDialog::resolveCellConflict);
}

void AdditionalEditDialog::afterCellWrite()
{
    if (model && model->isDirty())
        tell(QStringLiteral("Изменение дисциплины не сохранено: %1")
                     .arg(model->lastError().text()));
    updateData();
}

void AdditionalEditDialog::resolveCellConflict()
{
    const QSqlRecord held = m_heldCell;
    m_heldCell.clear();
    if (SaveConflict::ask(this, QStringLiteral("Приложение к документу изменено"))
        == SaveConflict::Choice::Overwrite) {
        QStringList assignments;
        QVariantList values;
        for (int field = 0; field < held.count(); ++field) {
            if (held.isGenerated(field) && field != DetailIdColumn) {
                assignments << held.fieldName(field) + QStringLiteral(" = ?");
                values << held.value(field);
            }
        }
        QSqlQuery query;
        query.prepare(QStringLiteral("UPDATE PsDocumentDetails SET %1 WHERE psDetId = ?;")
                              .arg(assignments.join(QStringLiteral(", "))));
        for (const QVariant &value : qAsConst(values))
            query.addBindValue(value);
        query.addBindValue(held.value(DetailIdColumn));
        if (assignments.isEmpty() || !Database::exec(query) || query.numRowsAffected() < 1)
            tell(QStringLiteral("Изменение дисциплины не сохранено."));
    }
    updateData();
}

void AdditionalEditDialog::setEditable(bool e)
{
    editable = e;
    const QList<QWidget *> inputs{ui->plainTextEditAdd_1,
                                  ui->plainTextEditAdd_2,
                                  ui->comboBoxAdd_3,
                                  ui->comboBoxAdd_4,
                                  ui->comboBoxAdd_5,
                                  ui->widgetView,
                                  ui->groupBoxNewDiscp};
    // The grade editors stay open in both states, disabled with the table in the view state.
    for (QWidget *input : inputs)
        input->setEnabled(e);
    if (!e)
        ui->comboBoxDiscipline->clearEditText();
    ui->pushButtonEditForm->setVisible(!e);
    ui->pushButtonSave_2->setVisible(e);
    sizeHeader();
}

void AdditionalEditDialog::onRowActivated(const QModelIndex &index)
{
    const bool valid = index.isValid();
    const int rows = model ? model->rowCount() : 0;
    ui->pushButtonDelete->setEnabled(valid);
    ui->pushButtonDown->setEnabled(valid && index.row() + 1 < rows);
    ui->pushButtonUp->setEnabled(valid && index.row() > 0);
}

void AdditionalEditDialog::on_pushButtonAddDisp_clicked()
{
    const QString name = ui->comboBoxDiscipline->currentText().simplified();
    if (name.isEmpty() || !model || !rowsUnchangedOrOverwrite())
        return;
    // One statement, so a discipline is never stored without its document or grade.
    QSqlQuery query;
    query.prepare(QStringLiteral("INSERT INTO PsDocumentDetails (psId, disciplineName, "
                                 "disciplineRate) VALUES (?, ?, ?);"));
    query.addBindValue(psId);
    query.addBindValue(name);
    query.addBindValue(ui->comboBoxRate->currentText());
    if (!Database::exec(query)) {
        tell(QStringLiteral("Не удалось добавить дисциплину «%1».").arg(name));
        return;
    }
    ui->comboBoxRate->setCurrentIndex(0);
    ui->comboBoxDiscipline->clearEditText();

    updateData();
    const int row = model->rowCount() - 1;
    ui->tableView->selectRow(row);
    onRowActivated(model->index(row, NameColumn));
    emit groupsUpdated();
    sizeHeader();
}

bool AdditionalEditDialog::ask(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon,
                    QStringLiteral("Внимание!"),
                    text,
                    QMessageBox::Ok | QMessageBox::Cancel,
                    this);
    return box.exec() == QMessageBox::Ok;
}

void AdditionalEditDialog::tell(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ошибка"), text, QMessageBox::Ok, this);
    box.exec();
}

void AdditionalEditDialog::on_pushButtonDelete_clicked()
{
    const QModelIndex current = ui->tableView->currentIndex();
    onRowActivated(current);
    if (!current.isValid() || !model)
        return;
    if (!ask(QStringLiteral("Вы уверены, что хотите удалить выделенную дисциплину?")))
        return;
    if (!rowsUnchangedOrOverwrite())
        return;
    if (!model->removeRow(current.row())) {
        ZR_LOG() << "discipline not deleted" << current.row() << model->lastError().text();
        tell(QStringLiteral("Не удалось удалить дисциплину."));
    }
    updateData();
    onRowActivated(QModelIndex());
    emit groupsUpdated();
}

void AdditionalEditDialog::on_pushButtonDeleteAll_clicked()
{
    if (!ask(QStringLiteral("Вы уверены, что точно хотите удалить ВСЕ дисциплины?"))
        || !rowsUnchangedOrOverwrite())
        return;
    // One statement: removing row by row would loop for ever on a row that cannot go.
    QSqlQuery query;
    query.prepare(QStringLiteral("DELETE FROM PsDocumentDetails WHERE psId = ?;"));
    query.addBindValue(psId);
    if (!Database::exec(query))
        tell(QStringLiteral("Не удалось удалить дисциплины."));
    updateData();
    onRowActivated(QModelIndex());
    emit groupsUpdated();
}

void AdditionalEditDialog::moveCurrentRow(int offset)
{
    if (!model)
        return;
    const int row = ui->tableView->currentIndex().row();
    const int target = row + offset;
    if (row < 0 || target < 0 || target >= model->rowCount() || !rowsUnchangedOrOverwrite())
        return;
    // Overwriting may exchange only rows that are still there.
    const QMap<int, QString> stored = storedRows();
    if (!stored.contains(model->index(row, DetailIdColumn).data().toInt())
        || !stored.contains(model->index(target, DetailIdColumn).data().toInt())) {
        tell(QStringLiteral("Дисциплина удалена в другом месте, порядок не изменён."));
        updateData();
        return;
    }
    m_ownWrite = true;
    const bool swapped = swapRows(model, row, target, NameColumn);
    m_ownWrite = false;
    rememberShownRows();
    if (!swapped) {
        tell(QStringLiteral("Не удалось переместить дисциплину, порядок не изменён."));
        updateData();
        onRowActivated(model->index(row, NameColumn));
        ui->tableView->selectRow(row);
        return;
    }
    // Storing the pair re-reads the model, which drops the open editors.
    openGradeEditors();
    ui->tableView->selectRow(target);
    ui->pushButtonUp->setEnabled(target > 0);
    ui->pushButtonDown->setEnabled(target < model->rowCount() - 1);
    ui->pushButtonDelete->setEnabled(true);
}

void AdditionalEditDialog::on_pushButtonUp_clicked()
{
    moveCurrentRow(-1);
}

void AdditionalEditDialog::on_pushButtonDown_clicked()
{
    moveCurrentRow(1);
}

void AdditionalEditDialog::on_pushButtonSave_2_clicked()
{
    saveSections();
}

bool AdditionalEditDialog::saveSections()
{
    const QStringList typed = typedSections();
    for (bool overwrite = false;; overwrite = true) {
        // Written only while the sections are as they were read, unless the user said so.
        QString sql = QStringLiteral("UPDATE PsDocuments SET add1=:add1, add2=:add2, add3=:add3, "
                                     "add4=:add4, add5=:add5  WHERE psId=:psId");
        if (!overwrite) {
            for (const QString &column : sectionColumns)
                sql += QStringLiteral(" AND IFNULL(%1, '') = IFNULL(:old%1, '')").arg(column);
        }
        QSqlQuery query;
        query.prepare(sql + QLatin1Char(';'));
        query.bindValue(QStringLiteral(":psId"), psId);
        for (int i = 0; i < typed.size(); ++i) {
            query.bindValue(QLatin1Char(':') + sectionColumns[i], typed.at(i));
            if (!overwrite)
                query.bindValue(QStringLiteral(":old") + sectionColumns[i],
                                m_loadedSections.value(i));
        }
        const bool executed = Database::exec(query);
        if (executed && query.numRowsAffected() > 0)
            break;
        std::unique_ptr<QSqlQuery> row(Database::execQuery(
                QStringLiteral("SELECT psId FROM PsDocuments WHERE psId=%1;").arg(psId)));
        if (!executed || overwrite || !row->next()) {
            // Stay in the edit state so the typed sections are not lost.
            tell(QStringLiteral("Разделы приложения не сохранены. Введённые данные остались в "
                                "окне, попробуйте сохранить ещё раз."));
            return false;
        }
        switch (SaveConflict::ask(this, QStringLiteral("Приложение к документу изменено"))) {
        case SaveConflict::Choice::Overwrite:
            continue;
        case SaveConflict::Choice::Reload:
            loadSections();
            setEditable(false);
            return false;
        case SaveConflict::Choice::Cancel:
            return false;
        }
    }
    m_loadedSections = typed;
    m_shownSections = typed;
    setEditable(false);
    return true;
}

void AdditionalEditDialog::on_pushButtonEditForm_clicked()
{
    setEditable(true);
}

void AdditionalEditDialog::on_pushButtonCancel_2_clicked()
{
    reject();
}

void AdditionalEditDialog::reject()
{
    if (UnsavedChanges::settle(this,
                               hasUnsavedChanges(),
                               QStringLiteral("Сохранить изменения?"),
                               QStringLiteral("Разделы приложения изменены, но ещё не сохранены."),
                               [this] { return saveSections(); }))
        QDialog::reject();
}
