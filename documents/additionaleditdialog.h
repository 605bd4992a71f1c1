#pragma once

#include <QDialog>
#include <QModelIndex>
#include <QPointer>

namespace Ui {
class AdditionalEditDialog;
}
class QSqlTableModel;

// The appendix of one stored document: the disciplines with their grades,
// written change by change, and five text sections written on Save.
class AdditionalEditDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AdditionalEditDialog(QWidget *parent = nullptr);
    ~AdditionalEditDialog() override;

    void loadAppendix(int psId);
    void setEditable(bool e);

    int documentId() const { return psId; }

signals:
    void groupsUpdated();

public slots:
    void updateData();
    void onRowActivated(const QModelIndex &index);
    void on_pushButtonAddDisp_clicked();
    void on_pushButtonDelete_clicked();
    void on_pushButtonSave_2_clicked();
    void on_pushButtonCancel_2_clicked();
    void on_pushButtonDeleteAll_clicked();
    void on_pushButtonEditForm_clicked();
    void on_pushButtonUp_clicked();
    void on_pushButtonDown_clicked();

private:
    void setupModel();
    void openGradeEditors();
    void closeGradeEditors();
    void sizeHeader();
    void moveCurrentRow(int offset);
    bool ask(const QString &text);
    void tell(const QString &text);

    Ui::AdditionalEditDialog *ui;
    // Shared with the rest of the program and owned by the database service.
    QPointer<QSqlTableModel> model;
    int psId = 0;
    bool editable = false;
};
