#include "printcheckdialog.h"
#include "ui_printcheckdialog.h"

#include "printing/reportlist.h"
#include "settings/widgetgeometry.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>

namespace {
constexpr int formsColumn = 4;

// The forms as the column of a check on all of them tells them apart.
QString formLabel(int type)
{
    switch (type) {
    case ReportList::Id253:
        return QStringLiteral("для мальчиков");
    case ReportList::Id254:
        return QStringLiteral("для девочек");
    case ReportList::Id3339:
        return QStringLiteral("второго вида");
    case ReportList::Id3382:
        return QStringLiteral("приложение");
    }
    return QString::number(type);
}
} // namespace

PrintCheckDialog::PrintCheckDialog(const QList<int> &ids, int type, Mode mode, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::PrintCheckDialog>())
    , m_ids(ids)
    , m_mode(mode)
{
    ui->setupUi(this);
    {
        const QSignalBlocker blocker(ui->comboBoxForm);
        if (mode == Mode::Check)
            ui->comboBoxForm->addItem(QStringLiteral("Все бланки"), 0);
        for (const ReportListEntry *entry : ReportList::entries())
            ui->comboBoxForm->addItem(entry->name, int(entry->type));
        ui->comboBoxForm->setCurrentIndex(qMax(0, ui->comboBoxForm->findData(type)));
    }
    QHeaderView *header = ui->tableWidgetProblems->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::Interactive);
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    // One form a line: the explanation keeps the room.
    header->setSectionResizeMode(formsColumn, QHeaderView::Interactive);
    header->resizeSection(formsColumn,
                          fontMetrics().horizontalAdvance(formLabel(ReportList::Id253) + ", ")
                                  + 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8);
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
    if (form() == 0) {
        QList<int> types;
        for (const ReportListEntry *entry : ReportList::entries())
            types << entry->type;
        m_problems = PrintCheck::checkForms(types, m_ids);
    } else {
        m_problems = PrintCheck(form()).check(m_ids);
    }
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
        table->setItem(row, 0, new QTableWidgetItem(document));
        table->setItem(row,
                       1,
                       new QTableWidgetItem(error ? errorIcon : warningIcon,
                                            error ? QStringLiteral("Ошибка")
                                                  : QStringLiteral("Предупреждение")));
        table->setItem(row, 2, new QTableWidgetItem(problem.field));
        table->setItem(row, 3, new QTableWidgetItem(problem.text));
        QStringList forms;
        QStringList names;
        for (int type : problem.forms) {
            forms << formLabel(type);
            if (const ReportListEntry *entry = ReportList::entry(type))
                names << entry->name;
        }
        auto *formsItem = new QTableWidgetItem(forms.isEmpty() ? QStringLiteral("все")
                                                               : forms.join(QStringLiteral(", ")));
        formsItem->setToolTip(names.join(QLatin1Char('\n')));
        table->setItem(row, formsColumn, formsItem);
    }
    table->setColumnHidden(formsColumn, form() != 0);
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
    if (row < 0 || row >= m_problems.size())
        return;
    const PrintCheck::Problem &problem = m_problems.at(row);
    const bool options = problem.organisation;
    const int id = problem.documentId;
    if (!options && id <= 0)
        return;
    // Before a print the data are corrected first: this print does not go on.
    if (m_mode == Mode::BeforePrint)
        reject();
    if (options)
        emit organisationOptionsRequested();
    else
        emit documentOpenRequested(id);
}
