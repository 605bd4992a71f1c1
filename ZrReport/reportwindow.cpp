#include "reportwindow.h"

#include "abstractfield.h"
#include "dialogs/edittablefielddialog.h"
#include "fieldclipboard.h"
#include "graphics/fieldgraphicsitem.h"
#include "graphics/mygraphicsscene.h"
#include "graphics/mygraphicsview.h"
#include "graphics/projectviewwidget.h"
#include "reportlog.h"
#include "reportpage.h"
#include "screenfit.h"
#include "tablefield.h"
#include "templatehistory.h"
#include "textfield.h"
#include "ui_reportwindow.h"
#include "unsavedchanges.h"
#include "widgets/datamanagerdockwidget.h"
#include "widgets/structuredockwidget.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUndoStack>

namespace {
const QString reportFilter = QStringLiteral("Report files (*.zrrpt)");
const QString imageFilter = QStringLiteral("Image Files (*.png *.jpg *.bmp)");
const QString settingsGroup = QStringLiteral("ReportWindow");
constexpr int dockMaxWidth = 400;
// New fields: left and top aligned, each 2 mm further right and down than the last.
constexpr quint16 newFieldAlign = Qt::AlignLeft | Qt::AlignTop;
constexpr double newFieldStep = 2.0;
// Pasted fields land this much further right and down than what was copied (mm).
constexpr double pasteStep = 2.0;
// Arrow keys move the selection by 1 mm; with Shift by 0.1 mm, with Ctrl by 5 mm.
constexpr double arrowStep = 1.0;
constexpr double fineArrowStep = 0.1;
constexpr double coarseArrowStep = 5.0;
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
    ui->actionRedo->setShortcuts(
            {QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    ScreenFit::applyPreferredSize(this, preferredSize());

    m_history = new TemplateHistory(this);
    QUndoStack *stack = m_history->stack();
    connect(ui->actionUndo, &QAction::triggered, stack, &QUndoStack::undo);
    connect(ui->actionRedo, &QAction::triggered, stack, &QUndoStack::redo);
    connect(stack, &QUndoStack::indexChanged, this, &ReportWindow::updateUndoActions);
    connect(stack, &QUndoStack::cleanChanged, this, &ReportWindow::updateTitle);
    connect(m_history, &TemplateHistory::fieldRemoving, this, [this](AbstractField *field) {
        if (m_projectWidget)
            m_projectWidget->graphicsScene()->deleteItem(
                    m_projectWidget->graphicsScene()->itemOf(field));
    });
    connect(m_history,
            &TemplateHistory::fieldInserted,
            this,
            [this](AbstractField *field, int index) {
                if (m_projectWidget)
                    m_projectWidget->graphicsScene()->insertField(index, field);
            });
    connect(m_history, &TemplateHistory::restored, this, &ReportWindow::showRestored);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this]() {
        m_pasteCount = 0;
        updateEditActions();
    });

    m_gridGroup = new QActionGroup(this);
    const QList<QPair<QAction *, double>> grids = {{ui->actionGridOff, 0.0},
                                                   {ui->actionGrid05, 0.5},
                                                   {ui->actionGrid1, 1.0},
                                                   {ui->actionGrid5, 5.0}};
    for (const auto &grid : grids) {
        grid.first->setData(grid.second);
        m_gridGroup->addAction(grid.first);
    }
    ui->actionGridOff->setChecked(true);
    connect(m_gridGroup, &QActionGroup::triggered, this, [this](QAction *action) {
        setGridStep(action->data().toDouble());
        writeSettings();
    });
    updateTitle();

    m_structureDock = new StructureDockWidget(this);
    addDockWidget(Qt::RightDockWidgetArea, m_structureDock);
    m_structureDock->setMaximumWidth(qMax(dockMaxWidth, m_structureDock->neededWidth()));
    fitStructureDock();
    connect(m_structureDock.data(),
            &QDockWidget::visibilityChanged,
            ui->actionStructure,
            &QAction::setChecked);
    connect(ui->actionStructure, &QAction::toggled, m_structureDock.data(), &QWidget::setVisible);

