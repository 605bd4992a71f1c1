#pragma once

#include "zrreportlib_export.h"

#include <QList>
#include <QMainWindow>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class AbstractField;
class DataManagerDockWidget;
class ProjectViewWidget;
class QActionGroup;
class ReportPage;
class StructureDockWidget;
class TableField;
class TemplateHistory;
enum class FieldAlignment;

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
    // Edits a page already read from the template file at path; the window takes it.
    void openPage(ReportPage *page, const QString &path);
    bool saveFile(const QString &path);
    // Where a template is saved when not only into its file: given the bytes of the
    // template and the path of its file, true once they are kept; false with the reason.
    using TemplateSaver
            = std::function<bool(const QByteArray &content, const QString &path, QString *error)>;
    // Without one (the default) a template is saved into its file.
    void setTemplateSaver(const TemplateSaver &saver) { m_templateSaver = saver; }
    bool checkSaved();
    void updateScene();
    void createProjectWidget();
    void disconnectAll();
    void readSettings();
    void writeSettings();
    void print();

    QString fileName() const { return m_fileName; }
    // Changes since the last save: the undo history is not at the saved step.
    bool isEdited() const;
    TemplateHistory *history() const { return m_history; }
    // The grid that mouse moves and resizes snap to (mm); 0: none.
    double gridStep() const { return m_gridStep; }
    void setGridStep(double step);
    // The size the window opens at without a saved geometry, bounded by its screen.
    static QSize preferredSize();
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
    // Records what the template changed since the last step as one undo step.
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
    void on_actionCut_triggered();
    void on_actionCopy_triggered();
    void on_actionPaste_triggered();
    void on_actionAlignLeft_triggered();
    void on_actionAlignRight_triggered();
    void on_actionAlignTop_triggered();
    void on_actionAlignBottom_triggered();
    void on_actionSameWidth_triggered();
    void on_actionSameHeight_triggered();
    void updateTitle();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The direction W, A, S or D stands for, by the letter in any layout (Ц, Ф, Ы, В
    // in the Russian one) or by the key's place on the keyboard; NoArrow otherwise.
    static Qt::ArrowType letterDirection(const QKeyEvent *event);
    void moveSelectionBy(double dx, double dy, bool held);
    void alignSelection(FieldAlignment alignment);
    QList<AbstractField *> selectedFields() const;
    // Takes the selected fields off the page; how many there were.
    int deleteSelectedFields();
    void updateEditActions();
    void updateUndoActions();
    void showRestored(const QList<AbstractField *> &fields, bool pageChanged);
    void fitStructureDock();
    // Fits the docked property dock when it has become narrower than its values need.
    void widenStructureDock();
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
    TemplateHistory *m_history = nullptr;
    QActionGroup *m_gridGroup = nullptr;
    double m_gridStep = 0;
    // Pastes since the clipboard last changed; each lands 2 mm further on.
    int m_pasteCount = 0;
    TemplateSaver m_templateSaver;
};
