#include "printjournalwindow.h"
#include "ui_printjournalwindow.h"

#include "database/registerwatcher.h"
#include "printing/journalbacklog.h"
#include "printing/registerbook.h"
#include "printing/reportlist.h"
#include "settings/widgetgeometry.h"

#include <QEvent>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>

PrintJournalWindow::PrintJournalWindow(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::PrintJournalWindow>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    const QDate today = QDate::currentDate();
    ui->dateEditFrom->setDate(RegisterBook::schoolYearStart(today));
    ui->dateEditTo->setDate(today);
    ui->dateEditFrom->setEnabled(false);
    ui->dateEditTo->setEnabled(false);
    ui->comboBoxForm->addItem(QStringLiteral("Все бланки"), 0);
    for (const ReportListEntry *entry : ReportList::entries())
        ui->comboBoxForm->addItem(entry->name, int(entry->type));
    QHeaderView *header = ui->tableWidgetEntries->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The forms' names are long: a part of them, the whole one in the tooltip.
    header->setSectionResizeMode(3, QHeaderView::Interactive);
    header->resizeSection(3, 220);
    header->setStretchLastSection(true);

    connect(ui->checkBoxPeriod, &QCheckBox::toggled, this, [this](bool on) {
        ui->dateEditFrom->setEnabled(on);
        ui->dateEditTo->setEnabled(on);
        refresh();
    });
    connect(ui->dateEditFrom, &QDateEdit::dateChanged, this, &PrintJournalWindow::refresh);
    connect(ui->dateEditTo, &QDateEdit::dateChanged, this, &PrintJournalWindow::refresh);
    connect(ui->comboBoxForm,
            QOverload<int>::of(&QComboBox::currentIndexChanged),
            this,
            &PrintJournalWindow::refresh);
    connect(ui->comboBoxKind,
            QOverload<int>::of(&QComboBox::currentIndexChanged),
            this,
            &PrintJournalWindow::refresh);
    connect(ui->lineEditText, &QLineEdit::textChanged, this, &PrintJournalWindow::refresh);
    // A server register's journal is shared: other workstations' prints come in as they go out.
    connect(RegisterWatcher::instance(),
            &RegisterWatcher::journalChangedElsewhere,
            this,
            &PrintJournalWindow::refresh);
    restoreWidgetGeometry(this);
    refresh();
}

PrintJournalWindow::~PrintJournalWindow()
{
    saveWidgetGeometry(this);
}

PrintJournal::Filter PrintJournalWindow::filter() const
{
    PrintJournal::Filter filter;
    if (ui->checkBoxPeriod->isChecked()) {
        filter.from = ui->dateEditFrom->date();
        filter.to = ui->dateEditTo->date();
    }
    filter.form = ui->comboBoxForm->currentData().toInt();
    filter.kind = PrintJournal::Filter::Kind(ui->comboBoxKind->currentIndex());
    filter.text = ui->lineEditText->text();
    return filter;
}

bool PrintJournalWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        refresh();
    return QDialog::event(event);
}

void PrintJournalWindow::refresh()
{
    const int selected = entryAt(ui->tableWidgetEntries->currentRow());
    const PrintJournal::Filter current = filter();
    m_entries = PrintJournal::entries(current);
    QTableWidget *table = ui->tableWidgetEntries;
    table->setRowCount(m_entries.size());
    for (int row = 0; row < m_entries.size(); ++row) {
        const PrintJournal::Entry &entry = m_entries.at(row);
        const ReportListEntry *form = ReportList::entry(entry.form);
        QString spoiled;
        if (entry.spoiled)
            spoiled = QStringLiteral("%1 (%2)").arg(
                    entry.spoiledReason, entry.spoiledAt.toString(QStringLiteral("dd.MM.yyyy")));
        const QStringList texts{entry.printedAt.toString(QStringLiteral("dd.MM.yyyy hh:mm")),
                                entry.fio,
                                entry.number,
                                form ? form->name : QString::number(entry.form),
                                entry.printer,
                                entry.workstation,
                                QString::number(entry.pages),
                                PrintJournal::outcomeText(entry.outcome),
                                spoiled};
        for (int column = 0; column < texts.size(); ++column) {
            auto *item = new QTableWidgetItem(texts.at(column));
            if (column == 3 && form)
                item->setToolTip(form->description);
            table->setItem(row, column, item);
        }
        if (entry.id == selected)
            table->selectRow(row);
    }
    const PrintJournal::Counts counts
            = PrintJournal::counts(current.from, current.to, current.form);
    ui->labelCounts->setText(QStringLiteral("Бланков использовано %1: %2, из них испорчено: %3.")
                                     .arg(RegisterBook::periodText(current.from, current.to))
                                     .arg(counts.used)
                                     .arg(counts.spoiled));
    on_tableWidgetEntries_itemSelectionChanged();
}

int PrintJournalWindow::entryAt(int row) const
{
    return row >= 0 && row < m_entries.size() ? m_entries.at(row).id : 0;
}

void PrintJournalWindow::on_tableWidgetEntries_itemSelectionChanged()
{
    const int row = ui->tableWidgetEntries->currentRow();
    const bool selected = !ui->tableWidgetEntries->selectedItems().isEmpty();
    ui->pushButtonSpoiled->setEnabled(selected && entryAt(row) > 0 && !m_entries.at(row).spoiled
                                      && m_entries.at(row).pages > 0
                                      && m_entries.at(row).output == PrintJournal::Output::Printer);
}

void PrintJournalWindow::on_pushButtonSpoiled_clicked()
{
    const int row = ui->tableWidgetEntries->currentRow();
    const int id = entryAt(row);
    if (id <= 0)
        return;
    bool ok = false;
    const QString reason
            = QInputDialog::getText(this,
                                    PrintJournal::defaultSpoiledReason(),
                                    QStringLiteral("Бланк документа «%1», номер %2.\nПричина:")
                                            .arg(m_entries.at(row).fio, m_entries.at(row).number),
                                    QLineEdit::Normal,
                                    PrintJournal::defaultSpoiledReason(),
                                    &ok);
    if (!ok)
        return;
    bool written = false;
    PrintJournal::markSpoiled(id,
                              reason.trimmed().isEmpty() ? PrintJournal::defaultSpoiledReason()
                                                         : reason.trimmed(),
                              &written);
    refresh();
    if (!written) {
        QMessageBox box(QMessageBox::Warning,
                        QStringLiteral("Ошибка"),
                        QStringLiteral("Отметка о порче бланка не внесена в реестр: %1.\nБланк "
                                       "пока не отмечен; отметка сохранена на этом компьютере "
                                       "и будет внесена вместе с записью в истории документа "
                                       "по кнопке «Повторить» или при следующем запуске.")
                                .arg(JournalBacklog::instance().reason()),
                        QMessageBox::Ok,
                        this);
        box.exec();
    }
}

void PrintJournalWindow::on_pushButtonClose_clicked()
{
    close();
}

void PrintJournalWindow::on_tableWidgetEntries_cellDoubleClicked(int row, int)
{
    if (row >= 0 && row < m_entries.size())
        emit documentOpenRequested(m_entries.at(row).documentId);
}
