#include "edittablefielddialog.h"

#include "reportlog.h"
#include "tablefield.h"
#include "ui_edittablefielddialog.h"

#include <QComboBox>

namespace {
enum TableRow { HeaderRow = 0, WidthRow = 1, DataRow = 2, AlignRow = 3 };

constexpr double epsilon = 0.000001;
// Narrower columns are typing slips; they get a usable width instead.
constexpr double minColumnWidth = 2.0;
constexpr double fallbackColumnWidth = 10.0;

// Point as decimal separator whatever the locale; anything else reads as 0.
double number(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? AbstractField::saneLength(value) : 0.0;
}

QString cellText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}
} // namespace

EditTableFieldDialog::EditTableFieldDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::EditTableFieldDialog>())
{
    ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    // Closed from the title bar it applies nothing and has no owner to free it.
    setAttribute(Qt::WA_DeleteOnClose);
    load();
}

EditTableFieldDialog::~EditTableFieldDialog() = default;

QString EditTableFieldDialog::noTransferText()
{
    return QStringLiteral("Без переноса");
}

void EditTableFieldDialog::setTableField(TableField *field)
{
    if (m_field)
        disconnect(m_field, nullptr, this, nullptr);
    m_field = field;
    if (field) {
        m_newField = false;
        // Nothing left to edit once the field is gone.
        connect(field, &QObject::destroyed, this, &QWidget::close);
    }
    load();
}

QComboBox *EditTableFieldDialog::newAlignCombo()
{
    auto *combo = new QComboBox();
    combo->addItem(QStringLiteral("по умолчанию"), 0);
    combo->addItem(QStringLiteral("Слева"), int(Qt::AlignLeft));
    combo->addItem(QStringLiteral("По центру"), int(Qt::AlignHCenter));
    combo->addItem(QStringLiteral("Справа"), int(Qt::AlignRight));
    combo->setCurrentIndex(0);
    return combo;
}

QComboBox *EditTableFieldDialog::alignCombo(int column) const
{
    return qobject_cast<QComboBox *>(ui->table->cellWidget(AlignRow, column));
}

void EditTableFieldDialog::on_rowCountSpin_valueChanged(int arg1)
{
    if (ui->table->columnCount() != arg1)
        ui->table->setColumnCount(arg1);
    for (int c = 0; c < ui->table->columnCount(); ++c) {
        for (int r = 0; r < ui->table->rowCount(); ++r) {
            if (ui->table->item(r, c))
                continue;
            auto *item = new QTableWidgetItem();
            if (r == WidthRow)
                item->setText(QStringLiteral("40"));
            ui->table->setItem(r, c, item);
            if (r == AlignRow && !ui->table->cellWidget(r, c))
                ui->table->setCellWidget(r, c, newAlignCombo());
        }
    }
}

void EditTableFieldDialog::on_autoWidthCheckBox_stateChanged(int arg1)
{
    ui->table->setRowHidden(WidthRow, arg1 == Qt::Checked);
}

void EditTableFieldDialog::on_headerIsVisibleCheckBox_stateChanged(int arg1)
{
    const bool visible = arg1 == Qt::Checked;
    ui->headerHeightSpin->setEnabled(visible);
    ui->table->setRowHidden(HeaderRow, !visible);
}

void EditTableFieldDialog::on_pushButtonAddSplit_clicked()
{
    const int row = ui->tableSplit->rowCount();
    ui->tableSplit->insertRow(row);
    for (int c = 0; c < ui->tableSplit->columnCount(); ++c)
        ui->tableSplit->setItem(row, c, new QTableWidgetItem());
}

void EditTableFieldDialog::on_pushButtonDeleteSplit_clicked()
{
    ui->tableSplit->removeRow(ui->tableSplit->currentRow());
    ui->pushButtonDeleteSplit->setEnabled(false);
}

void EditTableFieldDialog::on_tableSplit_cellClicked(int row, int column)
{
    if (row >= 0 && column >= 0)
        ui->pushButtonDeleteSplit->setEnabled(true);
}

