#include "additionaleditdialog.h"
#include "ui_additionaleditdialog.h"

#include "app/debuglog.h"
#include "comboboxitemdelegate.h"
#include "database/database.h"
#include "itemoperations.h"
#include "lineedititemdelegate.h"
#include "settings/spellchecker.h"
#include "settings/widgetgeometry.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <memory>

namespace {

enum Column { DetailIdColumn = 0, DocumentIdColumn = 1, NameColumn = 2, GradeColumn = 3 };

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

void AdditionalEditDialog::closeGradeEditors()
{
    if (!model)
        return;
    for (int row = 0; row < model->rowCount(); ++row)
        ui->tableView->closePersistentEditor(model->index(row, GradeColumn));
}

void AdditionalEditDialog::loadAppendix(int id)
{
    psId = id;
    if (id < 1)
        return;
    std::unique_ptr<QSqlQuery> query(Database::execQuery(
            QStringLiteral("SELECT * FROM PsDocuments WHERE psId=%1;").arg(id)));
    if (!query->next())
        return;
    ui->plainTextEditAdd_1->setPlainText(query->value(QStringLiteral("add1")).toString());
    ui->plainTextEditAdd_2->setPlainText(query->value(QStringLiteral("add2")).toString());
    ui->comboBoxAdd_3->setEditText(query->value(QStringLiteral("add3")).toString());
    ui->comboBoxAdd_4->setEditText(query->value(QStringLiteral("add4")).toString());
    ui->comboBoxAdd_5->setEditText(query->value(QStringLiteral("add5")).toString());
    updateData();
}

void AdditionalEditDialog::updateData()
{
    if (!model)
        return;
    model->setFilter(QStringLiteral("psId = %1").arg(psId));
    model->select();
    while (model->canFetchMore())
        model->fetchMore();
    ui->tableView->resizeColumnsToContents();
    if (editable)
        openGradeEditors();
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
    for (QWidget *input : inputs)
        input->setEnabled(e);
    if (e) {
        openGradeEditors();
    } else {
        ui->comboBoxDiscipline->clearEditText();
        // Without editors the grade column shows the stored text itself.
        closeGradeEditors();
    }
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
    if (name.isEmpty() || !model)
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
    ui->tableView->openPersistentEditor(model->index(row, GradeColumn));
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
    if (!model->removeRow(current.row()))
        ZR_LOG() << "discipline not deleted" << current.row();
    updateData();
    onRowActivated(QModelIndex());
    emit groupsUpdated();
}

void AdditionalEditDialog::on_pushButtonDeleteAll_clicked()
{
    if (!ask(QStringLiteral("Вы уверены, что точно хотите удалить ВСЕ дисциплины?")))
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
    if (row < 0 || target < 0 || target >= model->rowCount())
        return;
    if (!swapRows(model, row, target, NameColumn)) {
        tell(QStringLiteral("Не удалось переместить дисциплину, порядок не изменён."));
        updateData();
        onRowActivated(model->index(row, NameColumn));
        ui->tableView->selectRow(row);
        return;
    }
    // Storing the pair re-reads the model, which drops the open editors.
    if (editable)
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
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE PsDocuments SET add1=:add1, add2=:add2, add3=:add3, "
                                 "add4=:add4, add5=:add5  WHERE psId=:psId;"));
    query.bindValue(QStringLiteral(":psId"), psId);
    query.bindValue(QStringLiteral(":add1"), ui->plainTextEditAdd_1->toPlainText());
    query.bindValue(QStringLiteral(":add2"), ui->plainTextEditAdd_2->toPlainText());
    query.bindValue(QStringLiteral(":add3"), ui->comboBoxAdd_3->currentText());
    query.bindValue(QStringLiteral(":add4"), ui->comboBoxAdd_4->currentText());
    query.bindValue(QStringLiteral(":add5"), ui->comboBoxAdd_5->currentText());
    if (!Database::exec(query) || query.numRowsAffected() < 1) {
        // Stay in the edit state so the typed sections are not lost.
        tell(QStringLiteral("Разделы приложения не сохранены. Введённые данные остались в окне, "
                            "попробуйте сохранить ещё раз."));
        return;
    }
    setEditable(false);
}

void AdditionalEditDialog::on_pushButtonEditForm_clicked()
{
    setEditable(true);
}

void AdditionalEditDialog::on_pushButtonCancel_2_clicked()
{
    hide();
    deleteLater();
}
