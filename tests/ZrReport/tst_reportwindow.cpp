#include "designertestutil.h"
#include "dialogs/edittablefielddialog.h"
#include "graphics/fieldgraphicsitem.h"
#include "graphics/mygraphicsscene.h"
#include "graphics/mygraphicsview.h"
#include "graphics/projectviewwidget.h"
#include "modalanswerer.h"
#include "reportwindow.h"
#include "testhome.h"
#include "widgets/datamanagerdockwidget.h"
#include "widgets/structuredockwidget.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableWidget>
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
    void screenshot();

private:
    ReportWindow *makeWindow(bool open = true);
    QAction *action(const char *name) const;
    QString writeTemplate(const QString &name);
    FieldGraphicsItem *itemOf(AbstractField *field) const;
    void select(AbstractField *field);
    void closeQuietly();

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

QString TestReportWindow::writeTemplate(const QString &name)
{
    ReportPage page;
    TextField *text = addText(&page, 20, 30, 60, 10);
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
    if (edit)
        m_window->setEdited();
    QCOMPARE(m_window->windowTitle(),
             QStringLiteral("Редактор отчёта - ") + (open ? suffix.arg(m_path) : suffix));
}

void TestReportWindow::letterKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<double>("dx");
    QTest::addColumn<double>("dy");

    QTest::newRow("S moves down") << int(Qt::Key_S) << 0.0 << 1.0;
    QTest::newRow("W moves up") << int(Qt::Key_W) << 0.0 << -1.0;
    QTest::newRow("A moves left") << int(Qt::Key_A) << -1.0 << 0.0;
    QTest::newRow("D moves right") << int(Qt::Key_D) << 1.0 << 0.0;
}

void TestReportWindow::letterKeys()
{
    QFETCH(int, key);
    QFETCH(double, dx);
    QFETCH(double, dy);

    makeWindow();
    auto *field = m_window->reportPage()->fields.first();
    const double x = field->x;
    const double y = field->y;
    select(field);
    QVERIFY(!m_window->isEdited());
    // Typed on the canvas, as the user does; the view passes letters on to the window.
    QTest::keyClick(m_window->projectWidget()->graphicsView(), Qt::Key(key));
    QCOMPARE(field->x, x + dx);
    QCOMPARE(field->y, y + dy);
    QVERIFY(m_window->isEdited());
    QVERIFY(m_window->windowTitle().endsWith("*"));
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
    MyGraphicsView *view = m_window->projectWidget()->graphicsView();
    QWidget *viewport = view->viewport();
    const double s = page->scaleFromMM();
    auto at = [&](double xMM, double yMM) { return view->mapFromScene(QPointF(xMM, yMM) * s); };
    auto move = [&](const QPoint &pos) {
        QMouseEvent event(QEvent::MouseMove,
                          pos,
                          viewport->mapToGlobal(pos),
                          Qt::NoButton,
                          Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    };
    auto drag = [&](const QPoint &from, const QPoint &to) {
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
        move((from + to) / 2);
        move(to);
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
    };

    // Select the text field with a click, then drag it 10 mm right and 5 mm down.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at(50, 35));
    QCOMPARE(m_window->structureDock()->currentField(), static_cast<AbstractField *>(text));
    drag(at(50, 35), at(60, 40));
    QVERIFY(m_window->isEdited());
    const double textX = text->x;
    const double textY = text->y;
    QVERIFY(qAbs(textX - 30) < 0.3 && qAbs(textY - 35) < 0.3);
    QCOMPARE(m_window->structureDock()->fieldTable()->item(2, 1)->text(),
             QString::number(textX, 'f', 1));

    // Select the table, then drag the border between its columns 8 mm right.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at(30, 85));
    QCOMPARE(m_window->structureDock()->currentField(), static_cast<AbstractField *>(table));
    drag(at(50, 85), at(58, 85));
    const double firstColumn = table->columnsWidth.at(0);
    QVERIFY(qAbs(firstColumn - 38) < 0.3);

    // Drop a variable onto the text field.
    QStandardItemModel source(1, 1);
    source.setItem(0, 0, new QStandardItem("$V{name}"));
    std::unique_ptr<QMimeData> mime(source.mimeData({source.index(0, 0)}));
    const QPoint onText = at(textX + 10, textY + 5);
    QDragEnterEvent enter(onText, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(onText, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(text->text, QStringLiteral("$V{name}"));

    QVERIFY(m_window->on_actionSave_triggered());
    ReportPage reread;
    QVERIFY(reread.loadFromFile(m_path));
    QCOMPARE(reread.fields.at(0)->x, textX);
    QCOMPARE(reread.fields.at(0)->y, textY);
    QCOMPARE(static_cast<TextField *>(reread.fields.at(0))->text, QStringLiteral("$V{name}"));
    QCOMPARE(static_cast<TableField *>(reread.fields.at(1))->columnsWidth.at(0), firstColumn);
}

// ZR_SCREENSHOT_DIR=/some/folder ./tst_reportwindow screenshot
// saves designer.png there: the designer with both docks on a two-page template.
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
    TextField *date = addText(&page, 180, 25, 60, 9);
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
    m_window->resize(1600, 900);
    action("actionDataManager")->setChecked(true);
    m_window->dataManagerDock()->setFloating(false);
    m_window->resizeDocks(
            {m_window->dataManagerDock(), m_window->structureDock()}, {400, 400}, Qt::Horizontal);
    select(m_window->reportPage()->fields.at(0));
    QTest::qWait(100);
    QVERIFY(m_window->grab().save(QDir(folder).filePath("designer.png")));
    select(m_window->reportPage()->fields.last());
    QTest::qWait(100);
    QVERIFY(m_window->grab().save(QDir(folder).filePath("designer-table.png")));
    m_window->reportPage()->clearDataManager();
}

ZR_TEST_MAIN(TestReportWindow)
#include "tst_reportwindow.moc"
