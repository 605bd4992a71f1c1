#include "historydialog.h"
#include "ui_historydialog.h"

#include "documents/personname.h"
#include "historydescription.h"
#include "settings/widgetgeometry.h"

#include <QHeaderView>
#include <QMessageBox>

namespace {

enum Column { DateColumn, WhoColumn, WhatColumn };

QString escaped(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

} // namespace

HistoryDialog::HistoryDialog(int psId, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::HistoryDialog)
    , m_psId(psId)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    ui->splitter->setSizes({560, 420});
    ui->tableWidgetVersions->horizontalHeader()->setSectionResizeMode(
            DateColumn, QHeaderView::ResizeToContents);
    ui->tableWidgetVersions->horizontalHeader()->setSectionResizeMode(
            WhoColumn, QHeaderView::ResizeToContents);
    restoreWidgetGeometry(this);
    fillVersions();
}

HistoryDialog::~HistoryDialog()
{
    saveWidgetGeometry(this);
    delete ui;
}

int HistoryDialog::versionIndex(int row) const
{
    return m_versions.size() - 1 - row;
}

void HistoryDialog::fillVersions()
{
    const bool read = DocumentHistory::versions(m_psId, &m_versions);
    QTableWidget *table = ui->tableWidgetVersions;
    table->setRowCount(m_versions.size());
    for (int row = 0; row < m_versions.size(); ++row) {
        const int index = versionIndex(row);
        const DocumentHistory::Version &version = m_versions.at(index);
        const QString what
                = HistoryDescription::of(version, index > 0 ? &m_versions.at(index - 1) : nullptr);
        table->setItem(row,
                       DateColumn,
                       new QTableWidgetItem(HistoryDescription::momentText(version.changedAt)));
        table->setItem(row, WhoColumn, new QTableWidgetItem(version.changedBy));
        auto *whatItem = new QTableWidgetItem(what);
        whatItem->setToolTip(what);
        table->setItem(row, WhatColumn, whatItem);
    }
    table->resizeRowsToContents();
    if (!read)
        ui->labelDocument->setText(QStringLiteral("Историю документа не удалось прочитать из "
                                                  "реестра."));
    else if (m_versions.isEmpty())
        ui->labelDocument->setText(QStringLiteral("У документа пока нет сохранённых версий."));
    else {
        const DocumentRecord &current = m_versions.constLast().document;
        ui->labelDocument->setText(
                QStringLiteral("%1 — версий: %2")
                        .arg(PersonName{current.fio1, current.fio2, current.fio3}.full())
                        .arg(m_versions.size()));
        table->selectRow(0);
    }
}

void HistoryDialog::on_tableWidgetVersions_itemSelectionChanged()
{
    const QList<QTableWidgetItem *> selected = ui->tableWidgetVersions->selectedItems();
    const int row = selected.isEmpty() ? -1 : selected.first()->row();
    // The newest version is the document as it is now.
    ui->pushButtonRestore->setEnabled(row > 0);
    if (row < 0) {
        ui->textBrowserVersion->clear();
        return;
    }
    showVersion(m_versions.at(versionIndex(row)));
}

void HistoryDialog::showVersion(const DocumentHistory::Version &version)
{
    const DocumentRecord &document = version.document;
    QString html = QStringLiteral("<h3>Версия от %1</h3><table cellspacing='0' cellpadding='3'>")
                           .arg(HistoryDescription::momentText(version.changedAt).toHtmlEscaped());
    const auto row = [&html](const QString &label, const QString &value) {
        html += QStringLiteral("<tr><td valign='top'><b>%1</b></td><td>%2</td></tr>")
                        .arg(label.toHtmlEscaped(), escaped(value));
    };
    for (const auto &field : HistoryDescription::fields(document))
        row(field.first, field.second);
    const QStringList titles = HistoryDescription::sectionTitles();
    for (int i = 0; i < titles.size(); ++i)
        row(titles.at(i), document.sections.value(i));
    html += QStringLiteral("</table><h4>Предметы и оценки</h4>");
    if (document.disciplines.isEmpty())
        html += QStringLiteral("<p>нет</p>");
    else {
        html += QStringLiteral("<table cellspacing='0' cellpadding='3' border='1'>");
        for (const DocumentRecord::Discipline &discipline : document.disciplines)
            html += QStringLiteral("<tr><td>%1</td><td align='center'>%2</td></tr>")
                            .arg(escaped(discipline.name), escaped(discipline.rate));
        html += QStringLiteral("</table>");
    }
    ui->textBrowserVersion->setHtml(html);
}

void HistoryDialog::on_pushButtonRestore_clicked()
{
    const QList<QTableWidgetItem *> selected = ui->tableWidgetVersions->selectedItems();
    if (selected.isEmpty())
        return;
    const int index = versionIndex(selected.first()->row());
    if (index < 0 || index >= m_versions.size() - 1)
        return;
    if (!DocumentHistory::restore(m_psId, m_versions.at(index).id)) {
        tell(QStringLiteral("Версия не восстановлена: реестр не удалось изменить. Документ "
                            "остался прежним."));
        return;
    }
    fillVersions();
    emit documentRestored(m_psId);
}

void HistoryDialog::on_pushButtonClose_clicked()
{
    close();
}

void HistoryDialog::tell(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ошибка"), text, QMessageBox::Ok, this);
    box.exec();
}
