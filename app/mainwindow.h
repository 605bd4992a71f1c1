#pragma once

#include "app/zrmainwindow.h"
#include "database/registerfailure.h"

#include <QPointer>

class Banner;
class DocumentEditDialog;
class DocumentsTable;
class FilterDockWidget;
class IntegrityCheck;
class PrintController;
class PrintJournalWindow;
class PrinterCalibrationDialog;
class QLabel;
class QVBoxLayout;
class SelectTemplateDialog;
class UserGuideWindow;

namespace Ui {
class MainWindow;
}

// The program's only top-level window: the register, its filters, the menus
// and toolbar that lead to every dialog.
class MainWindow : public ZrMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    Ui::MainWindow *form() const { return ui; }
    Banner *banner() const { return m_banner; }
    DocumentsTable *documentsTable() const { return m_documentsTable; }
    FilterDockWidget *filterDock() const { return m_filterDock; }
    QLabel *statusLabel() const { return m_statusLabel; }
    PrintController *printController() const { return m_printController; }
    // The print journal window; null when it is not open.
    PrintJournalWindow *printJournalWindow() const;
    // The template chooser and the edit dialog last opened; null once they are closed.
    SelectTemplateDialog *selectTemplateDialog() const;
    DocumentEditDialog *editDialog() const;

    // The text of the forms-editor warning.
    static QString editorWarningText();
    // Reads the whole register file in the background (what the opening left out) and
    // asks about damage it finds. Not on a server register, nor on a damaged register the
    // user chose to work with.
    void checkRegisterInBackground();

public slots:
    void on_actionExit_triggered();
    void onNewTemplate();
    void onDocumentEdit(int sqlDocId);
    void onTemplateEdit(int sqlDocId);
    void onDocumentFromTemplateCreate(int templateId);
    void on_actionCreateDoc_triggered();
    void on_actionSettings_triggered();
    void on_actionEditor_triggered();
    void onUpdateIcons(int selectedCount);
    void on_actionSaveDb_triggered();
    void on_actionLoadDb_triggered();
    void on_actionTransferRegister_triggered();
    void on_actionRemove_triggered();
    void on_actionPrint_triggered();
    void on_actionEdit_triggered();
    void on_actionCopy_triggered();
    void on_actionAbout_triggered();
    void on_actionCheckUpdates_triggered();
    void on_actionPreferences_triggered();
    void on_actionForumUrl_triggered();
    void on_actionTip_triggered();
    void on_actionImport_triggered();
    void on_actionPrinterCalibration_triggered();
    void on_actionUserGuide_triggered();
    void on_actionCheckDocuments_triggered();
    void on_actionAssignNumbers_triggered();
    void on_actionPrintJournal_triggered();
    void on_actionRegisterBook_triggered();
    void on_actionDeletedDocuments_triggered();

private:
    DocumentEditDialog *openEditDialog();
    void showWhenLoaded(DocumentEditDialog *dialog, bool loaded);
    // Checks the backup, asks, replaces the register and says how it went.
    void restoreFrom(const QString &path);
    // The count in the status bar, the date filter's first range, the empty register's hints.
    void connectRegisterHelp();
    void showCount(int total, int shown);
    void openNumberingDialog(const QList<int> &ids);
    void openHistoryDialog(int sqlDocId);
    void onIntegrityChecked(const RegisterFailure &found);

    Ui::MainWindow *ui;
    Banner *m_banner = nullptr;
    DocumentsTable *m_documentsTable = nullptr;
    FilterDockWidget *m_filterDock = nullptr;
    QLabel *m_statusLabel = nullptr;
    // The banner strip goes on top of this layout, above the register.
    QVBoxLayout *m_centralLayout = nullptr;
    QPointer<SelectTemplateDialog> m_selectTemplateDialog;
    QPointer<DocumentEditDialog> m_editDialog;
    QPointer<PrinterCalibrationDialog> m_calibrationDialog;
    QPointer<UserGuideWindow> m_userGuide;
    PrintController *m_printController = nullptr;
    QPointer<PrintJournalWindow> m_journalWindow;
    QPointer<IntegrityCheck> m_integrityCheck;
};
