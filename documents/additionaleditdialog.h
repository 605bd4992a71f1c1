#pragma once

#include "documents/appendixstore.h"

#include <QDialog>
#include <QModelIndex>

namespace Ui {
class AdditionalEditDialog;
}
class QStandardItemModel;

// The appendix of one stored document: the disciplines with their grades and five text
// sections. Changes are kept in the window and stored together by Save.
class AdditionalEditDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AdditionalEditDialog(QWidget *parent = nullptr);
    ~AdditionalEditDialog() override;

    void loadAppendix(int psId);
    void setEditable(bool e);
    // The one way the appendix is stored: sections and disciplines in one transaction, asking
    // when they were changed elsewhere since they were loaded, telling when it failed. True
    // when stored.
    bool saveAppendix();
    // Anything changed in the edit state and not stored yet: a section, a grade, a discipline
    // added, renamed, deleted or moved.
    bool hasUnsavedChanges() const;

    int documentId() const { return psId; }

    // Close, Escape and the window's close button: unsaved changes are asked about first.
    void reject() override;

signals:
    // The disciplines were stored.
    void groupsUpdated();

public slots:
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
    void setupTable();
    void showAppendix(const Appendix &appendix);
    Appendix typedAppendix() const;
    void appendRow(const DocumentRecord::Discipline &discipline);
    void openGradeEditors();
    void sizeHeader();
    void moveCurrentRow(int offset);
    bool ask(const QString &text);
    void tell(const QString &text);

    Ui::AdditionalEditDialog *ui;
    QStandardItemModel *model;
    int psId = 0;
    bool editable = false;
    // The appendix as the register held it when it was read or stored: a save goes ahead
    // only while it still does.
    Appendix m_loaded;
    // The same as the inputs showed it then.
    Appendix m_shown;
};
