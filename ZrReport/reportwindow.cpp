#include "reportwindow.h"

#include "abstractfield.h"
#include "dialogs/edittablefielddialog.h"
#include "graphics/fieldgraphicsitem.h"
#include "graphics/mygraphicsscene.h"
#include "graphics/mygraphicsview.h"
#include "graphics/projectviewwidget.h"
#include "reportlog.h"
#include "reportpage.h"
#include "tablefield.h"
#include "textfield.h"
#include "ui_reportwindow.h"
#include "widgets/datamanagerdockwidget.h"
#include "widgets/structuredockwidget.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

namespace {
const QString reportFilter = QStringLiteral("Report files (*.zrrpt)");
const QString imageFilter = QStringLiteral("Image Files (*.png *.jpg *.bmp)");
const QString settingsGroup = QStringLiteral("ReportWindow");
constexpr int dockMaxWidth = 400;
// New fields: left and top aligned, each 2 mm further right and down than the last.
constexpr quint16 newFieldAlign = Qt::AlignLeft | Qt::AlignTop;
constexpr double newFieldStep = 2.0;

// A designer must not take an arbitrary file for an empty template: saving would
// overwrite it.
bool looksLikeTemplate(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    return error.error == QJsonParseError::NoError && doc.isObject();
}
} // namespace

QPointer<ReportWindow> ReportWindow::m_instance;

ReportWindow::ReportWindow(QWidget *parent)
    : QMainWindow(parent, Qt::WindowFlags())
    , ui(std::make_unique<Ui::ReportWindow>())
{
    m_instance = this;
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    ui->actionNew->setEnabled(false);
    ui->actionOpen->setEnabled(false);
    ui->actionSaveAs->setEnabled(false);
    updateTitle();

    m_structureDock = new StructureDockWidget(this);
    addDockWidget(Qt::RightDockWidgetArea, m_structureDock);
    m_structureDock->setMaximumWidth(dockMaxWidth);
    connect(m_structureDock.data(),
            &QDockWidget::visibilityChanged,
            ui->actionStructure,
            &QAction::setChecked);
    connect(ui->actionStructure, &QAction::toggled, m_structureDock.data(), &QWidget::setVisible);

    m_dataManagerDock = new DataManagerDockWidget(this);
    addDockWidget(Qt::LeftDockWidgetArea, m_dataManagerDock);
    m_dataManagerDock->setMaximumWidth(dockMaxWidth);
    m_dataManagerDock->setFloating(true);
    m_dataManagerDock->hide();
    connect(m_dataManagerDock.data(),
            &QDockWidget::visibilityChanged,
            ui->actionDataManager,
            &QAction::setChecked);
    connect(ui->actionDataManager,
            &QAction::toggled,
            m_dataManagerDock.data(),
            &QWidget::setVisible);

    createProjectWidget();

    connect(m_structureDock.data(),
            &StructureDockWidget::fieldUpdated,
            this,
            &ReportWindow::setEdited);
    connect(m_structureDock.data(),
            &StructureDockWidget::pageUpdated,
            this,
            &ReportWindow::setEdited);

    readSettings();
    setAcceptDrops(true);
}

ReportWindow::~ReportWindow()
{
    disconnectAll();
}

ReportWindow *ReportWindow::instance()
{
    return m_instance.data();
}

ReportPage *ReportWindow::reportPage() const
{
    return m_reportPage.data();
}

ProjectViewWidget *ReportWindow::projectWidget() const
{
    return m_projectWidget.data();
}

StructureDockWidget *ReportWindow::structureDock() const
{
    return m_structureDock.data();
}

DataManagerDockWidget *ReportWindow::dataManagerDock() const
{
    return m_dataManagerDock.data();
}

QString ReportWindow::settingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/ZR-Software") + QStringLiteral("/settings.ini");
}

void ReportWindow::readSettings()
{
    QCoreApplication::processEvents();
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.beginGroup(settingsGroup);
    if (settings.contains(QStringLiteral("geometry")))
        restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray());
    if (settings.contains(QStringLiteral("windowState")))
        restoreState(settings.value(QStringLiteral("windowState")).toByteArray(), 0);
    m_currentPath = settings.value(QStringLiteral("currentPath"), QStringLiteral(".")).toString();
    settings.endGroup();
}

