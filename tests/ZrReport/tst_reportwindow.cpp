#include "designertestutil.h"
#include "dialogs/edittablefielddialog.h"
#include "graphics/fieldgraphicsitem.h"
#include "graphics/mygraphicsscene.h"
#include "graphics/mygraphicsview.h"
#include "graphics/projectviewwidget.h"
#include "modalanswerer.h"
#include "reportwindow.h"
#include "templatehistory.h"
#include "testhome.h"
#include "widgets/datamanagerdockwidget.h"
#include "widgets/structuredockwidget.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGraphicsPixmapItem>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QToolBar>
#include <QUndoStack>
#include <QtTest>
#include <memory>

using namespace DesignerTest;

class TestReportWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void actionsAsShipped();
    void title_data();
    void title();
    void letterKeys_data();
    void letterKeys();
    void plusAndMinusZoom();
    void closeAnswers_data();
    void closeAnswers();
    void untitledSaveCancelledKeepsWindow();
    void failedSaveKeepsChanges();
    void secondTextFieldTwoMillimetresOn();
    void tableFieldThroughDialog();
    void deleteFieldShownInDockAndDialog();
    void deleteWithoutSelectionDoesNothing();
    void secondBackgroundActionFollowsPageCount();
    void openNotATemplate_data();
    void openNotATemplate();
    void openMissingFileChangesNothing();
    void settingsInOwnFile();
    void savedTemplateReopens();
    void mouseEditsSurviveSaveAndReopen();
    void undoRoundTrip_data();
    void undoRoundTrip();
    void undoBackToSavedIsClean();
    void heldKeyIsOneStep();
    void copyPasteBetweenTemplates();
    void opensFittedToSmallScreen();
    void propertyValuesReadable_data();
    void propertyValuesReadable();
    void variableListOpensDocked_data();
    void variableListOpensDocked();
    void gridStepRemembered();
    void screenshot();

private:
    ReportWindow *makeWindow(bool open = true);
    QAction *action(const char *name) const;
    // The text field at (textX, 30), the table at (20, 80).
    QString writeTemplate(const QString &name, double textX = 20);
    FieldGraphicsItem *itemOf(AbstractField *field) const;
    void select(AbstractField *field);
    void closeQuietly();
    QByteArray templateJson() const;
    QPoint viewPointOf(double xMM, double yMM) const;
    void drag(double fromX, double fromY, double toX, double toY);
    void dropVariable(const QString &expression, double xMM, double yMM);
    void perform(const QString &action);
    void checkCanvasShowsTemplate();

    QTemporaryDir *m_dir = nullptr;
    QString m_path;
    QPointer<ReportWindow> m_window;
    QList<QPointer<ReportPage>> m_pages;
};

void TestReportWindow::init()
{
    m_dir = new QTemporaryDir();
    m_path = writeTemplate("id253.zrrpt");
}

void TestReportWindow::cleanup()
{
    closeQuietly();
    for (const QPointer<ReportPage> &page : qAsConst(m_pages))
        delete page.data();
    m_pages.clear();
    delete m_dir;
    m_dir = nullptr;
    QVERIFY(QApplication::topLevelWidgets().size() < 20);
}

void TestReportWindow::closeQuietly()
{
    if (!m_window)
        return;
    m_pages << m_window->reportPage();
    delete m_window.data();
    // Dialogs opened by a test close with their window's fields.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<EditTableFieldDialog *>(w))
            delete w;
    }
}

QString TestReportWindow::writeTemplate(const QString &name, double textX)
{
    ReportPage page;
    TextField *text = addText(&page, textX, 30, 60, 10);
    text->text = "$V{fio}";
    addTable(&page, 20, 80, {30, 40});
    const QString path = m_dir->filePath(name);
    if (!page.saveToFile(path))
        qFatal("cannot write the test template");
    return path;
}

ReportWindow *TestReportWindow::makeWindow(bool open)
{
    m_window = new ReportWindow();
    // Application-modal in the program; a modal window would be taken for a dialog here.
    m_window->setWindowModality(Qt::NonModal);
    if (open && !m_window->openFile(m_path))
        qFatal("cannot open the test template");
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.data()))
        qWarning("designer window not exposed");
    // Opening clears the edited mark a moment later.
    QTest::qWait(20);
    return m_window;
}

QAction *TestReportWindow::action(const char *name) const
{
    return m_window->findChild<QAction *>(QString::fromLatin1(name));
}

FieldGraphicsItem *TestReportWindow::itemOf(AbstractField *field) const
{
    for (FieldGraphicsItem *item : m_window->projectWidget()->graphicsScene()->fieldItems()) {
        if (item->field() == field)
            return item;
    }
    return nullptr;
}

void TestReportWindow::select(AbstractField *field)
{
    m_window->projectWidget()->graphicsScene()->clearSelection();
    itemOf(field)->setSelected(true);
}

