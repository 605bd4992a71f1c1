#pragma once

#include "documents/documentrecord.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;

namespace Ui {
class DocumentEditDialog;
}

// One row of PsDocuments: an issued certificate or, in template mode, a
// document template whose values prefill new documents.
class DocumentEditDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DocumentEditDialog(QWidget *parent = nullptr);
    ~DocumentEditDialog() override;

    // False when the document could not be read: the user was told, nothing is shown to
    // be saved over it and a shown dialog closes.
    bool loadDocument(int id);
    // As loadDocument(), false when the template could not be read.
    bool createFromTemplate(int templateId);
    void setTemplateMode(bool t);
    void setEditable(bool enabled);
    // The one way the shown values are stored: inserts or updates, asks when the row was
    // changed elsewhere since it was loaded, tells when it failed. True when stored.
    bool saveDocument();
    // Typed in the edit state and not stored yet.
    bool hasUnsavedChanges() const;

    int documentId() const { return docId; }
    int sourceTemplateId() const { return templateId; }
    bool templateMode() const { return isTemplate; }

    // Close, Escape and the window's close button: unsaved changes are asked about first.
    void reject() override;

signals:
    void documentsUpdated();
    // type is a ReportList::ReportType, as in the documents table and the print engine.
    void documentPrint(int type, int sqlDocId, bool printBackground);

public slots:
    void onFocusChanged(QWidget *old, QWidget *now);
    void on_pushButtonSave_clicked();
    void on_pushButtonCancel_clicked();
    void on_pushButtonAdditonal_clicked();
    void on_pushButtonHistory_clicked();
    void on_pushButtonPrint_clicked();
    void on_pushButtonEdit_clicked();

private slots:
    void onReportTypeSelected(int type, bool printBackground);

private:
    // False when the row is not there or, with `failed` set, could not be read.
    bool fillFromRecord(int id, bool *failed);
    // Says that the document or template `id` could not be read and closes the dialog.
    void refuseUnreadable();
    void clearInputs();
    // False when nothing was stored; docId is then left as it was.
    bool insertDocument();
    enum class UpdateResult { Stored, Failed, ChangedElsewhere, Deleted };
    // Without `overwrite` the row is written only while its change date is the loaded one.
    UpdateResult updateDocument(bool overwrite);
    void splitPastedName(const QString &text);
    // The gender the patronymic tells, else the user's answer, chosen only then.
    void showGender();
    // Asks before a number another document holds is saved; true to go on.
    bool numbersMayBeSaved();
    DocumentRecord inputs() const;
    void rememberShownInputs();
    void openPrintDialog();
    // Another workstation changed the register: says so when it was this document.
    void tellChangeElsewhere();

    Ui::DocumentEditDialog *ui;
    QLabel *m_changedElsewhere;
    int docId = 0;
    int templateId = 0;
    bool isTemplate = false;
    bool editable = false;
    // The change date of the row as it was loaded: whoever saved it meanwhile changed it.
    QString loadedEditDate;
    int loadedVersion = 0;
    // add1 to add5 of the row shown, carried into a new document made from a template.
    QStringList sections;
    // What the user chose, or the row holds, for a patronymic that tells nothing.
    PupilGender::Value genderAnswer = PupilGender::Unknown;
    // The inputs as they were filled in, before the user typed anything.
    DocumentRecord shownRecord;
    QString shownBirthText;
};