void EditTableFieldDialog::load()
{
    TableField *field = m_field.data();
    if (!field) {
        ui->rowCountSpin->setValue(3);
        on_rowCountSpin_valueChanged(3);
        ui->pushButtonOk->setText(QStringLiteral("Создать"));
        on_autoWidthCheckBox_stateChanged(ui->autoWidthCheckBox->checkState());
        on_headerIsVisibleCheckBox_stateChanged(ui->headerIsVisibleCheckBox->checkState());
        return;
    }

    ui->pushButtonOk->setText(QStringLiteral("Сохранить"));
    const int columns = field->columnCount;
    ui->rowCountSpin->setValue(columns);
    on_rowCountSpin_valueChanged(ui->rowCountSpin->value());
    if (columns > field->headerNames.size() || columns > field->columnsWidth.size()
        || columns > field->columnIds.size()) {
        ZR_REPORT_DEBUG(QStringLiteral("ERROR tableField format!!!"));
        return;
    }
    // The spin box holds as many columns as a template can (255), so none is dropped;
    // a table without columns still shows the one the spin box starts at.
    const int shown = qMin(columns, ui->table->columnCount());
    for (int c = 0; c < shown; ++c) {
        ui->table->item(HeaderRow, c)->setText(field->headerNames.at(c));
        ui->table->item(WidthRow, c)->setText(QString::number(field->columnsWidth.at(c), 'g', 6));
        ui->table->item(DataRow, c)->setText(field->columnIds.at(c));
        QComboBox *combo = alignCombo(c);
        if (!combo) {
            combo = newAlignCombo();
            ui->table->setCellWidget(AlignRow, c, combo);
        }
        const int align = c < field->columnsAlign.size() ? field->columnsAlign.at(c) : 0;
        combo->setCurrentIndex(combo->findData(align));
    }

    ui->autoWidthCheckBox->setChecked(field->autoWidth);
    ui->headerIsVisibleCheckBox->setChecked(field->headerIsVisible);
    on_autoWidthCheckBox_stateChanged(ui->autoWidthCheckBox->checkState());
    on_headerIsVisibleCheckBox_stateChanged(ui->headerIsVisibleCheckBox->checkState());
    ui->headerHeightSpin->setValue(field->headerHeight);
    ui->rowHeightSpin->setValue(field->rowHeight);
    ui->modelNameLineEdit->setText(field->mModelName);
    ui->drawBordersCheckBox->setChecked(field->drawBorders);

    ui->tableSplit->setRowCount(0);
    const int splits = qMin(
            field->splitsCount,
            qMin(field->maxSplitHeight.size(), qMin(field->splitX.size(), field->splitY.size())));
    for (int i = 0; i < splits; ++i) {
        ui->tableSplit->insertRow(i);
        ui->tableSplit->setItem(
                i, 0, new QTableWidgetItem(QString::number(field->maxSplitHeight.at(i), 'f', 2)));
        const bool placed = field->splitX.at(i) >= epsilon || field->splitY.at(i) >= epsilon;
        ui->tableSplit->setItem(
                i,
                1,
                new QTableWidgetItem(placed ? QString::number(field->splitX.at(i), 'f', 2)
                                            : noTransferText()));
        ui->tableSplit->setItem(
                i,
                2,
                new QTableWidgetItem(placed ? QString::number(field->splitY.at(i), 'f', 2)
                                            : noTransferText()));
    }
}

void EditTableFieldDialog::apply()
{
    if (!m_field)
        m_field = new TableField();
    TableField *field = m_field.data();

    const int columns = ui->rowCountSpin->value();
    field->columnCount = quint8(columns);
    field->columnsWidth.resize(columns);
    field->columnsAlign.resize(columns);
    while (field->headerNames.size() > columns)
        field->headerNames.removeLast();
    while (field->headerNames.size() < columns)
        field->headerNames.append(QString());
    while (field->columnIds.size() > columns)
        field->columnIds.removeLast();
    while (field->columnIds.size() < columns)
        field->columnIds.append(QString());

    for (int c = 0; c < columns; ++c) {
        field->headerNames[c] = cellText(ui->table, HeaderRow, c);
        double width = number(cellText(ui->table, WidthRow, c));
        if (width < minColumnWidth)
            width = fallbackColumnWidth;
        field->columnsWidth[c] = width;
        field->columnIds[c] = cellText(ui->table, DataRow, c);
        if (QComboBox *combo = alignCombo(c))
            field->columnsAlign[c] = quint8(combo->currentData().toInt());
    }

    field->autoWidth = ui->autoWidthCheckBox->isChecked();
    field->headerIsVisible = ui->headerIsVisibleCheckBox->isChecked();
    field->headerHeight = ui->headerHeightSpin->value();
    field->rowHeight = ui->rowHeightSpin->value();
    field->setModelName(ui->modelNameLineEdit->text().trimmed().toLower());
    field->drawBorders = ui->drawBordersCheckBox->isChecked();

    const int splits = ui->tableSplit->rowCount();
    field->splitsCount = splits;
    field->maxSplitHeight.resize(splits);
    field->splitX.resize(splits);
    field->splitY.resize(splits);
    for (int i = 0; i < splits; ++i) {
        field->maxSplitHeight[i] = number(cellText(ui->tableSplit, i, 0));
        field->splitX[i] = number(cellText(ui->tableSplit, i, 1));
        field->splitY[i] = number(cellText(ui->tableSplit, i, 2));
    }
    field->prepared = false;
}

void EditTableFieldDialog::on_pushButtonOk_clicked()
{
    // A field deleted while the dialog was open is not brought back as a new one.
    if (m_newField || m_field) {
        apply();
        if (m_newField)
            emit tableFieldCreated(m_field.data());
        else
            emit tableFieldModified();
    }
    deleteLater();
}

void EditTableFieldDialog::on_pushButtonCancel_clicked()
{
    deleteLater();
}