QByteArray TestReportWindow::templateJson() const
{
    QJsonObject json;
    m_window->reportPage()->writeJson(json);
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

QPoint TestReportWindow::viewPointOf(double xMM, double yMM) const
{
    const double s = m_window->reportPage()->scaleFromMM();
    return m_window->projectWidget()->graphicsView()->mapFromScene(QPointF(xMM, yMM) * s);
}

// Pressed, moved in several steps and released: one drag.
void TestReportWindow::drag(double fromX, double fromY, double toX, double toY)
{
    QWidget *viewport = m_window->projectWidget()->graphicsView()->viewport();
    const QPoint from = viewPointOf(fromX, fromY);
    const QPoint to = viewPointOf(toX, toY);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
    for (int step = 1; step <= 4; ++step) {
        const QPoint pos = from + (to - from) * step / 4;
        QMouseEvent event(QEvent::MouseMove,
                          pos,
                          viewport->mapToGlobal(pos),
                          Qt::NoButton,
                          Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
}

// A row of the variables dock dropped onto the canvas at the millimetres.
void TestReportWindow::dropVariable(const QString &expression, double xMM, double yMM)
{
    QStandardItemModel source(1, 1);
    source.setItem(0, 0, new QStandardItem(expression));
    std::unique_ptr<QMimeData> mime(source.mimeData({source.index(0, 0)}));
    QWidget *viewport = m_window->projectWidget()->graphicsView()->viewport();
    const QPoint pos = viewPointOf(xMM, yMM);
    QDragEnterEvent enter(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
}

// One user action on the test template: a text field at (20, 30) 60 by 10 mm and a
// table at (20, 80) with columns of 30 and 40 mm.
void TestReportWindow::perform(const QString &action)
{
    ReportPage *page = m_window->reportPage();
    AbstractField *text = page->fields.at(0);
    AbstractField *table = page->fields.at(1);
    StructureDockWidget *dock = m_window->structureDock();
    if (action == "add text") {
        this->action("actionAddTextField")->trigger();
    } else if (action == "add table") {
        this->action("actionAddTableField")->trigger();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<EditTableFieldDialog *>(w))
                dialog->findChild<QPushButton *>("pushButtonOk")->click();
    } else if (action == "delete") {
        select(text);
        this->action("actionDeleteField")->trigger();
    } else if (action == "drag") {
        select(text);
        drag(50, 35, 62, 41);
    } else if (action == "resize") {
        select(text);
        drag(79.6, 35, 95, 35);
    } else if (action == "column") {
        select(table);
        drag(50, 85, 58, 85);
    } else if (action == "arrow") {
        select(text);
        QTest::keyClick(m_window->projectWidget()->graphicsView(), Qt::Key_Right);
    } else if (action == "dock x") {
        select(text);
        dock->fieldTable()->item(2, 1)->setText("33.5");
    } else if (action == "dock align") {
        select(text);
        dock->hAlignCombo()->setCurrentIndex(dock->hAlignCombo()->findData(int(Qt::AlignRight)));
    } else if (action == "dock wrap") {
        select(text);
        dock->wordWrapCheckBox()->click();
    } else if (action == "table dialog") {
        select(table);
        dock->editButton()->click();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<EditTableFieldDialog *>(w)) {
                dialog->findChild<QTableWidget *>("table")->item(0, 1)->setText("Оценка");
                dialog->findChild<QPushButton *>("pushButtonOk")->click();
            }
        }
    } else if (action == "page count") {
        dock->pagesCountCombo()->setCurrentIndex(dock->pagesCountCombo()->findData(2));
    } else if (action == "background") {
        QImage scan(400, 280, QImage::Format_RGB32);
        scan.fill(QColor(240, 230, 200));
        const QString path = m_dir->filePath("scan.png");
        QVERIFY(scan.save(path));
        ModalAnswerer answerer;
        answerer.expect("Open file", QString(), [path](QWidget *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            if (auto *edit = files->findChild<QLineEdit *>("fileNameEdit"))
                edit->setText(path);
            static_cast<QDialog *>(files)->accept();
        });
        this->action("actionLoadBackgroundImage")->trigger();
        QCOMPARE(answerer.pending(), 0);
    } else if (action == "drop") {
        dropVariable("$V{name}", 40, 35);
    } else if (action == "same width past the edge") {
        // The whole width of the page in view, and the grey beside it.
        this->action("actionStructure")->setChecked(false);
        for (int i = 0; i < 4; ++i)
            this->action("actionZoomOut")->trigger();
        select(table);
        itemOf(text)->setSelected(true);
        this->action("actionSameWidth")->trigger();
        const double s = page->scaleFromMM();
        QVERIFY((text->x + text->width) * s
                > m_window->projectWidget()->graphicsScene()->sceneRect().right());
    } else if (action == "align right") {
        select(text);
        itemOf(table)->setSelected(true);
        this->action("actionAlignRight")->trigger();
    } else if (action == "paste") {
        select(text);
        this->action("actionCopy")->trigger();
        this->action("actionPaste")->trigger();
    } else if (action == "cut") {
        select(text);
        this->action("actionCut")->trigger();
    } else {
        QFAIL(qPrintable("no such action: " + action));
    }
}

void TestReportWindow::actionsAsShipped()
{
    makeWindow();
    QVERIFY(!action("actionNew")->isEnabled());
    QVERIFY(!action("actionOpen")->isEnabled());
    QVERIFY(!action("actionSaveAs")->isEnabled());
    QVERIFY(!action("actionOptions")->isVisible());
    QCOMPARE(action("actionAddTextField")->shortcut(), QKeySequence(Qt::Key_Insert));
    QCOMPARE(action("actionDeleteField")->shortcut(), QKeySequence(Qt::Key_Delete));
    QCOMPARE(action("actionSave")->shortcut(), QKeySequence("Ctrl+S"));
    for (const char *name : {"actionZoomIn",
                             "actionZoomOut",
                             "actionAddTextField",
                             "actionAddTableField",
                             "actionDeleteField"})
        QVERIFY2(!action(name)->icon().isNull(), name);
    QVERIFY(action("actionStructure")->isChecked());
    QVERIFY(!action("actionDataManager")->isChecked());
    QVERIFY(m_window->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(ReportWindow::instance(), m_window.data());
}

void TestReportWindow::title_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("new template") << false << false << "Несохранённый документ";
    QTest::newRow("new template edited has no mark") << false << true << "Несохранённый документ";
    QTest::newRow("opened template") << true << false << "%1";
    QTest::newRow("edited template is marked") << true << true << "%1*";
}

void TestReportWindow::title()
{
    QFETCH(bool, open);
    QFETCH(bool, edit);
    QFETCH(QString, suffix);

    makeWindow(open);
    if (edit) {
        m_window->reportPage()->printBackgroundImage = true;
        m_window->setEdited();
    }
    QCOMPARE(m_window->windowTitle(),
             QStringLiteral("Редактор отчёта - ") + (open ? suffix.arg(m_path) : suffix));
}

void TestReportWindow::letterKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("scanCode");
    QTest::addColumn<double>("dx");
    QTest::addColumn<double>("dy");

    const int none = Qt::NoModifier;
    QTest::newRow("S moves down") << int(Qt::Key_S) << none << "s" << 0 << 0.0 << 1.0;
    QTest::newRow("W moves up") << int(Qt::Key_W) << none << "w" << 0 << 0.0 << -1.0;
    QTest::newRow("A moves left") << int(Qt::Key_A) << none << "a" << 0 << -1.0 << 0.0;
    QTest::newRow("D moves right") << int(Qt::Key_D) << none << "d" << 0 << 1.0 << 0.0;
    QTest::newRow("Russian layout: Ц on the W key moves up")
            << 0x0426 << none << "ц" << 0 << 0.0 << -1.0;
    QTest::newRow("Russian layout: Ф on the A key moves left")
            << 0x0424 << none << "ф" << 0 << -1.0 << 0.0;
    QTest::newRow("Russian layout: Ы on the S key moves down")
            << 0x042B << none << "ы" << 0 << 0.0 << 1.0;
    QTest::newRow("Russian layout: В on the D key moves right")
            << 0x0412 << none << "в" << 0 << 1.0 << 0.0;
#ifndef Q_OS_WIN
    // X11 key code 25 is where W sits, whatever the layout prints there.
    QTest::newRow("an unknown letter on the W key moves up")
            << 0x03C2 << none << "ς" << 25 << 0.0 << -1.0;
#endif
    QTest::newRow("right arrow moves 1 mm") << int(Qt::Key_Right) << none << "" << 0 << 1.0 << 0.0;
    QTest::newRow("Shift+left moves 0.1 mm")
            << int(Qt::Key_Left) << int(Qt::ShiftModifier) << "" << 0 << -0.1 << 0.0;
    QTest::newRow("Ctrl+down moves 5 mm")
            << int(Qt::Key_Down) << int(Qt::ControlModifier) << "" << 0 << 0.0 << 5.0;
    QTest::newRow("up arrow moves 1 mm") << int(Qt::Key_Up) << none << "" << 0 << 0.0 << -1.0;
}