void ReportWindow::writeSettings()
{
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.beginGroup(settingsGroup);
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("windowState"), saveState(0));
    settings.setValue(QStringLiteral("currentPath"), m_currentPath);
    settings.endGroup();
}

void ReportWindow::disconnectAll()
{
    while (!m_connections.isEmpty())
        disconnect(m_connections.takeLast());
}

void ReportWindow::createProjectWidget()
{
    disconnectAll();
    if (!m_reportPage)
        m_reportPage = new ReportPage(this);
    ReportPage *page = m_reportPage.data();

    auto *widget = new ProjectViewWidget(page, this);
    m_structureDock->setReportPage(page);
    m_dataManagerDock->setReportPage(page);
    // The previous central widget is deleted later by the main window itself.
    setCentralWidget(widget);
    m_projectWidget = widget;

    MyGraphicsScene *scene = widget->graphicsScene();
    StructureDockWidget *dock = m_structureDock.data();
    m_connections << connect(this, &ReportWindow::zoomIn, widget, &ProjectViewWidget::on_zoomIn)
                  << connect(this, &ReportWindow::zoomOut, widget, &ProjectViewWidget::on_zoomOut)
                  << connect(this, &ReportWindow::moveField, scene, &MyGraphicsScene::onMoveField)
                  << connect(scene,
                             &MyGraphicsScene::selectedFieldChanged,
                             dock,
                             &StructureDockWidget::onFieldChanged)
                  << connect(dock,
                             &StructureDockWidget::fieldUpdated,
                             scene,
                             &MyGraphicsScene::onFieldsUpdated)
                  << connect(dock,
                             &StructureDockWidget::pageUpdated,
                             scene,
                             &MyGraphicsScene::onPageUpdated)
                  << connect(dock,
                             &StructureDockWidget::pageUpdated,
                             this,
                             &ReportWindow::updateBackground2Action)
                  << connect(scene, &MyGraphicsScene::fieldEdited, this, &ReportWindow::setEdited);
    updateBackground2Action();
}

void ReportWindow::updateBackground2Action()
{
    ui->actionLoadBackgroundImage2->setVisible(m_reportPage && m_reportPage->pagesCount() >= 2);
}

void ReportWindow::clearEditedSoon()
{
    // Building the canvas signals edits of its own; they are not the user's.
    QTimer::singleShot(1, this, [this]() {
        m_edited = false;
        updateTitle();
    });
}

void ReportWindow::setReportPage(ReportPage *page)
{
    m_reportPage = page;
    createProjectWidget();
    QCoreApplication::processEvents();
    clearEditedSoon();
    readSettings();
    QCoreApplication::processEvents();
}

bool ReportWindow::openFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return false;
    writeSettings();
    m_fileName = path;
    delete m_reportPage.data();
    m_reportPage = new ReportPage(this);
    const bool loaded = looksLikeTemplate(path) && m_reportPage->loadFromFile(m_fileName);
    if (loaded) {
        createProjectWidget();
        QCoreApplication::processEvents();
        clearEditedSoon();
        readSettings();
        return true;
    }
    const QString reason = m_reportPage->loadError();
    QMessageBox box(QMessageBox::Warning,
                    QStringLiteral("Ошибка"),
                    QStringLiteral("Неверный формат файла!")
                            + (reason.isEmpty() ? QString() : QStringLiteral("\n") + reason),
                    QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    m_edited = false;
    QCoreApplication::processEvents();
    // Nobody takes the page of a template that did not open.
    delete m_reportPage.data();
    QTimer::singleShot(1, this, &QObject::deleteLater);
    return false;
}

bool ReportWindow::saveFile(const QString &path)
{
    const bool saved = m_reportPage && m_reportPage->saveToFile(path);
    if (saved) {
        m_fileName = path;
        m_edited = false;
    }
    updateTitle();
    if (!saved) {
        // The changes are still only here; the user must know before closing.
        QMessageBox box(QMessageBox::Warning,
                        QStringLiteral("Ошибка"),
                        QStringLiteral("Не удалось сохранить шаблон %1.\n"
                                       "Изменения не сохранены.")
                                .arg(QDir::toNativeSeparators(path)),
                        QMessageBox::Ok);
        box.exec();
    }
    return saved;
}