    m_dataManagerDock = new DataManagerDockWidget(this);
    addDockWidget(Qt::LeftDockWidgetArea, m_dataManagerDock);
    m_dataManagerDock->setMaximumWidth(dockMaxWidth);
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
    updateUndoActions();
    updateEditActions();
}

ReportWindow::~ReportWindow()
{
    disconnectAll();
    // The history's stack signals its clearing when it goes, after the actions.
    disconnect(m_history->stack(), nullptr, this, nullptr);
}

ReportWindow *ReportWindow::instance()
{
    return m_instance.data();
}

ReportPage *ReportWindow::reportPage() const
{
    return m_reportPage.data();
}

bool ReportWindow::isEdited() const
{
    return !m_history->stack()->isClean();
}

QSize ReportWindow::preferredSize()
{
    return QSize(1280, 860);
}

void ReportWindow::fitStructureDock()
{
    // Wide enough for every value of the property table, however the fonts came out.
    resizeDocks({m_structureDock.data()}, {m_structureDock->neededWidth()}, Qt::Horizontal);
}

void ReportWindow::widenStructureDock()
{
    if (m_structureDock && !m_structureDock->isFloating()
        && m_structureDock->width() < m_structureDock->neededWidth())
        fitStructureDock();
}

void ReportWindow::setGridStep(double step)
{
    // Only the steps of the menu; anything else in the settings file means no grid.
    QAction *chosen = ui->actionGridOff;
    for (QAction *action : m_gridGroup->actions()) {
        if (qFuzzyCompare(action->data().toDouble() + 1, step + 1))
            chosen = action;
    }
    chosen->setChecked(true);
    m_gridStep = chosen->data().toDouble();
    if (m_projectWidget)
        m_projectWidget->graphicsScene()->setGridStep(m_gridStep);
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
    if (settings.contains(QStringLiteral("geometry"))) {
        restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray());
        // Saved on another monitor, or at another scale factor.
        ScreenFit::keepOnScreen(this);
    }
    if (settings.contains(QStringLiteral("windowState")))
        restoreState(settings.value(QStringLiteral("windowState")).toByteArray(), 0);
    // Nothing here lets the user float a dock, so a floating variable list can only come
    // from a stored layout: it goes back beside the canvas, off the menus and toolbar.
    m_dataManagerDock->setFloating(false);
    m_currentPath = settings.value(QStringLiteral("currentPath"), QStringLiteral(".")).toString();
    setGridStep(settings.value(QStringLiteral("gridStep"), 0.0).toDouble());
    settings.endGroup();
}

void ReportWindow::writeSettings()
{
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.beginGroup(settingsGroup);
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("windowState"), saveState(0));
    settings.setValue(QStringLiteral("currentPath"), m_currentPath);
    settings.setValue(QStringLiteral("gridStep"), m_gridStep);
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
    scene->setGridStep(m_gridStep);
    m_history->setPage(page);
    StructureDockWidget *dock = m_structureDock.data();
    m_connections << connect(this, &ReportWindow::zoomIn, widget, &ProjectViewWidget::on_zoomIn)
                  << connect(this, &ReportWindow::zoomOut, widget, &ProjectViewWidget::on_zoomOut)
                  << connect(this, &ReportWindow::moveField, scene, &MyGraphicsScene::onMoveField)
                  << connect(scene,
                             &MyGraphicsScene::selectedFieldChanged,
                             dock,
                             &StructureDockWidget::onFieldChanged)
                  // A field's font or kind may need a wider value column than the last.
                  << connect(scene,
                             &MyGraphicsScene::selectedFieldChanged,
                             this,
                             &ReportWindow::widenStructureDock)
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
                  << connect(scene, &MyGraphicsScene::fieldEdited, this, &ReportWindow::setEdited)
                  << connect(scene,
                             &QGraphicsScene::selectionChanged,
                             this,
                             &ReportWindow::updateEditActions);
    updateBackground2Action();
    updateEditActions();
}

