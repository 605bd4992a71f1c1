#include "printcheckdialog.h"
#include "ui_printcheckdialog.h"

#include "printing/reportlist.h"
#include "settings/widgetgeometry.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>

PrintCheckDialog::PrintCheckDialog(const QList<int> &ids, int type, Mode mode, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::PrintCheckDialog>())
    , m_ids(ids)
    , m_mode(mode)
{
    ui->setupUi(this);
    {
        const QSignalBlocker blocker(ui->comboBoxForm);
        for (const ReportListEntry *entry : ReportList::entries())
            ui->comboBoxForm->addItem(entry->name, int(entry->type));
        ui->comboBoxForm->setCurrentIndex(qMax(0, ui->comboBoxForm->findData(type)));
    }
    QHeaderView *header = ui->tableWidgetProblems->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::Interactive);
    ui->tableWidgetProblems->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (mode == Mode::BeforePrint) {
        setWindowTitle(QStringLiteral("Проверка перед печатью"));
        ui->comboBoxForm->setEnabled(false);
        ui->pushButtonClose->setText(QStringLiteral("Отмена"));
        setWindowModality(Qt::ApplicationModal);
    } else {
        ui->pushButtonPrint->hide();
        setAttribute(Qt::WA_DeleteOnClose);
    }
    restoreWidgetGeometry(this);
    recheck();
}

PrintCheckDialog::~PrintCheckDialog()
{
    saveWidgetGeometry(this);
}

int PrintCheckDialog::form() const
{
    return ui->comboBoxForm->currentData().toInt();
}

void PrintCheckDialog::recheck()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintCheck check(form());
    m_problems = check.check(m_ids);
    QApplication::restoreOverrideCursor();
    showProblems();
}

void PrintCheckDialog::showProblems()
{
    QTableWidget *table = ui->tableWidgetProblems;
    table->setRowCount(m_problems.size());
    int errors = 0;
    const QIcon errorIcon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warningIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (int row = 0; row < m_problems.size(); ++row) {
        const PrintCheck::Problem &problem = m_problems.at(row);
        const bool error = problem.severity == PrintCheck::Severity::Error;
        if (error)
            ++errors;
        QString document = problem.document;
        if (problem.documentId <= 0)
            document = QStringLiteral("Все документы");
        else if (document.isEmpty())
            document = QStringLiteral("Документ %1").arg(problem.documentId);
        auto *documentItem = new QTableWidgetItem(document);
        documentItem->setData(Qt::UserRole, problem.documentId);
        table->setItem(row, 0, documentItem);
        table->setItem(row,
                       1,
                       new QTableWidgetItem(error ? errorIcon : warningIcon,
                                            error ? QStringLiteral("Ошибка")
                                                  : QStringLiteral("Предупреждение")));
        table->setItem(row, 2, new QTableWidgetItem(problem.field));
        table->setItem(row, 3, new QTableWidgetItem(problem.text));
    }
    table->resizeColumnToContents(2);

    const int warnings = m_problems.size() - errors;
    if (m_problems.isEmpty()) {
        ui->labelSummary->setText(
                QStringLiteral("Документов проверено: %1. Проблем не найдено.").arg(m_ids.size()));
    } else {
        QString summary = QStringLiteral("Документов проверено: %1. Ошибок: %2, предупреждений: "
                                         "%3.")
                                  .arg(m_ids.size())
                                  .arg(errors)
                                  .arg(warnings);
        if (m_mode == Mode::BeforePrint && errors > 0)
            summary += QStringLiteral(" С ошибками бланк будет испорчен: исправьте документы "
                                      "или нажмите «Печатать всё равно».");
        ui->labelSummary->setText(summary);
    }
    ui->labelHint->setVisible(!m_problems.isEmpty());
    // With errors Enter does not print.
    if (m_mode == Mode::BeforePrint) {
        QPushButton *byDefault = errors > 0 ? ui->pushButtonClose : ui->pushButtonPrint;
        byDefault->setDefault(true);
        byDefault->setFocus();
    }
}

void PrintCheckDialog::on_comboBoxForm_currentIndexChanged(int)
{
    recheck();
}

void PrintCheckDialog::on_pushButtonRecheck_clicked()
{
    recheck();
}

void PrintCheckDialog::on_pushButtonPrint_clicked()
{
    accept();
}

void PrintCheckDialog::on_pushButtonClose_clicked()
{
    reject();
}

void PrintCheckDialog::on_tableWidgetProblems_cellDoubleClicked(int row, int)
{
    const QTableWidgetItem *item = ui->tableWidgetProblems->item(row, 0);
    const int id = item ? item->data(Qt::UserRole).toInt() : 0;
    if (id <= 0)
        return;
    // Before a print the document is corrected first: this print does not go on.
    if (m_mode == Mode::BeforePrint)
        reject();
    emit documentOpenRequested(id);
}
