#include "selecttemplatedialog.h"
#include "ui_selecttemplatedialog.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "documentstore.h"
#include "emptystatewidget.h"
#include "history/documenthistory.h"
#include "settings/widgetgeometry.h"

#include <QListWidgetItem>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>

SelectTemplateDialog::SelectTemplateDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SelectTemplateDialog)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Создать документ"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    setWindowModality(Qt::ApplicationModal);

    m_emptyState = new EmptyStateWidget(ui->listWidget->viewport());
    fillListWidget();
    on_listWidget_currentRowChanged(-1);
    restoreWidgetGeometry(this);
}

SelectTemplateDialog::~SelectTemplateDialog()
{
    saveWidgetGeometry(this);
    delete ui;
}

void SelectTemplateDialog::fillListWidget()
{
    ui->listWidget->clear();
    for (const auto &entry : DocumentStore::templates()) {
        auto *item = new QListWidgetItem(entry.second, ui->listWidget);
        item->setData(Qt::UserRole, entry.first);
    }
    if (ui->listWidget->count() > 0) {
        m_emptyState->hide();
        return;
    }
    m_emptyState->setMessage(
            QStringLiteral("Шаблонов пока нет. Нажмите «Создать новый шаблон» и впишите в "
                           "него то, что одинаково для всего класса: дату выдачи, решение, "
                           "предметы приложения."));
    m_emptyState->show();
}

int SelectTemplateDialog::currentTemplateId() const
{
    const QListWidgetItem *item = ui->listWidget->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

void SelectTemplateDialog::on_listWidget_currentRowChanged(int currentRow)
{
    const bool selected = currentRow >= 0;
    ui->pushButtonCreateWithTemplate->setEnabled(selected);
    ui->pushButtonEditTempl->setEnabled(selected);
    ui->pushButtonDeleteTempl->setEnabled(selected);
    ui->pushButtonCopyTempl->setEnabled(selected);
    ui->pushButtonCreateEmpty->setEnabled(true);
    ui->pushButtonNewTempl->setEnabled(true);
}

void SelectTemplateDialog::on_pushButtonCreateEmpty_clicked()
{
    emit psIdSelected(0);
    hide();
    deleteLater();
}

void SelectTemplateDialog::on_pushButtonCreateWithTemplate_clicked()
{
    if (!ui->listWidget->currentItem())
        return;
    emit psIdSelected(currentTemplateId());
    hide();
    deleteLater();
}

void SelectTemplateDialog::on_pushButtonNewTempl_clicked()
{
    emit newTemplate();
}

void SelectTemplateDialog::on_pushButtonEditTempl_clicked()
{
    if (ui->listWidget->currentItem())
        emit editTemplate(currentTemplateId());
}

void SelectTemplateDialog::on_pushButtonDeleteTempl_clicked()
{
    const QListWidgetItem *item = ui->listWidget->currentItem();
    if (!item)
        return;
    QMessageBox box(
            QMessageBox::NoIcon,
            QStringLiteral("Внимание!"),
            QStringLiteral("Вы уверены, что хотите удалить шаблон \"%1\"?").arg(item->text()),
            QMessageBox::Ok | QMessageBox::Cancel,
            this);
    if (box.exec() != QMessageBox::Ok)
        return;
    const int id = currentTemplateId();
    // Both or neither, so no appendix rows are left without their template.
    QSqlDatabase db = QSqlDatabase::database();
    const bool inTransaction = db.transaction();
    std::unique_ptr<QSqlQuery> row(
            Database::execQuery(QStringLiteral("DELETE FROM PsDocuments WHERE psId = %1").arg(id)));
    std::unique_ptr<QSqlQuery> details(Database::execQuery(
            QStringLiteral("DELETE FROM PsDocumentDetails WHERE psId = %1").arg(id)));
    bool deleted = row->isActive() && details->isActive();
    if (inTransaction) {
        deleted = deleted && db.commit();
        if (!deleted)
            db.rollback();
    }
    if (!deleted) {
        QMessageBox failed(QMessageBox::Warning,
                           QStringLiteral("Ошибка"),
                           QStringLiteral("Не удалось удалить шаблон \"%1\".").arg(item->text()),
                           QMessageBox::Ok,
                           this);
        failed.exec();
    }
    fillListWidget();
    on_listWidget_currentRowChanged(-1);
}

int SelectTemplateDialog::copyTemplate(int id)
{
    QSqlDatabase db = QSqlDatabase::database();
    const bool inTransaction = db.transaction();
    int newId = qMax(0, DocumentStore::copyRow(id));
    if (newId > 0
        && (!DocumentStore::copyDisciplines(id, newId)
            || !DocumentHistory::record(newId, DocumentHistory::Kind::Copied)))
        newId = 0;
    if (inTransaction) {
        if (newId > 0 && db.commit())
            return newId;
        db.rollback();
        return 0;
    }
    return newId;
}

void SelectTemplateDialog::on_pushButtonCopyTempl_clicked()
{
    const QListWidgetItem *item = ui->listWidget->currentItem();
    if (!item)
        return;
    const QString name = item->text();
    if (copyTemplate(currentTemplateId()) < 1) {
        QMessageBox failed(QMessageBox::Warning,
                           QStringLiteral("Ошибка"),
                           QStringLiteral("Не удалось создать копию шаблона \"%1\".").arg(name),
                           QMessageBox::Ok,
                           this);
        failed.exec();
    }
    fillListWidget();
    ui->listWidget->setCurrentRow(ui->listWidget->count() - 1);
}