void TestReportWindow::letterKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(int, scanCode);
    QFETCH(double, dx);
    QFETCH(double, dy);

    makeWindow();
    auto *field = m_window->reportPage()->fields.first();
    const double x = field->x;
    const double y = field->y;
    select(field);
    QVERIFY(!m_window->isEdited());
    MyGraphicsView *view = m_window->projectWidget()->graphicsView();
    const int scrolledX = view->horizontalScrollBar()->value();
    const int scrolledY = view->verticalScrollBar()->value();
    // Typed on the canvas, as the user does; the view passes them on to the window.
    QKeyEvent press(
            QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), quint32(scanCode), 0, 0, text);
    QApplication::sendEvent(view, &press);
    QVERIFY(qAbs(field->x - (x + dx)) < 1e-9);
    QVERIFY(qAbs(field->y - (y + dy)) < 1e-9);
    QCOMPARE(view->horizontalScrollBar()->value(), scrolledX);
    QCOMPARE(view->verticalScrollBar()->value(), scrolledY);
    QVERIFY(m_window->isEdited());
    QVERIFY(m_window->windowTitle().endsWith("*"));
    QCOMPARE(m_window->history()->stack()->count(), 1);
    // The property dock follows.
    QCOMPARE(m_window->structureDock()->fieldTable()->item(2, 1)->text(),
             QString::number(field->x, 'f', 1));
}

void TestReportWindow::plusAndMinusZoom()
{
    makeWindow();
    MyGraphicsView *view = m_window->projectWidget()->graphicsView();
    QTest::keyClick(view, Qt::Key_Plus);
    QCOMPARE(view->transform().m11(), 1.125);
    QTest::keyClick(view, Qt::Key_Minus);
    QVERIFY(qAbs(view->transform().m11() - 1.0) < 1e-12);
    action("actionZoomOut")->trigger();
    QVERIFY(qAbs(view->transform().m11() - 1 / 1.125) < 1e-12);
    QVERIFY(!m_window->isEdited());
}

void TestReportWindow::closeAnswers_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("written");

    QTest::newRow("cancel keeps the window") << int(QDialogButtonBox::Cancel) << false << false;
    QTest::newRow("discard closes without writing")
            << int(QDialogButtonBox::Discard) << true << false;
    QTest::newRow("save writes and closes") << int(QDialogButtonBox::Save) << true << true;
}

void TestReportWindow::closeAnswers()
{
    QFETCH(int, button);
    QFETCH(bool, closed);
    QFETCH(bool, written);

    QFile before(m_path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray original = before.readAll();
    before.close();

    makeWindow();
    AbstractField *field = m_window->reportPage()->fields.first();
    select(field);
    QTest::keyClick(m_window.data(), Qt::Key_S);
    ModalAnswerer answerer;
    answerer.expectButton(
            "Внимание!", "Шаблон был изменен.", QDialogButtonBox::StandardButton(button));
    m_pages << m_window->reportPage();
    m_window->close();
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('\n')));
    if (closed)
        QTRY_VERIFY(m_window.isNull());
    else
        QVERIFY(m_window && m_window->isVisible() && m_window->isEdited());

    QFile after(m_path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll() != original, written);
    if (written) {
        ReportPage reread;
        QVERIFY(reread.loadFromFile(m_path));
        QCOMPARE(reread.fields.first()->y, 31.0);
    }
}

void TestReportWindow::untitledSaveCancelledKeepsWindow()
{
    makeWindow(false);
    action("actionAddTextField")->trigger();
    QVERIFY(m_window->isEdited());
    ModalAnswerer answerer;
    answerer.expectButton("Внимание!", "Шаблон был изменен.", QDialogButtonBox::Save);
    answerer.expect("Save file", QString(), [](QWidget *dialog) {
        qobject_cast<QDialog *>(dialog)->reject();
    });
    m_window->close();
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('\n')));
    QVERIFY(m_window && m_window->isVisible());
    QVERIFY(m_window->isEdited());
}

