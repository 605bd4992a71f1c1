#pragma once

#include "zrreportlib_export.h"

#include <QList>
#include <QMainWindow>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <memory>

class DataManagerDockWidget;
class ProjectViewWidget;
class ReportPage;
class StructureDockWidget;
class TableField;

namespace Ui {
class ReportWindow;
}

// The template designer: edits one report page at a time on a canvas, with a
// property dock and a variables dock, and saves it back to its file. Created
// without a parent; deletes itself when closed. A page the window made itself (new,
// opened) goes with it; a page handed over with setReportPage stays its caller's.
class ZRREPORTLIB_EXPORT ReportWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit ReportWindow(QWidget *parent = nullptr);
    ~ReportWindow() override;

    // The window constructed last, or null once it is gone.
    static ReportWindow *instance();

    ReportPage *reportPage() const;
    void setReportPage(ReportPage *page);
    bool openFile(const QString &path);
    bool saveFile(const QString &path);
    bool checkSaved();
    void updateScene();
    void createProjectWidget();
    void disconnectAll();
    void readSettings();
    void writeSettings();
    void print();

    QString fileName() const { return m_fileName; }
    bool isEdited() const { return m_edited; }
    ProjectViewWidget *projectWidget() const;
    StructureDockWidget *structureDock() const;
    DataManagerDockWidget *dataManagerDock() const;
    // The designer's own settings file.
    static QString settingsPath();

signals:
    void moveField(Qt::ArrowType direction);
    void zoomIn();
    void zoomOut();

public slots:
    void on_tableFieldCreated(TableField *field);
    void setEdited();
    void on_actionExit_triggered();
    void on_actionNew_triggered();
    void on_actionOpen_triggered();
    bool on_actionSave_triggered();
    void on_actionSaveAs_triggered();
    void on_actionLoadBackgroundImage_triggered();
    void on_actionLoadBackgroundImage2_triggered();
    void on_actionOptions_triggered();
    void on_updateOptions();
    void on_actionZoomIn_triggered();
    void on_actionZoomOut_triggered();
    void on_actionAddTextField_triggered();
    void on_actionAddTableField_triggered();
    void on_actionDeleteField_triggered();
    void on_actionPrint_triggered();
    void updateTitle();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void placeNewField(double width, double height, double *x, double *y) const;
    void clearEditedSoon();
    void updateBackground2Action();
    QString
    askFileName(bool save, const QString &title, const QString &start, const QString &filter);

    static QPointer<ReportWindow> m_instance;

    std::unique_ptr<Ui::ReportWindow> ui;
    QList<QMetaObject::Connection> m_connections;
    QPointer<ProjectViewWidget> m_projectWidget;
    QPointer<StructureDockWidget> m_structureDock;
    QPointer<DataManagerDockWidget> m_dataManagerDock;
    QString m_fileName;
    QString m_currentPath = QStringLiteral(".");
    // Guarded: the program may delete the page it handed over while this window lives.
    QPointer<ReportPage> m_reportPage;
    bool m_edited = false;
};
