#pragma once

#include <QMainWindow>
#include <QPointer>

class Engine;
class QDialog;

// The application-level half of the main window: the print engine, the
// message display, the saved state and the start-up checks.
class ZrMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit ZrMainWindow(QWidget *parent = nullptr);
    ~ZrMainWindow() override;

    Engine *engine() const { return m_engine; }
    bool askBeforeEditor() const { return m_askBeforeEditor; }
    bool askBeforeExport() const { return m_askBeforeExport; }
    bool showTipsOnStartup() const { return m_showTipsOnStartup; }
    QString backupFolder() const { return m_backupFolder; }
    void setBackupFolder(const QString &folder) { m_backupFolder = folder; }

    virtual void writeSettings();
    virtual void readSettings();

public slots:
    void checkUpdates(bool isSilent);

protected slots:
    // Runs once, 100 ms after construction, when the window is on screen.
    void onStartup();

protected:
    Engine *m_engine = nullptr;
    bool m_askBeforeExport = true;
    bool m_askBeforeEditor = true;
    bool m_showTipsOnStartup = true;
    QString m_backupFolder;
    QPointer<QDialog> m_preferencesDialog;
    QPointer<QDialog> m_editTemplateChooser;

private:
    void showMessage(const QString &text, const QString &title);
};