void TestReportWindow::failedSaveKeepsChanges()
{
    makeWindow();
    select(m_window->reportPage()->fields.first());
    QTest::keyClick(m_window.data(), Qt::Key_D);
    // The template's folder goes away under the designer: the save cannot succeed.
    QVERIFY(QDir(m_dir->path()).removeRecursively());
    ModalAnswerer answerer;
    answerer.expectButton("Ошибка", "Не удалось сохранить шаблон", QDialogButtonBox::Ok);
    QVERIFY(!m_window->on_actionSave_triggered());
    QCOMPARE(answerer.pending(), 0);
    QVERIFY(m_window->isEdited());
    QVERIFY(m_window->windowTitle().endsWith("*"));
    QCOMPARE(m_window->fileName(), m_path);

    // Closing and choosing Save fails again and keeps the window with its changes.
    answerer.expectButton("Внимание!", "Шаблон был изменен.", QDialogButtonBox::Save);
    answerer.expectButton("Ошибка", "Не удалось сохранить шаблон", QDialogButtonBox::Ok);
    m_window->close();
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('\n')));
    QVERIFY(m_window && m_window->isVisible() && m_window->isEdited());
}

void TestReportWindow::secondTextFieldTwoMillimetresOn()
{
    makeWindow(false);
    action("actionAddTextField")->trigger();
    action("actionAddTextField")->trigger();
    ReportPage *page = m_window->reportPage();
    QCOMPARE(page->fields.size(), 2);
    auto *first = static_cast<TextField *>(page->fields.at(0));
    auto *second = static_cast<TextField *>(page->fields.at(1));
    QCOMPARE(first->type(), 1);
    QCOMPARE(first->width, 60.0);
    QCOMPARE(first->height, 10.0);
    QCOMPARE(first->alignFlags, quint16(33));
    QVERIFY(qAbs(second->x - first->x - 2) < 1e-9);
    QVERIFY(qAbs(second->y - first->y - 2) < 1e-9);
    // Centred on the visible part of the canvas.
    const QPointF centre = m_window->projectWidget()->graphicsView()->visibleCenter();
    const double scale = page->scaleFromMM();
    QVERIFY(qAbs(first->x + 30 - centre.x() / scale) < 1e-9);
    QVERIFY(qAbs(first->y + 5 - centre.y() / scale) < 1e-9);
    QCOMPARE(m_window->projectWidget()->graphicsScene()->selectedItem()->field(),
             static_cast<AbstractField *>(second));
    QCOMPARE(m_window->structureDock()->currentField(), static_cast<AbstractField *>(second));
}

void TestReportWindow::tableFieldThroughDialog()
{
    makeWindow();
    ReportPage *page = m_window->reportPage();
    const int before = page->fields.size();
    action("actionAddTableField")->trigger();
    EditTableFieldDialog *dialog = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<EditTableFieldDialog *>(w))
            dialog = d;
    QVERIFY(dialog && dialog->isVisible());
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonOk"), Qt::LeftButton);
    QCOMPARE(page->fields.size(), before + 1);
    auto *table = qobject_cast<TableField *>(page->fields.last());
    QVERIFY(table);
    QCOMPARE(table->page, page);
    QCOMPARE(table->alignFlags, quint16(33));
    QCOMPARE(table->columnCount, quint8(3));
    // Its size follows its columns once laid out.
    QCOMPARE(table->width, 120.0);
    QCOMPARE(m_window->projectWidget()->graphicsScene()->selectedItem()->field(),
             static_cast<AbstractField *>(table));
    QVERIFY(m_window->isEdited());
}

void TestReportWindow::deleteFieldShownInDockAndDialog()
{
    makeWindow();
    ReportPage *page = m_window->reportPage();
    TableField *table = nullptr;
    for (AbstractField *f : page->fields)
        if (f->type() == 2)
            table = static_cast<TableField *>(f);
    QVERIFY(table);
    select(table);
    StructureDockWidget *dock = m_window->structureDock();
    QCOMPARE(dock->currentField(), static_cast<AbstractField *>(table));
    // The table dialog from the dock and a second one from a double click on the canvas.
    dock->editButton()->click();
    FieldGraphicsItem *item = itemOf(table);
    QWidget *viewport = m_window->projectWidget()->graphicsView()->viewport();
    const QPoint inside
            = m_window->projectWidget()->graphicsView()->mapFromScene(item->rect().center());
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, inside);
    QList<QPointer<EditTableFieldDialog>> dialogs;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<EditTableFieldDialog *>(w))
            dialogs << d;
    QVERIFY(!dialogs.isEmpty());

    QPointer<TableField> guard(table);
    action("actionDeleteField")->trigger();
    QVERIFY(guard.isNull());
    QVERIFY(!page->fields.contains(table));
    QCOMPARE(m_window->projectWidget()->graphicsScene()->fieldItems().size(), page->fields.size());
    QVERIFY(!m_window->projectWidget()->graphicsScene()->selectedItem());
    QCOMPARE(dock->structureType(), StructureType::Page);
    QVERIFY(m_window->isEdited());
    for (const auto &d : dialogs)
        QTRY_VERIFY(d.isNull());
    // The canvas and dock go on working on what is left.
    m_window->projectWidget()->graphicsScene()->updateAllItems();
    m_window->projectWidget()->graphicsScene()->onPageUpdated();
    m_window->updateScene();
}

void TestReportWindow::deleteWithoutSelectionDoesNothing()
{
    makeWindow();
    const int before = m_window->reportPage()->fields.size();
    action("actionDeleteField")->trigger();
    QCOMPARE(m_window->reportPage()->fields.size(), before);
    QVERIFY(!m_window->isEdited());
}