QString ReportWindow::askFileName(bool save,
                                  const QString &title,
                                  const QString &start,
                                  const QString &filter)
{
    const auto options = QFileDialog::DontUseNativeDialog;
    return save ? QFileDialog::getSaveFileName(this, title, start, filter, nullptr, options)
                : QFileDialog::getOpenFileName(this, title, start, filter, nullptr, options);
}

bool ReportWindow::checkSaved()
{
    if (!m_edited)
        return true;
    QMessageBox box(QMessageBox::Question,
                    QStringLiteral("Внимание!"),
                    QStringLiteral("Шаблон был изменен."),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setInformativeText(QStringLiteral("Сохранить изменения?"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return on_actionSave_triggered();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void ReportWindow::closeEvent(QCloseEvent *event)
{
    if (!checkSaved()) {
        event->ignore();
        return;
    }
    writeSettings();
    event->accept();
}

void ReportWindow::updateTitle()
{
    const QString name = m_fileName.isEmpty()
                                 ? QStringLiteral("Несохранённый документ")
                                 : m_fileName + (m_edited ? QStringLiteral("*") : QString());
    setWindowTitle(QStringLiteral("Редактор отчёта - %1").arg(name));
}

void ReportWindow::setEdited()
{
    m_edited = true;
    updateTitle();
}

void ReportWindow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
        emit zoomIn();
        break;
    case Qt::Key_Minus:
        emit zoomOut();
        break;
    case Qt::Key_W:
        setEdited();
        emit moveField(Qt::UpArrow);
        break;
    case Qt::Key_A:
        setEdited();
        emit moveField(Qt::LeftArrow);
        break;
    case Qt::Key_S:
        setEdited();
        emit moveField(Qt::DownArrow);
        break;
    case Qt::Key_D:
        setEdited();
        emit moveField(Qt::RightArrow);
        break;
    default:
        break;
    }
    QMainWindow::keyPressEvent(event);
}

void ReportWindow::on_actionExit_triggered()
{
    // Leaving the program must not drop the template's changes unasked.
    if (!checkSaved())
        return;
    QCoreApplication::exit(0);
}

void ReportWindow::on_actionNew_triggered()
{
    if (!checkSaved())
        return;
    writeSettings();
    if (m_reportPage)
        m_reportPage->deleteLater();
    m_reportPage = new ReportPage(this);
    m_fileName.clear();
    createProjectWidget();
    QCoreApplication::processEvents();
    readSettings();
    QCoreApplication::processEvents();
    clearEditedSoon();
}

void ReportWindow::on_actionOpen_triggered()
{
    if (!checkSaved())
        return;
    const QString path
            = askFileName(false, QStringLiteral("Open file"), m_currentPath, reportFilter);
    if (path.isEmpty())
        return;
    m_currentPath = QFileInfo(path).absolutePath();
    openFile(path);
}

bool ReportWindow::on_actionSave_triggered()
{
    if (!m_fileName.isEmpty())
        return saveFile(m_fileName);
    const QString path
            = askFileName(true, QStringLiteral("Save file"), m_currentPath, reportFilter);
    if (path.isEmpty())
        return false;
    return saveFile(path);
}

void ReportWindow::on_actionSaveAs_triggered()
{
    const QString start = m_fileName.isEmpty() ? m_currentPath : m_fileName;
    const QString path = askFileName(true, QStringLiteral("Save file"), start, reportFilter);
    if (!path.isEmpty())
        saveFile(path);
}

void ReportWindow::on_actionLoadBackgroundImage_triggered()
{
    const QString path
            = askFileName(false, QStringLiteral("Open file"), m_currentPath, imageFilter);
    if (path.isEmpty() || !m_reportPage || !m_reportPage->setBackgroundImage(path))
        return;
    if (m_projectWidget && m_projectWidget->graphicsScene())
        m_projectWidget->graphicsScene()->setBackgroundPicture(&m_reportPage->backgroundImage);
    setEdited();
}

void ReportWindow::on_actionLoadBackgroundImage2_triggered()
{
    const QString path
            = askFileName(false, QStringLiteral("Open file"), m_currentPath, imageFilter);
    if (path.isEmpty() || !m_reportPage || !m_reportPage->setBackgroundImage2(path))
        return;
    if (m_projectWidget && m_projectWidget->graphicsScene())
        m_projectWidget->graphicsScene()->setBackgroundPicture2(&m_reportPage->backgroundImage2);
    setEdited();
}

void ReportWindow::on_actionOptions_triggered() {}

void ReportWindow::on_updateOptions()
{
    ZR_REPORT_DEBUG(QStringLiteral("updating options"));
}

void ReportWindow::on_actionZoomIn_triggered()
{
    emit zoomIn();
}

void ReportWindow::on_actionZoomOut_triggered()
{
    emit zoomOut();
}

void ReportWindow::placeNewField(double width, double height, double *x, double *y) const
{
    const int n = m_reportPage ? m_reportPage->fields.size() : 0;
    const double scale = m_reportPage ? m_reportPage->scaleFromMM() : 1.0;
    QPointF center;
    if (m_projectWidget && m_projectWidget->graphicsView())
        center = m_projectWidget->graphicsView()->visibleCenter();
    *x = newFieldStep * n + center.x() / scale - width / 2;
    *y = newFieldStep * n + center.y() / scale - height / 2;
}

void ReportWindow::on_actionAddTextField_triggered()
{
    if (!m_reportPage || !m_projectWidget)
        return;
    m_projectWidget->graphicsScene()->clearSelection();
    auto *field = new TextField();
    field->width = 60;
    field->height = 10;
    field->alignFlags = newFieldAlign;
    placeNewField(field->width, field->height, &field->x, &field->y);
    field->page = m_reportPage.data();
    m_reportPage->fields.append(field);
    m_projectWidget->addAndSelectField(field);
    setEdited();
}

void ReportWindow::on_actionAddTableField_triggered()
{
    if (m_projectWidget)
        m_projectWidget->graphicsScene()->clearSelection();
    auto *dialog = new EditTableFieldDialog(nullptr);
    connect(dialog,
            &EditTableFieldDialog::tableFieldCreated,
            this,
            &ReportWindow::on_tableFieldCreated);
    dialog->show();
    setEdited();
}

void ReportWindow::on_tableFieldCreated(TableField *field)
{
    if (!field)
        return;
    if (!m_reportPage || !m_projectWidget) {
        delete field;
        return;
    }
    field->height = 50;
    field->width = 160;
    placeNewField(field->width, field->height, &field->x, &field->y);
    field->page = m_reportPage.data();
    field->alignFlags = newFieldAlign;
    // The dialog named the model before the field had a page to find it on.
    field->bindModel();
    field->prepare();
    m_reportPage->fields.append(field);
    m_projectWidget->addAndSelectField(field);
    emit moveField(Qt::RightArrow);
    emit moveField(Qt::LeftArrow);
    setEdited();
}

void ReportWindow::on_actionDeleteField_triggered()
{
    if (!m_projectWidget || !m_projectWidget->graphicsScene())
        return;
    MyGraphicsScene *scene = m_projectWidget->graphicsScene();
    FieldGraphicsItem *item = scene->selectedItem();
    if (!item)
        return;
    QPointer<AbstractField> field = item->field();
    // Clearing the selection first moves the property dock off the field.
    scene->clearSelection();
    scene->deleteItem(item);
    if (field) {
        if (m_reportPage)
            m_reportPage->fields.removeAll(field.data());
        // Dialogs that show it close themselves when it goes.
        delete field.data();
    }
    setEdited();
}

void ReportWindow::on_actionPrint_triggered()
{
    print();
}

void ReportWindow::print()
{
    if (m_reportPage)
        m_reportPage->previewReport(m_reportPage->replaceExpressions(), 0);
}

void ReportWindow::updateScene()
{
    QCoreApplication::processEvents();
    if (m_projectWidget)
        m_projectWidget->refreshView();
}
