#pragma once

#include <QDialog>
#include <QMap>
#include <QModelIndex>
#include <QPointer>
#include <QSqlRecord>
#include <QStringList>

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
    // The one way the five sections are stored; asks when they were changed elsewhere
    // since they were loaded, tells when it failed. True when stored.
    bool saveSections();
    // Sections typed in the edit state and not stored yet; disciplines are stored as
    // they are changed.
    bool hasUnsavedChanges() const;

    int documentId() const { return psId; }

    // Close, Escape and the window's close button: unsaved sections are asked about first.
    void reject() override;

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
    void sizeHeader();
    void moveCurrentRow(int offset);
    bool ask(const QString &text);
    void tell(const QString &text);
    // The disciplines as stored now, by row id: "name<TAB>grade".
    QMap<int, QString> storedRows() const;
    // True when the disciplines are as this dialog last read them, or the user chose
    // to overwrite changes made elsewhere; false (after a reload when asked) otherwise.
    bool rowsUnchangedOrOverwrite();
    void onBeforeRowUpdate(int row, QSqlRecord &record);
    void afterCellWrite();
    void resolveCellConflict();
    bool loadSections();
    QStringList typedSections() const;
    void rememberShownRows();

    Ui::AdditionalEditDialog *ui;
    // Shared with the rest of the program and owned by the database service.
    QPointer<QSqlTableModel> model;
    int psId = 0;
    bool editable = false;
    // What the dialog last read of the register, to notice changes made elsewhere.
    QMap<int, QString> m_shownRows;
    QStringList m_loadedSections;
    // The sections as the inputs showed them after loading or saving.
    QStringList m_shownSections;
    // A cell change held back because the rows were changed elsewhere.
    QSqlRecord m_heldCell;
    bool m_ownWrite = false;
};