void TestReportWindow::secondBackgroundActionFollowsPageCount()
{
    makeWindow();
    QVERIFY(!action("actionLoadBackgroundImage2")->isVisible());
    QComboBox *pages = m_window->structureDock()->pagesCountCombo();
    pages->setCurrentIndex(pages->findData(2));
    QCOMPARE(m_window->reportPage()->pagesCount(), 2);
    QVERIFY(action("actionLoadBackgroundImage2")->isVisible());
    QCOMPARE(m_window->projectWidget()->graphicsScene()->pageRects().size(), 2);
    QVERIFY(m_window->isEdited());
    pages->setCurrentIndex(pages->findData(1));
    QVERIFY(!action("actionLoadBackgroundImage2")->isVisible());
}

void TestReportWindow::openNotATemplate_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("plain text") << QByteArray("Это не шаблон");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("a JSON array") << QByteArray("[1, 2, 3]");
    QTest::newRow("broken JSON") << QByteArray("{\"pagesCount\": 2,");
}

void TestReportWindow::openNotATemplate()
{
    QFETCH(QByteArray, content);

    const QString path = m_dir->filePath("wrong.zrrpt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    makeWindow(false);
    ModalAnswerer answerer;
    answerer.expectButton("Ошибка", "Неверный формат файла!", QDialogButtonBox::Ok);
    QVERIFY(!m_window->openFile(path));
    QCOMPARE(answerer.pending(), 0);
    QTRY_VERIFY(m_window.isNull());
    // The file is left as it was.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void TestReportWindow::openMissingFileChangesNothing()
{
    makeWindow();
    ReportPage *page = m_window->reportPage();
    ModalAnswerer answerer;
    QVERIFY(!m_window->openFile(m_dir->filePath("missing.zrrpt")));
    QTest::qWait(30);
    QVERIFY(answerer.seen().isEmpty());
    QVERIFY(m_window);
    QCOMPARE(m_window->reportPage(), page);
    QCOMPARE(m_window->fileName(), m_path);
}

void TestReportWindow::settingsInOwnFile()
{
    makeWindow();
    m_window->resize(900, 700);
    m_pages << m_window->reportPage();
    m_window->close();
    QTRY_VERIFY(m_window.isNull());
    const QString path = ReportWindow::settingsPath();
    QVERIFY2(path.startsWith(QDir::homePath())
                     || path.startsWith(qEnvironmentVariable("XDG_DATA_HOME")),
             qPrintable(path));
    QVERIFY(path.endsWith("/ZR-Software/settings.ini"));
    QSettings settings(path, QSettings::IniFormat);
    QVERIFY(settings.contains("ReportWindow/geometry"));
    QVERIFY(settings.contains("ReportWindow/windowState"));
    QCOMPARE(settings.value("ReportWindow/currentPath").toString(), QStringLiteral("."));
}

void TestReportWindow::savedTemplateReopens()
{
    makeWindow();
    ReportPage *page = m_window->reportPage();
    auto *text = static_cast<TextField *>(page->fields.first());
    select(text);
    QTest::keyClick(m_window.data(), Qt::Key_D);
    QTest::keyClick(m_window.data(), Qt::Key_D);
    text->text = "$V{name}";
    QVERIFY(m_window->on_actionSave_triggered());
    QVERIFY(!m_window->isEdited());
    QVERIFY(!m_window->windowTitle().endsWith("*"));

    ReportWindow *second = nullptr;
    {
        QPointer<ReportWindow> first = m_window;
        m_pages << first->reportPage();
        delete first.data();
        second = makeWindow();
    }
    auto *reread = static_cast<TextField *>(second->reportPage()->fields.first());
    QCOMPARE(reread->x, 22.0);
    QCOMPARE(reread->text, QStringLiteral("$V{name}"));
}

// The way a school fixes a blank: drag a field, widen a column, drop a variable, save.
void TestReportWindow::mouseEditsSurviveSaveAndReopen()
{
    makeWindow();
    ReportPage *page = m_window->reportPage();
    auto *text = static_cast<TextField *>(page->fields.at(0));
    auto *table = static_cast<TableField *>(page->fields.at(1));
    QWidget *viewport = m_window->projectWidget()->graphicsView()->viewport();
    auto at = [this](double xMM, double yMM) { return viewPointOf(xMM, yMM); };

    // Select the text field with a click, then drag it 10 mm right and 5 mm down.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at(50, 35));
    QCOMPARE(m_window->structureDock()->currentField(), static_cast<AbstractField *>(text));
    drag(50, 35, 60, 40);
    QVERIFY(m_window->isEdited());
    const double textX = text->x;
    const double textY = text->y;
    QVERIFY(qAbs(textX - 30) < 0.3 && qAbs(textY - 35) < 0.3);
    QCOMPARE(m_window->structureDock()->fieldTable()->item(2, 1)->text(),
             QString::number(textX, 'f', 1));

    // Select the table, then drag the border between its columns 8 mm right.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at(30, 85));
    QCOMPARE(m_window->structureDock()->currentField(), static_cast<AbstractField *>(table));
    drag(50, 85, 58, 85);
    const double firstColumn = table->columnsWidth.at(0);
    QVERIFY(qAbs(firstColumn - 38) < 0.3);

    // Drop a variable onto the text field.
    dropVariable("$V{name}", textX + 10, textY + 5);
    QCOMPARE(text->text, QStringLiteral("$V{name}"));

    QVERIFY(m_window->on_actionSave_triggered());
    ReportPage reread;
    QVERIFY(reread.loadFromFile(m_path));
    QCOMPARE(reread.fields.at(0)->x, textX);
    QCOMPARE(reread.fields.at(0)->y, textY);
    QCOMPARE(static_cast<TextField *>(reread.fields.at(0))->text, QStringLiteral("$V{name}"));
    QCOMPARE(static_cast<TableField *>(reread.fields.at(1))->columnsWidth.at(0), firstColumn);
}

void TestReportWindow::undoRoundTrip_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("fieldsAdded");
    QTest::addColumn<QString>("undoText");

    QTest::newRow("add a text field") << "add text" << 1 << "добавление текстового поля";
    QTest::newRow("add a table in its dialog") << "add table" << 1 << "добавление таблицы";
    QTest::newRow("delete a field") << "delete" << -1 << "удаление поля";
    QTest::newRow("drag a field") << "drag" << 0 << "перемещение поля";
    QTest::newRow("drag a field's right edge") << "resize" << 0 << "изменение размера поля";
    QTest::newRow("drag a column border") << "column" << 0 << "изменение ширины столбца";
    QTest::newRow("arrow key") << "arrow" << 0 << "перемещение поля";
    QTest::newRow("X typed in the dock") << "dock x" << 0 << "перемещение поля";
    QTest::newRow("alignment chosen in the dock")
            << "dock align" << 0 << "изменение выравнивания текста";
    QTest::newRow("word wrap ticked in the dock") << "dock wrap" << 0 << "изменение свойств поля";
    QTest::newRow("header changed in the table dialog")
            << "table dialog" << 0 << "изменение таблицы";
    QTest::newRow("page count") << "page count" << 0 << "изменение свойств страницы";
    QTest::newRow("background image") << "background" << 0 << "загрузка фона";
    QTest::newRow("variable dropped on a field") << "drop" << 0 << "изменение текста поля";
    QTest::newRow("two fields aligned right") << "align right" << 0 << "выравнивание полей";
    QTest::newRow("a field as wide as the table, past the page's edge")
            << "same width past the edge" << 0 << "выравнивание полей";
    QTest::newRow("copy and paste") << "paste" << 1 << "вставка поля";
    QTest::newRow("cut") << "cut" << -1 << "вырезание поля";
}

// Each action is one step: undo gives back the template as it was, byte for byte, and
// redo the template as the action left it.
void TestReportWindow::undoRoundTrip()
{
    QFETCH(QString, what);
    QFETCH(int, fieldsAdded);
    QFETCH(QString, undoText);

    if (what.endsWith("past the edge"))
        m_path = writeTemplate("edge.zrrpt", 250);
    makeWindow();
    const QByteArray before = templateJson();
    const int fields = m_window->reportPage()->fields.size();
    perform(what);
    const QByteArray after = templateJson();
    QVERIFY(after != before);
    QCOMPARE(m_window->reportPage()->fields.size(), fields + fieldsAdded);
    QUndoStack *stack = m_window->history()->stack();
    QCOMPARE(stack->count(), 1);
    QVERIFY(m_window->isEdited());
    QCOMPARE(action("actionUndo")->text(), "Отменить: " + undoText);

    action("actionUndo")->trigger();
    QCOMPARE(templateJson(), before);
    QVERIFY(!m_window->isEdited());
    QVERIFY(!m_window->windowTitle().endsWith("*"));
    QCOMPARE(action("actionRedo")->text(), "Повторить: " + undoText);
    checkCanvasShowsTemplate();

    action("actionRedo")->trigger();
    QCOMPARE(templateJson(), after);
    QVERIFY(m_window->isEdited());
    QCOMPARE(m_window->reportPage()->fields.size(), fields + fieldsAdded);
    checkCanvasShowsTemplate();
}

// One item per field where the template has it, one sheet per page, the scan shown
// exactly when there is one.
void TestReportWindow::checkCanvasShowsTemplate()
{
    ReportPage *page = m_window->reportPage();
    MyGraphicsScene *scene = m_window->projectWidget()->graphicsScene();
    QCOMPARE(scene->fieldItems().size(), page->fields.size());
    const double s = page->scaleFromMM();
    for (AbstractField *field : page->fields)
        QCOMPARE(itemOf(field)->rect(),
                 QRectF(field->x * s, field->y * s, field->width * s, field->height * s));
    QCOMPARE(scene->pageRects().size(), qMax(1, page->pagesCount()));
    QCOMPARE(action("actionLoadBackgroundImage2")->isVisible(), page->pagesCount() >= 2);
    QCOMPARE(scene->backgroundItem()->pixmap().isNull(), page->backgroundImage.isNull());

    // What the screen shows is what a full repaint draws there: nothing of an earlier
    // state is left.
    QWidget *viewport = m_window->projectWidget()->graphicsView()->viewport();
    const QRect canvas(viewport->mapTo(m_window.data(), QPoint()), viewport->size());
    const auto onScreen = [&]() {
        return QGuiApplication::primaryScreen()
                ->grabWindow(
                        m_window->winId(), canvas.x(), canvas.y(), canvas.width(), canvas.height())
                .toImage();
    };
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    const QImage shown = onScreen();
    viewport->repaint();
    QVERIFY(onScreen() == shown);
}

void TestReportWindow::undoBackToSavedIsClean()
{
    makeWindow();
    AbstractField *text = m_window->reportPage()->fields.first();
    select(text);
    QTest::keyClick(m_window.data(), Qt::Key_D);
    QVERIFY(m_window->on_actionSave_triggered());
    QTest::keyClick(m_window.data(), Qt::Key_S);
    QVERIFY(m_window->isEdited());
    action("actionUndo")->trigger();
    QVERIFY(!m_window->isEdited());
    QVERIFY(!m_window->windowTitle().endsWith("*"));
    // Closing asks nothing: there is nothing to save.
    ModalAnswerer answerer;
    action("actionUndo")->trigger();
    QCOMPARE(text->x, 20.0);
    QVERIFY(m_window->isEdited());
    action("actionRedo")->trigger();
    QVERIFY(!m_window->isEdited());
    m_pages << m_window->reportPage();
    m_window->close();
    QTRY_VERIFY(m_window.isNull());
    QVERIFY(answerer.seen().isEmpty());
}

void TestReportWindow::heldKeyIsOneStep()
{
    makeWindow();
    AbstractField *text = m_window->reportPage()->fields.first();
    select(text);
    MyGraphicsView *view = m_window->projectWidget()->graphicsView();
    for (bool repeat : {false, true, true, true}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(view, &press);
    }
    QCOMPARE(text->y, 34.0);
    QCOMPARE(m_window->history()->stack()->count(), 1);
    // A new press is a new step.
    QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(m_window->history()->stack()->count(), 2);
    action("actionUndo")->trigger();
    action("actionUndo")->trigger();
    QCOMPARE(text->y, 30.0);
}

void TestReportWindow::copyPasteBetweenTemplates()
{
    makeWindow();
    ReportPage *first = m_window->reportPage();
    select(first->fields.at(0));
    itemOf(first->fields.at(1))->setSelected(true);
    action("actionCopy")->trigger();
    QJsonObject copied[2];
    first->fields.at(0)->writeJson(copied[0]);
    first->fields.at(1)->writeJson(copied[1]);
    closeQuietly();

    // Another blank: one text field of its own.
    {
        ReportPage other;
        addText(&other, 100, 100, 50, 10)->text = "другой";
        QVERIFY(other.saveToFile(m_dir->filePath("other.zrrpt")));
    }
    m_path = m_dir->filePath("other.zrrpt");
    makeWindow();
    ReportPage *page = m_window->reportPage();
    const QByteArray before = templateJson();
    QVERIFY(action("actionPaste")->isEnabled());
    action("actionPaste")->trigger();
    action("actionPaste")->trigger();
    QCOMPARE(page->fields.size(), 5);
    QCOMPARE(m_window->history()->stack()->count(), 2);
    // Each paste lands 2 mm further right and down; nothing else differs.
    for (int paste = 1; paste <= 2; ++paste) {
        for (int i = 0; i < 2; ++i) {
            QJsonObject expected = copied[i];
            expected["x"] = copied[i]["x"].toDouble() + 2 * paste;
            expected["y"] = copied[i]["y"].toDouble() + 2 * paste;
            QJsonObject pasted;
            page->fields.at(1 + (paste - 1) * 2 + i)->writeJson(pasted);
            QCOMPARE(pasted, expected);
        }
    }
    QCOMPARE(m_window->projectWidget()->graphicsScene()->selectedFields().size(), 2);
    action("actionUndo")->trigger();
    action("actionUndo")->trigger();
    QCOMPARE(templateJson(), before);
}

void TestReportWindow::opensFittedToSmallScreen()
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    // The test screen is smaller than the size the designer would like.
    QVERIFY(available.width() < ReportWindow::preferredSize().width());
    makeWindow();
    QVERIFY2(available.contains(m_window->frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(m_window->frameGeometry().x())
                                .arg(m_window->frameGeometry().y())
                                .arg(m_window->frameGeometry().width())
                                .arg(m_window->frameGeometry().height())));
}

