#include "additionaleditdialog.h"
#include "ui_additionaleditdialog.h"

#include "comboboxitemdelegate.h"
#include "itemoperations.h"
#include "lineedititemdelegate.h"
#include "saveconflict.h"
#include "settings/spellchecker.h"
#include "settings/widgetgeometry.h"

#include "ZrReport/unsavedchanges.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QStandardItemModel>

namespace {

enum Column { NameColumn = 0, GradeColumn = 1 };

} // namespace

AdditionalEditDialog::AdditionalEditDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AdditionalEditDialog)
    , model(new QStandardItemModel(0, 2, this))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("Приложение к документу"));

    connect(ui->tableView, &QTableView::pressed, this, &AdditionalEditDialog::onRowActivated);
    connect(ui->tableView, &QTableView::activated, this, &AdditionalEditDialog::onRowActivated);
    setupTable();
    onRowActivated(QModelIndex());

    fillValueCombo(QStringLiteral("PsDocuments"), QStringLiteral("add3"), ui->comboBoxAdd_3, 0);
    fillValueCombo(QStringLiteral("PsDocuments"), QStringLiteral("add4"), ui->comboBoxAdd_4, 0);
    fillValueCombo(QStringLiteral("PsDocuments"), QStringLiteral("add5"), ui->comboBoxAdd_5, 0);
    fillValueCombo(QStringLiteral("PsDocumentDetails"),
                   QStringLiteral("disciplineName"),
                   ui->comboBoxDiscipline,
                   0);
    // The wheel over a list the user has not clicked into would pick another value unseen.
    for (QComboBox *combo : {ui->comboBoxAdd_3,
                             ui->comboBoxAdd_4,
                             ui->comboBoxAdd_5,
                             ui->comboBoxDiscipline,
                             ui->comboBoxRate})
        wheelOnlyWhenFocused(combo);

    setEditable(false);
    attachSpellChecker(this);
    restoreWidgetGeometry(this);
}

AdditionalEditDialog::~AdditionalEditDialog()
{
    saveWidgetGeometry(this);
    delete ui;
}

void AdditionalEditDialog::setupTable()
{
    model->setHeaderData(NameColumn, Qt::Horizontal, QStringLiteral("    Дисциплина    "));
    model->setHeaderData(GradeColumn, Qt::Horizontal, QStringLiteral("     Оценка    "));
    ui->tableView->setModel(model);
    ui->tableView->resizeColumnsToContents();
    ui->tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tableView->setItemDelegateForColumn(NameColumn, new LineEditItemDelegate(this));
    ui->tableView->setItemDelegateForColumn(GradeColumn, new ComboBoxItemDelegate(this));
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
    for (int row = 0; row < model->rowCount(); ++row)
        ui->tableView->openPersistentEditor(model->index(row, GradeColumn));
}

void AdditionalEditDialog::loadAppendix(int id)
{
    psId = id;
    if (id < 1)
        return;
    QString error;
    Appendix appendix;
    if (!AppendixStore::read(psId, &appendix, &error)) {
        if (error.isEmpty())
            return;
        // Saved over, an appendix read in part would lose the rows that were not read.
        ui->pushButtonEditForm->setEnabled(false);
        tell(QStringLiteral("Не удалось прочитать приложение к документу: %1\n\nИзменить его "
                            "сейчас нельзя, закройте окно и откройте его ещё раз.")
                     .arg(error));
        return;
    }
    m_loaded = appendix;
    showAppendix(appendix);
}

void AdditionalEditDialog::showAppendix(const Appendix &appendix)
{
    ui->plainTextEditAdd_1->setPlainText(appendix.sections.at(0));
    ui->plainTextEditAdd_2->setPlainText(appendix.sections.at(1));
    ui->comboBoxAdd_3->setEditText(appendix.sections.at(2));
    ui->comboBoxAdd_4->setEditText(appendix.sections.at(3));
    ui->comboBoxAdd_5->setEditText(appendix.sections.at(4));
    model->setRowCount(0);
    for (const DocumentRecord::Discipline &discipline : appendix.disciplines)
        appendRow(discipline);
    ui->tableView->resizeColumnsToContents();
    onRowActivated(QModelIndex());
    m_shown = typedAppendix();
}

