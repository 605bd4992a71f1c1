#pragma once

#include "zrreportlib_export.h"

#include <QDialog>
#include <QPointer>
#include <memory>

class QComboBox;
class TableField;

namespace Ui {
class EditTableFieldDialog;
}

// Creates a table field or edits one: columns with header, width, data template and
// alignment, heights, header and borders, model name and the breaks into further
// blocks. Shown without a parent; deletes itself when closed.
class ZRREPORTLIB_EXPORT EditTableFieldDialog : public QDialog
{
    Q_OBJECT
public:
    explicit EditTableFieldDialog(QWidget *parent = nullptr);
    ~EditTableFieldDialog() override;

    void setTableField(TableField *field);
    TableField *tableField() const { return m_field.data(); }
    bool isNewField() const { return m_newField; }

    // The text a break shows for "no continuation position".
    static QString noTransferText();

signals:
    void tableFieldModified();
    void tableFieldCreated(TableField *field);

private slots:
    void on_rowCountSpin_valueChanged(int arg1);
    void on_pushButtonOk_clicked();
    void on_pushButtonCancel_clicked();
    void on_autoWidthCheckBox_stateChanged(int arg1);
    void on_headerIsVisibleCheckBox_stateChanged(int arg1);
    void on_pushButtonAddSplit_clicked();
    void on_pushButtonDeleteSplit_clicked();
    void on_tableSplit_cellClicked(int row, int column);

private:
    void load();
    void apply();
    QComboBox *alignCombo(int column) const;
    QComboBox *newAlignCombo();

    std::unique_ptr<Ui::EditTableFieldDialog> ui;
    // Guarded: the designer may delete the field while this dialog is open.
    QPointer<TableField> m_field;
    bool m_newField = true;
};