void TestReportWindow::propertyValuesReadable_data()
{
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("savedNarrow");
    QTest::addColumn<QByteArray>("scaleFactor");

    QTest::newRow("text field") << 0 << false << QByteArray("1");
    QTest::newRow("table field") << 1 << false << QByteArray("1");
    QTest::newRow("page") << -1 << false << QByteArray("1");
    QTest::newRow("text field after a narrow dock was saved") << 0 << true << QByteArray("1");
    QTest::newRow("text field at scale factor 1.5") << 0 << false << QByteArray("1.5");
}

// At the size the designer opens at, no value of the property dock is cut off.
void TestReportWindow::propertyValuesReadable()
{
    QFETCH(int, shown);
    QFETCH(bool, savedNarrow);
    QFETCH(QByteArray, scaleFactor);

    // The scale factor is read once, when the application starts: the row runs in a
    // test program of its own.
    const QByteArray running = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                                       ? qgetenv("QT_SCALE_FACTOR")
                                       : QByteArray("1");
    if (scaleFactor != running) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_SCALE_FACTOR", QString::fromLatin1(scaleFactor));
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("propertyValuesReadable:") + QTest::currentDataTag()});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitCode() == 0, child.readAll().constData());
        return;
    }

    if (savedNarrow) {
        makeWindow();
        m_window->resizeDocks({m_window->structureDock()}, {200}, Qt::Horizontal);
        QTRY_VERIFY(m_window->structureDock()->width() < 250);
        m_window->writeSettings();
        closeQuietly();
    }
    makeWindow();
    ReportPage *page = m_window->reportPage();
    page->fields.at(0)->font = QFont("DejaVu Sans Condensed", 14);
    if (shown >= 0)
        select(page->fields.at(shown));
    StructureDockWidget *dock = m_window->structureDock();
    QTableWidget *table = shown >= 0 ? dock->fieldTable() : dock->pageTable();
    QVERIFY(table->isVisible());
    const int valueRight = table->columnViewportPosition(1) + table->columnWidth(1);
    QVERIFY(valueRight <= table->viewport()->width());
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->isRowHidden(row) || (shown == 0 && row == StructureDockWidget::TextRow))
            continue;
        if (QWidget *widget = table->cellWidget(row, 1)) {
            QVERIFY2(widget->width() >= widget->sizeHint().width(),
                     qPrintable(QString::number(row)));
            continue;
        }
        const QTableWidgetItem *item = table->item(row, 1);
        const int needed = QFontMetrics(item->font()).horizontalAdvance(item->text());
        QVERIFY2(needed < table->columnWidth(1) - 4, qPrintable(item->text()));
    }
    if (savedNarrow)
        QSettings(ReportWindow::settingsPath(), QSettings::IniFormat).remove("ReportWindow");
}

