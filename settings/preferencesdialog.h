#pragma once

#include <QDialog>
#include <QStringList>

namespace Ui {
class PreferencesDialog;
}

// Program-wide preferences that are not the organisation's data: the proxy of
// the online services, spell checking, where the data folder lives (with moving
// or copying it), restoring the default report templates and which register the
// program opens (RegisterChoiceWidget).
class PreferencesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PreferencesDialog(QWidget *parent = nullptr);
    ~PreferencesDialog() override;

    // Makes the proxy of the data settings the application-wide one.
    static void applyProxy();
    static QString scramblePassword(const QString &text, const QString &key = scrambleKey());
    static QString unscramblePassword(const QString &hex, const QString &key = scrambleKey());
    static QString scrambleKey();

    // The data folder the program falls back to when none was chosen.
    static QString defaultDataFolder();
    // Base names (without ".zrrpt") of the blank forms' templates, in list order.
    static QStringList templateIds();
    // What makes up a data folder, relative to it, in the order it is transferred.
    static QStringList dataFileNames();

    QString currentDataFolder() const { return m_currentDataFolder; }

    // Each returns true when it went all the way (and, for the data folder,
    // has asked the event loop to end so the program restarts in the new place).
    bool validateDataFolder(const QString &path);
    bool applyDataFolder(const QString &path, bool ask);
    bool transferDataFiles(bool move);
    bool restoreDefaultTemplates();

signals:
    void updateOptions();

public slots:
    // False when a settings file could not be written.
    bool saveOptions();
    void loadOptions();

private slots:
    void on_pushButtonSave_clicked();
    void on_pushButtonCancel_clicked();
    void on_pushButtonAddWord_clicked();
    void on_pushButtonBrowse_clicked();
    void on_pushButtonCopyData_clicked();
    void on_pushButtonMoveData_clicked();
    void on_pushButtonSetDataPath_clicked();
    void on_pushButtonRestoreReports_clicked();

private:
    QString chosenDataFolder() const;

    Ui::PreferencesDialog *ui;
    QString m_key;
    QString m_currentDataFolder;
};