void AdditionalEditDialog::appendRow(const DocumentRecord::Discipline &discipline)
{
    model->appendRow({new QStandardItem(discipline.name), new QStandardItem(discipline.rate)});
    ui->tableView->openPersistentEditor(model->index(model->rowCount() - 1, GradeColumn));
}

Appendix AdditionalEditDialog::typedAppendix() const
{
    Appendix typed;
    typed.sections = QStringList{ui->plainTextEditAdd_1->toPlainText(),
                                 ui->plainTextEditAdd_2->toPlainText(),
                                 ui->comboBoxAdd_3->currentText(),
                                 ui->comboBoxAdd_4->currentText(),
                                 ui->comboBoxAdd_5->currentText()};
    for (int row = 0; row < model->rowCount(); ++row)
        typed.disciplines.append({model->index(row, NameColumn).data(Qt::EditRole).toString(),
                                  model->index(row, GradeColumn).data(Qt::EditRole).toString()});
    return typed;
}

bool AdditionalEditDialog::hasUnsavedChanges() const
{
    return editable && typedAppendix() != m_shown;
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
    ui->pushButtonDelete->setEnabled(valid);
    ui->pushButtonDown->setEnabled(valid && index.row() + 1 < model->rowCount());
    ui->pushButtonUp->setEnabled(valid && index.row() > 0);
}

void AdditionalEditDialog::on_pushButtonAddDisp_clicked()
{
    const QString name = ui->comboBoxDiscipline->currentText().simplified();
    if (name.isEmpty())
        return;
    appendRow({name, ui->comboBoxRate->currentText()});
    ui->comboBoxRate->setCurrentIndex(0);
    ui->comboBoxDiscipline->clearEditText();

    const int row = model->rowCount() - 1;
    ui->tableView->selectRow(row);
    onRowActivated(model->index(row, NameColumn));
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
    if (!current.isValid()
        || !ask(QStringLiteral("Вы уверены, что хотите удалить выделенную дисциплину?")))
        return;
    model->removeRow(current.row());
    onRowActivated(QModelIndex());
}

void AdditionalEditDialog::on_pushButtonDeleteAll_clicked()
{
    if (!ask(QStringLiteral("Вы уверены, что точно хотите удалить ВСЕ дисциплины?")))
        return;
    model->setRowCount(0);
    onRowActivated(QModelIndex());
}

void AdditionalEditDialog::moveCurrentRow(int offset)
{
    const int row = ui->tableView->currentIndex().row();
    const int target = row + offset;
    if (!swapRows(model, row, target, NameColumn))
        return;
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
    saveAppendix();
}

bool AdditionalEditDialog::saveAppendix()
{
    const Appendix typed = typedAppendix();
    AppendixStore::Result result = AppendixStore::write(psId, m_loaded, typed, false);
    if (result == AppendixStore::Result::ChangedElsewhere) {
        switch (SaveConflict::ask(this, QStringLiteral("Приложение к документу изменено"))) {
        case SaveConflict::Choice::Overwrite:
            result = AppendixStore::write(psId, m_loaded, typed, true);
            break;
        case SaveConflict::Choice::Reload:
            loadAppendix(psId);
            setEditable(false);
            return false;
        case SaveConflict::Choice::Cancel:
            return false;
        }
    }
    if (result == AppendixStore::Result::Deleted) {
        tell(QStringLiteral("Документ удалён из реестра в другом месте после того, как вы "
                            "открыли его приложение: приложение сохранить некуда, окно будет "
                            "закрыто."));
        setEditable(false);
        QDialog::reject();
        return false;
    }
    if (result != AppendixStore::Result::Stored) {
        // Stay in the edit state so that nothing typed is lost and Save can be retried.
        tell(QStringLiteral("Приложение к документу не сохранено. Введённые данные остались в "
                            "окне, попробуйте сохранить ещё раз."));
        return false;
    }
    m_loaded = typed;
    m_shown = typed;
    setEditable(false);
    emit groupsUpdated();
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
                               QStringLiteral("Приложение к документу изменено, но ещё не "
                                              "сохранено."),
                               [this] { return saveAppendix(); }))
        QDialog::reject();
}