void TestReportWindow::variableListOpensDocked_data()
{
    QTest::addColumn<bool>("savedFloating");
    QTest::newRow("first opened") << false;
    QTest::newRow("a layout saved while it floated") << true;
}

// Beside the canvas, never over the designer's own menus and toolbar.
void TestReportWindow::variableListOpensDocked()
{
    QFETCH(bool, savedFloating);

    if (savedFloating) {
        makeWindow();
        m_window->dataManagerDock()->setFloating(true);
        m_window->writeSettings();
        closeQuietly();
    }
    makeWindow();
    action("actionDataManager")->trigger();
    DataManagerDockWidget *dock = m_window->dataManagerDock();
    QTRY_VERIFY(dock->isVisible());
    QVERIFY(!dock->isFloating());
    QCOMPARE(m_window->dockWidgetArea(dock), Qt::LeftDockWidgetArea);
    const auto onScreen = [](const QWidget *widget) {
        return QRect(widget->mapToGlobal(QPoint()), widget->size());
    };
    const QRect list = onScreen(dock);
    QVERIFY(!list.intersects(onScreen(m_window->menuBar())));
    QVERIFY(!list.intersects(onScreen(m_window->findChild<QToolBar *>())));
    QVERIFY(!list.intersects(onScreen(m_window->projectWidget()->graphicsView()->viewport())));
    QSettings(ReportWindow::settingsPath(), QSettings::IniFormat).remove("ReportWindow");
}