void ReportWindow::updateBackground2Action()
{
    ui->actionLoadBackgroundImage2->setVisible(m_reportPage && m_reportPage->pagesCount() >= 2);
}

void ReportWindow::clearEditedSoon()
{
    // Building the canvas signals edits of its own; they are not the user's.
    QTimer::singleShot(1, this, [this]() {
        m_history->reset();
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
    // Not an arbitrary file taken for an empty template: saving would overwrite it.
    auto page = std::make_unique<ReportPage>();
    if (page->loadFromFile(path)) {
        openPage(page.release(), path);
        return true;
    }
    const QString reason = page->loadError();
    QMessageBox box(QMessageBox::Warning,
                    QStringLiteral("Ошибка"),
                    QStringLiteral("Неверный формат файла!")
                            + (reason.isEmpty() ? QString() : QStringLiteral("\n") + reason),
                    QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    QCoreApplication::processEvents();
    QTimer::singleShot(1, this, &QObject::deleteLater);
    return false;
}

void ReportWindow::openPage(ReportPage *page, const QString &path)
{
    writeSettings();
    m_fileName = path;
    delete m_reportPage.data();
    page->setParent(this);
    m_reportPage = page;
    createProjectWidget();
    QCoreApplication::processEvents();
    clearEditedSoon();
    readSettings();
}

bool ReportWindow::saveFile(const QString &path)
{
    QString reason;
    bool saved = false;
    if (m_reportPage && m_templateSaver)
        saved = m_templateSaver(m_reportPage->toTemplateBytes(), path, &reason);
    else if (m_reportPage)
        saved = m_reportPage->saveToFile(path);
    if (saved) {
        m_fileName = path;
        m_history->stack()->setClean();
    }
    updateTitle();
    if (!saved) {
        // The changes are still only here; the user must know before closing.
        QMessageBox box(QMessageBox::Warning,
                        QStringLiteral("Ошибка"),
                        QStringLiteral("Не удалось сохранить шаблон %1%2.\n"
                                       "Изменения не сохранены.")
                                .arg(QDir::toNativeSeparators(path),
                                     reason.isEmpty() ? QString() : QStringLiteral(": ") + reason),
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
    return UnsavedChanges::settle(this,
                                  isEdited(),
                                  QStringLiteral("Шаблон был изменен."),
                                  QStringLiteral("Сохранить изменения?"),
                                  [this] { return on_actionSave_triggered(); });
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

void ReportWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // A layout saved with a narrower property dock would cut its values off.
    widenStructureDock();
}

void ReportWindow::updateTitle()
{
    const QString name = m_fileName.isEmpty()
                                 ? QStringLiteral("Несохранённый документ")
                                 : m_fileName + (isEdited() ? QStringLiteral("*") : QString());
    setWindowTitle(QStringLiteral("Редактор отчёта - %1").arg(name));
}

void ReportWindow::setEdited()
{
    m_history->record();
    updateTitle();
}

Qt::ArrowType ReportWindow::letterDirection(const QKeyEvent *event)
{
    struct Letter
    {
        int key;
        QChar russian;
        quint32 place;
        Qt::ArrowType direction;
    };
    // The place is the key's scan code, where W, A, S and D are on a US keyboard.
#ifdef Q_OS_WIN
    static const Letter letters[] = {{Qt::Key_W, QChar(0x0426), 0x11, Qt::UpArrow},
                                     {Qt::Key_A, QChar(0x0424), 0x1E, Qt::LeftArrow},
                                     {Qt::Key_S, QChar(0x042B), 0x1F, Qt::DownArrow},
                                     {Qt::Key_D, QChar(0x0412), 0x20, Qt::RightArrow}};
#else
    static const Letter letters[] = {{Qt::Key_W, QChar(0x0426), 25, Qt::UpArrow},
                                     {Qt::Key_A, QChar(0x0424), 38, Qt::LeftArrow},
                                     {Qt::Key_S, QChar(0x042B), 39, Qt::DownArrow},
                                     {Qt::Key_D, QChar(0x0412), 40, Qt::RightArrow}};
#endif
    const QString text = event->text().toUpper();
    for (const Letter &letter : letters) {
        if (event->key() == letter.key || event->key() == letter.russian.unicode()
            || (text.size() == 1 && text.at(0) == letter.russian)
            || (event->nativeScanCode() != 0 && event->nativeScanCode() == letter.place))
            return letter.direction;
    }
    return Qt::NoArrow;
}

void ReportWindow::moveSelectionBy(double dx, double dy, bool held)
{
    if (!m_projectWidget)
        return;
    // A held key makes one step of all its repeats.
    m_history->begin();
    m_projectWidget->graphicsScene()->moveSelection(dx, dy);
    m_history->finish(QString(), held);
}

void ReportWindow::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const double step = modifiers & Qt::ShiftModifier     ? fineArrowStep
                        : modifiers & Qt::ControlModifier ? coarseArrowStep
                                                          : arrowStep;
    const Qt::ArrowType letter = letterDirection(event);
    switch (event->key()) {
    case Qt::Key_Plus:
        emit zoomIn();
        break;
    case Qt::Key_Minus:
        emit zoomOut();
        break;
    case Qt::Key_Left:
        moveSelectionBy(-step, 0, event->isAutoRepeat());
        break;
    case Qt::Key_Right:
        moveSelectionBy(step, 0, event->isAutoRepeat());
        break;
    case Qt::Key_Up:
        moveSelectionBy(0, -step, event->isAutoRepeat());
        break;
    case Qt::Key_Down:
        moveSelectionBy(0, step, event->isAutoRepeat());
        break;
    default:
        if (letter != Qt::NoArrow) {
            m_history->begin();
            emit moveField(letter);
            m_history->finish(QString(), event->isAutoRepeat());
        }
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
    m_history->record(QStringLiteral("добавление текстового поля"));
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
}

void ReportWindow::on_tableFieldCreated(TableField *field)
{
    if (!field)
        return;
    if (!m_reportPage || !m_projectWidget) {
        delete field;
        return;
    }
    m_history->begin();
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
    m_history->finish(QStringLiteral("добавление таблицы"));
}

QList<AbstractField *> ReportWindow::selectedFields() const
{
    return m_projectWidget ? m_projectWidget->graphicsScene()->selectedFields()
                           : QList<AbstractField *>();
}

int ReportWindow::deleteSelectedFields()
{
    if (!m_projectWidget)
        return 0;
    MyGraphicsScene *scene = m_projectWidget->graphicsScene();
    QList<QPointer<AbstractField>> fields;
    for (AbstractField *field : scene->selectedFields())
        fields << field;
    // Clearing the selection first moves the property dock off the fields.
    scene->clearSelection();
    for (const QPointer<AbstractField> &field : qAsConst(fields)) {
        scene->deleteItem(scene->itemOf(field));
        if (!field)
            continue;
        if (m_reportPage)
            m_reportPage->fields.removeAll(field.data());
        // Dialogs that show it close themselves when it goes.
        delete field.data();
    }
    return fields.size();
}

void ReportWindow::on_actionDeleteField_triggered()
{
    if (deleteSelectedFields() > 0)
        m_history->record();
}

void ReportWindow::on_actionCopy_triggered()
{
    const QList<AbstractField *> fields = selectedFields();
    if (!fields.isEmpty())
        QGuiApplication::clipboard()->setMimeData(FieldClipboard::mimeData(fields));
}

void ReportWindow::on_actionCut_triggered()
{
    const QList<AbstractField *> fields = selectedFields();
    if (fields.isEmpty())
        return;
    QGuiApplication::clipboard()->setMimeData(FieldClipboard::mimeData(fields));
    deleteSelectedFields();
    m_history->record(fields.size() == 1 ? QStringLiteral("вырезание поля")
                                         : QStringLiteral("вырезание полей"));
}

void ReportWindow::on_actionPaste_triggered()
{
    if (!m_reportPage || !m_projectWidget)
        return;
    const QList<AbstractField *> pasted
            = FieldClipboard::fields(QGuiApplication::clipboard()->mimeData(),
                                     m_reportPage.data(),
                                     pasteStep * (m_pasteCount + 1));
    if (pasted.isEmpty())
        return;
    ++m_pasteCount;
    MyGraphicsScene *scene = m_projectWidget->graphicsScene();
    for (AbstractField *field : pasted) {
        m_reportPage->fields.append(field);
        field->prepare();
        scene->addField(field);
    }
    scene->selectFields(pasted);
    m_history->record(pasted.size() == 1 ? QStringLiteral("вставка поля")
                                         : QStringLiteral("вставка полей"));
}

void ReportWindow::alignSelection(FieldAlignment alignment)
{
    if (!m_projectWidget)
        return;
    m_history->begin();
    m_projectWidget->graphicsScene()->alignSelection(alignment);
    m_history->finish(QStringLiteral("выравнивание полей"));
}

void ReportWindow::on_actionAlignLeft_triggered()
{
    alignSelection(FieldAlignment::Left);
}

void ReportWindow::on_actionAlignRight_triggered()
{
    alignSelection(FieldAlignment::Right);
}

void ReportWindow::on_actionAlignTop_triggered()
{
    alignSelection(FieldAlignment::Top);
}

void ReportWindow::on_actionAlignBottom_triggered()
{
    alignSelection(FieldAlignment::Bottom);
}

void ReportWindow::on_actionSameWidth_triggered()
{
    alignSelection(FieldAlignment::SameWidth);
}

void ReportWindow::on_actionSameHeight_triggered()
{
    alignSelection(FieldAlignment::SameHeight);
}

void ReportWindow::updateEditActions()
{
    const int selected = selectedFields().size();
    ui->actionCut->setEnabled(selected > 0);
    ui->actionCopy->setEnabled(selected > 0);
    ui->actionPaste->setEnabled(
            FieldClipboard::hasFields(QGuiApplication::clipboard()->mimeData()));
    for (QAction *action : ui->menuAlign->actions())
        action->setEnabled(selected > 1);
}

void ReportWindow::updateUndoActions()
{
    const QUndoStack *stack = m_history->stack();
    ui->actionUndo->setEnabled(stack->canUndo());
    ui->actionUndo->setText(stack->canUndo() ? QStringLiteral("Отменить: %1").arg(stack->undoText())
                                             : QStringLiteral("Отменить"));
    ui->actionRedo->setEnabled(stack->canRedo());
    ui->actionRedo->setText(stack->canRedo()
                                    ? QStringLiteral("Повторить: %1").arg(stack->redoText())
                                    : QStringLiteral("Повторить"));
}

void ReportWindow::showRestored(const QList<AbstractField *> &fields, bool pageChanged)
{
    if (!m_projectWidget)
        return;
    MyGraphicsScene *scene = m_projectWidget->graphicsScene();
    if (pageChanged) {
        scene->onPageUpdated();
        scene->refreshBackgrounds();
        updateBackground2Action();
    }
    for (AbstractField *field : fields) {
        field->prepare();
        if (FieldGraphicsItem *item = scene->itemOf(field))
            item->onFieldUpdated();
    }
    // What changed back is selected, so that the user sees it and the docks show it.
    if (!fields.isEmpty() || pageChanged)
        scene->selectFields(fields);
    FieldGraphicsItem *shown = scene->selectedItem();
    m_structureDock->onFieldChanged(shown ? shown->field() : nullptr);
    scene->update();
    updateEditActions();
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
