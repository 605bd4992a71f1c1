#include "deleteddocumentsdialog.h"
#include "ui_deleteddocumentsdialog.h"

#include "app/countword.h"
#include "database/database.h"
#include "documentbin.h"
#include "emptystatewidget.h"
#include "settings/widgetgeometry.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTableWidgetItem>

namespace {

enum Column { NameColumn, ClassColumn, NumberColumn, DeletedAtColumn, DeletedByColumn };

} // namespace

DeletedDocumentsDialog::DeletedDocumentsDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DeletedDocumentsDialog)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // The register cannot change behind the list while it is open.
    setWindowModality(Qt::ApplicationModal);
    m_emptyState = new EmptyStateWidget(ui->tableWidget->viewport());
    fillTable();
    restoreWidgetGeometry(this);
}

DeletedDocumentsDialog::~DeletedDocumentsDialog()
{
    saveWidgetGeometry(this);
    delete ui;
}

void DeletedDocumentsDialog::fillTable()
{
    QVector<DocumentBin::Entry> entries;
    const bool read = DocumentBin::read(&entries);
    ui->tableWidget->setRowCount(0);
    ui->tableWidget->setRowCount(entries.size());
    for (int row = 0; row < entries.size(); ++row) {
        const DocumentBin::Entry &entry = entries.at(row);
        const QStringList cells{entry.name,
                                entry.schoolClass,
                                entry.number,
                                Database::changeDateText(entry.deletedAt),
                                entry.deletedBy};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells.at(column));
            item->setData(Qt::UserRole, entry.id);
            ui->tableWidget->setItem(row, column, item);
        }
    }
    ui->tableWidget->resizeColumnsToContents();
    on_tableWidget_itemSelectionChanged();
    if (!read)
        m_emptyState->setMessage(QStringLiteral("Не удалось прочитать удалённые документы из "
                                                "реестра."));
    else if (entries.isEmpty())
        m_emptyState->setMessage(QStringLiteral("Удалённых документов нет. Документы, удалённые "
                                                "из реестра, попадают сюда, и их можно "
                                                "восстановить."));
    m_emptyState->setVisible(!read || entries.isEmpty());
}

QList<int> DeletedDocumentsDialog::selectedIds() const
{
    QSet<int> rows;
    for (const QModelIndex &index : ui->tableWidget->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    QList<int> ids;
    for (int row = 0; row < ui->tableWidget->rowCount(); ++row) {
        if (rows.contains(row))
            ids << ui->tableWidget->item(row, NameColumn)->data(Qt::UserRole).toInt();
    }
    return ids;
}

void DeletedDocumentsDialog::on_tableWidget_itemSelectionChanged()
{
    const bool any = ui->tableWidget->selectionModel()->hasSelection();
    ui->pushButtonRestore->setEnabled(any);
    ui->pushButtonDeleteForGood->setEnabled(any);
}

void DeletedDocumentsDialog::on_pushButtonRestore_clicked()
{
    const QList<int> ids = selectedIds();
    if (ids.isEmpty())
        return;
    if (!DocumentBin::restore(ids)) {
        tellFailure(QStringLiteral("Не удалось восстановить документы. Реестр не изменён."));
        return;
    }
    fillTable();
    emit documentsRestored(ids);
}

void DeletedDocumentsDialog::on_pushButtonDeleteForGood_clicked()
{
    const QList<int> ids = selectedIds();
    if (ids.isEmpty())
        return;
    const int count = ids.size();
    QMessageBox box(QMessageBox::Warning,
                    QStringLiteral("Внимание!"),
                    QStringLiteral("Удалить навсегда %1 %2?\n\nДокументы, удалённые навсегда, "
                                   "стираются из реестра вместе с приложениями, и вернуть "
                                   "их нельзя.")
                            .arg(count)
                            .arg(countWord(count,
                                           QStringLiteral("документ"),
                                           QStringLiteral("документа"),
                                           QStringLiteral("документов"))),
                    QMessageBox::Ok | QMessageBox::Cancel,
                    this);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("Удалить навсегда"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() != QMessageBox::Ok)
        return;
    if (!DocumentBin::removeForGood(ids))
        tellFailure(QStringLiteral("Не удалось удалить документы. Реестр не изменён."));
    fillTable();
}

void DeletedDocumentsDialog::tellFailure(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ошибка"), text, QMessageBox::Ok, this);
    box.exec();
}