void TestReportWindow::gridStepRemembered()
{
    makeWindow();
    action("actionGrid05")->trigger();
    QCOMPARE(m_window->projectWidget()->graphicsScene()->gridStep(), 0.5);
    m_pages << m_window->reportPage();
    m_window->close();
    QTRY_VERIFY(m_window.isNull());
    makeWindow();
    QVERIFY(action("actionGrid05")->isChecked());
    QCOMPARE(m_window->projectWidget()->graphicsScene()->gridStep(), 0.5);
    action("actionGridOff")->trigger();
}

// ZR_SCREENSHOT_DIR=/some/folder ./tst_reportwindow screenshot
// saves the designer on a two-page template there: at the size it opens at with a text
// field (designer.png) and a table (designer-table.png) selected, after lining three
// fields up (designer-aligned.png) and undoing that (designer-undone.png), and with
// both docks (designer-docks.png).
void TestReportWindow::screenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOT_DIR to save a screenshot");

    ReportPage page;
    page.setPagesCount(2);
    QImage blank(794, 561, QImage::Format_RGB32);
    blank.fill(QColor(250, 245, 225));
    {
        QPainter painter(&blank);
        painter.setPen(QPen(QColor(120, 90, 40), 2));
        painter.drawRect(20, 20, 754, 521);
        painter.setFont(QFont("DejaVu Serif", 16));
        painter.drawText(QRect(20, 40, 754, 40), Qt::AlignCenter, "ПРИЛОЖЕНИЕ К АТТЕСТАТУ");
        for (int y = 120; y < 520; y += 40)
            painter.drawLine(60, y, 734, y);
    }
    const QString blankPath = m_dir->filePath("blank.png");
    QVERIFY(blank.save(blankPath));
    QVERIFY(page.setBackgroundImage(blankPath));
    TextField *fio = addText(&page, 30, 25, 120, 9);
    fio->text = "$V{fio}";
    // A little lower than the name beside it, to be lined up with it.
    TextField *date = addText(&page, 180, 28, 60, 9);
    date->text = "$V{birthdate}";
    date->zOnEmpty = true;
    TableField *table = addTable(&page, 30, 45, {110, 40});
    table->headerNames = QStringList{"Предмет", "Оценка"};
    table->columnIds = QStringList{"$D{view.Предмет}", "$D{view.Оценка}"};
    table->previewRowCount = 4;
    table->prepared = false;
    const QString path = m_dir->filePath("appendix.zrrpt");
    QVERIFY(page.saveToFile(path));
    // ZR_SCREENSHOT_TEMPLATE=<a .zrrpt> shows that template instead of the made-up one.
    const QString given = qEnvironmentVariable("ZR_SCREENSHOT_TEMPLATE");
    m_path = given.isEmpty() ? path : given;

    makeWindow();
    QStandardItemModel model(2, 2);
    model.setHorizontalHeaderLabels({"Предмет", "Оценка"});
    model.setItem(0, 0, new QStandardItem("Русский язык"));
    model.setItem(0, 1, new QStandardItem("отлично"));
    m_window->reportPage()->setReportVariable("fio", "Иванов Иван Иванович");
    m_window->reportPage()->setReportVariable("birthdate", "01.09.2014");
    m_window->reportPage()->addModel("view", &model);
    const QList<AbstractField *> fields = m_window->reportPage()->fields;
    auto save = [&](const char *name) {
        QTest::qWait(100);
        QVERIFY(m_window->grab().save(QDir(folder).filePath(name)));
    };

    // At the size it opens at, with a field selected.
    select(fields.at(0));
    save("designer.png");
    select(fields.last());
    save("designer-table.png");
    // The date lined up with the top of the name, then that undone.
    select(fields.at(0));
    itemOf(fields.at(1))->setSelected(true);
    action("actionAlignTop")->trigger();
    save("designer-aligned.png");
    auto *edit = m_window->findChild<QMenu *>("menuEdit");
    edit->popup(m_window->mapToGlobal(QPoint(60, 20)));
    QTest::qWait(100);
    QVERIFY(edit->grab().save(QDir(folder).filePath("designer-edit-menu.png")));
    edit->close();
    action("actionUndo")->trigger();
    save("designer-undone.png");

    m_window->resize(1600, 900);
    action("actionDataManager")->setChecked(true);
    m_window->resizeDocks(
            {m_window->dataManagerDock(), m_window->structureDock()}, {400, 400}, Qt::Horizontal);
    select(fields.at(0));
    save("designer-docks.png");
    m_window->reportPage()->clearDataManager();
}

ZR_TEST_MAIN(TestReportWindow)
#include "tst_reportwindow.moc"
