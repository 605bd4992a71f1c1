#include "app/appinfo.h"
#include "app/mainwindow.h"
#include "database/database.h"
#include "documents/documentstable.h"
#include "documents/filterdockwidget.h"
#include "modalanswerer.h"
#include "printing/engine.h"
#include "printing/printcheckdialog.h"
#include "printing/printcontroller.h"
#include "printing/printercalibrationdialog.h"
#include "testhome.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <memory>

Q_DECLARE_METATYPE(QDialogButtonBox::StandardButton)

namespace {

void insertDocument(const QString &surname)
{
    QSqlQuery query;
    query.prepare("INSERT INTO PsDocuments (isTemplate, fio1, issueDate) VALUES (0, ?, "
                  "'2024-05-30')");
    query.addBindValue(surname);
    query.exec();
}

QStringList menuContents(QMenu *menu)
{
    QStringList names;
    for (QAction *action : menu->actions())
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names;
}

// Types a file name into a non-native file dialog and accepts it.
ModalAnswerer::Action chooseFile(const QString &path)
{
    return [path](QWidget *dialog) {
        auto fileDialog = qobject_cast<QFileDialog *>(dialog);
        QVERIFY(fileDialog);
        // selectFile() leaves a focused name field as it is, so type into the field.
        if (auto edit = fileDialog->findChild<QLineEdit *>("fileNameEdit"))
            edit->setText(path);
        else
            fileDialog->selectFile(path);
        static_cast<QDialog *>(fileDialog)->accept();
        // A dialog that refuses the name fails the test instead of hanging it.
        if (fileDialog->isVisible()) {
            qWarning() << "file dialog refused" << path;
            fileDialog->reject();
        }
    };
}

ModalAnswerer::Action cancelDialog()
{
    return [](QWidget *dialog) { qobject_cast<QDialog *>(dialog)->reject(); };
}

// keyClicks() only knows Latin letters; Cyrillic goes in as key events with text.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStart();
    void actions_data();
    void actions();
    void menusAndToolbar();
    void toolbarFollowsSelection_data();
    void toolbarFollowsSelection();
    void filterDockAndItsAction();
    void filterDockFiltersTheRegister();
    void engineErrorIsShownModally();
    void backupAndRestore();
    void backup_data();
    void backup();
    void restoreFailureAndCancel_data();
    void restoreFailureAndCancel();
    void editorWarning_data();
    void editorWarning();
    void settingsSurviveRestart();
    void printerCalibrationOpensOnce();
    void checkDocumentsFromTheMenu_data();
    void checkDocumentsFromTheMenu();

private:
    std::unique_ptr<MainWindow> makeWindow();
    void restart();
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<MainWindow> m_window;
};

void TestMainWindow::init()
{
    Database::destroy();
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    QSettings settings(Database::userPath() + "//settings.ini", QSettings::IniFormat);
    settings.clear();
    // The tip of the day has its own tests; here it would only stand in the way.
    if (QTest::currentTestFunction() != QByteArray("firstStart"))
        settings.setValue("ZrPs/showTipsOnStartup", false);
    settings.sync();
    QVERIFY(Database::create());
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    Database::destroy();
    m_data.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty()
            || std::none_of(QApplication::topLevelWidgets().cbegin(),
                            QApplication::topLevelWidgets().cend(),
                            [](QWidget *w) { return w->isVisible(); }));
}

std::unique_ptr<MainWindow> TestMainWindow::makeWindow()
{
    auto window = std::make_unique<MainWindow>();
    // The start-up slot runs 100 ms later.
    QTest::qWait(200);
    return window;
}

void TestMainWindow::restart()
{
    m_window.reset();
    QVERIFY(Database::create());
    m_window = makeWindow();
}

void TestMainWindow::firstStart()
{
    ModalAnswerer answerer;
    answerer.expect("Совет дня", "", cancelDialog());
    m_window = makeWindow();
    QCOMPARE(m_window->size(), QSize(1000, 700));
    QCOMPARE(m_window->minimumSize(), QSize(800, 600));
    QCOMPARE(m_window->windowTitle(), appTitle());
    QCOMPARE(m_window->objectName(), QString("MainWindow"));
    QVERIFY(m_window->documentMode());
    QCOMPARE(m_window->iconSize(), QSize(56, 48));
    QVERIFY(m_window->statusBar()->isSizeGripEnabled());
    QVERIFY(m_window->statusLabel()->text().isEmpty());
    QCOMPARE(m_window->statusLabel()->font().pointSize(), 10);
    QVERIFY(m_window->askBeforeEditor());
    QVERIFY(m_window->askBeforeExport());
    QVERIFY(m_window->showTipsOnStartup());
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    QVERIFY(m_window->filterDock()->isVisible());
    QVERIFY(!m_window->filterDock()->isWindow());
    QVERIFY(m_window->backupFolder().startsWith(QDir::homePath()));
}

void TestMainWindow::actions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("icon");

    auto row = [](const char *name, const char *text, const char *shortcut, const char *icon) {
        QTest::newRow(name) << QString(name) << QString::fromUtf8(text) << QString(shortcut)
                            << QString(icon);
    };
    row("actionCreateDoc", "Создать документ", "", ":/icons/icons/add.png");
    row("actionEdit", "Редактировать документ", "", ":/icons/icons/edit.png");
    row("actionCopy", "Создать копию документа", "", ":/icons/icons/copy.png");
    row("actionPrint", "Печать", "", ":/icons/icons/print.png");
    row("actionRemove", "Удалить", "", ":/icons/icons/remove.png");
    row("actionSettings", "Настройки", "", "");
    row("actionExit", "Выход", "", "");
    row("actionFilter", "Фильтры", "", "");
    row("actionSaveDb", "Создать резервную копию", "", "");
    row("actionLoadDb", "Восстановить из резервной копии", "", "");
    row("actionEditor", "Редактор форм", "F7", "");
    row("actionPreferences", "Настройки программы", "", "");
    row("actionAbout", "О программе", "F1", "");
    row("actionCheckUpdates", "Проверить обновления", "", "");
    row("actionTip", "Совет дня", "", "");
    row("actionForumUrl", "Форум поддержки", "", "");
}

void TestMainWindow::actions()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, shortcut);
    QFETCH(QString, icon);

    m_window = makeWindow();
    auto action = m_window->findChild<QAction *>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut().toString(), shortcut);
    QCOMPARE(action->isCheckable(), name == "actionFilter");
    QCOMPARE(action->icon().isNull(), icon.isEmpty());
    if (!icon.isEmpty()) {
        QImage picture(icon);
        QVERIFY2(!picture.isNull(), qPrintable(icon));
        QVERIFY(picture.width() >= 32);
    }
    if (name == "actionCreateDoc")
        QCOMPARE(action->toolTip(), text);
    // Every action but the dock's toggle reaches its slot by name.
    if (name != "actionFilter")
        QVERIFY(m_window->metaObject()->indexOfSlot(qPrintable("on_" + name + "_triggered()"))
                >= 0);
}

void TestMainWindow::menusAndToolbar()
{
    m_window = makeWindow();
    QStringList titles;
    QStringList names;
    for (QAction *menuAction : m_window->menuBar()->actions()) {
        titles << menuAction->text();
        names << menuAction->menu()->objectName();
    }
    QCOMPARE(titles, (QStringList{"Файл", "Вид", "Инструменты", "Справка", "Поддержка"}));
    QCOMPARE(names, (QStringList{"menuPreferences", "menu_4", "menu_2", "menu_3", "menu"}));
    auto menu = [this](const char *name) { return m_window->findChild<QMenu *>(name); };
    QCOMPARE(menuContents(menu("menuPreferences")),
             (QStringList{"-", "actionSettings", "actionExit"}));
    QCOMPARE(menuContents(menu("menu_4")), QStringList{"actionFilter"});
    QCOMPARE(menuContents(menu("menu_2")),
             (QStringList{"actionImport",
                          "-",
                          "actionSaveDb",
                          "actionLoadDb",
                          "-",
                          "actionEditor",
                          "actionPrinterCalibration",
                          "-",
                          "actionCheckDocuments",
                          "actionPrintJournal",
                          "actionRegisterBook",
                          "-",
                          "actionPreferences"}));
    QCOMPARE(menuContents(menu("menu_3")),
             (QStringList{"actionAbout", "actionCheckUpdates", "-", "actionTip"}));
    QCOMPARE(menuContents(menu("menu")), QStringList{"actionForumUrl"});

    auto toolBar = m_window->findChild<QToolBar *>("toolBar");
    QVERIFY(toolBar);
    QCOMPARE(toolBar->windowTitle(), QString("toolBar"));
    QCOMPARE(m_window->toolBarArea(toolBar), Qt::TopToolBarArea);
    QStringList tools;
    for (QAction *action : toolBar->actions())
        tools << action->objectName();
    QCOMPARE(
            tools,
            (QStringList{
                    "actionCreateDoc", "actionEdit", "actionCopy", "actionPrint", "actionRemove"}));
}

void TestMainWindow::toolbarFollowsSelection_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QStringList>("visible");

    QTest::newRow("nothing selected shows only create")
            << QList<int>{} << QStringList{"actionCreateDoc"};
    QTest::newRow("one row shows all five") << QList<int>{1}
                                            << QStringList{"actionCreateDoc",
                                                           "actionEdit",
                                                           "actionCopy",
                                                           "actionPrint",
                                                           "actionRemove"};
    QTest::newRow("two rows add print and remove")
            << QList<int>{0, 2} << QStringList{"actionCreateDoc", "actionPrint", "actionRemove"};
}

void TestMainWindow::toolbarFollowsSelection()
{
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, visible);

    for (const char *name : {"Иванов", "Петров", "Сидоров"})
        insertDocument(QString::fromUtf8(name));
    m_window = makeWindow();
    m_window->documentsTable()->updateData();
    DocumentsTable *table = m_window->documentsTable();
    table->selectionModel()->select(table->model()->index(1, 1),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table->clearSelection();
    for (int row : rows)
        table->selectionModel()->select(table->model()->index(row, 1),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    auto toolBar = m_window->findChild<QToolBar *>("toolBar");
    QStringList shown;
    for (QAction *action : toolBar->actions()) {
        if (action->isVisible())
            shown << action->objectName();
    }
    QCOMPARE(shown, visible);

    // A reload clears the selection and with it the row actions.
    table->updateData();
    QVERIFY(!m_window->findChild<QAction *>("actionRemove")->isVisible());
}

void TestMainWindow::filterDockAndItsAction()
{
    m_window = makeWindow();
    auto action = m_window->findChild<QAction *>("actionFilter");
    FilterDockWidget *dock = m_window->filterDock();
    QVERIFY(action->isChecked());
    QCOMPARE(dock->width(), 432);
    dock->close();
    QVERIFY(!dock->isVisible());
    QVERIFY(!action->isChecked());
    action->setChecked(true);
    QVERIFY(dock->isVisible());
    action->setChecked(false);
    QVERIFY(!dock->isVisible());
}

void TestMainWindow::filterDockFiltersTheRegister()
{
    for (const char *name : {"Иванов", "Петров", "ИВАНОВА"})
        insertDocument(QString::fromUtf8(name));
    m_window = makeWindow();
    auto edit = m_window->filterDock()->findChild<QLineEdit *>("lineEditFio1");
    typeText(edit, "ив");
    DocumentsTable *table = m_window->documentsTable();
    int shown = 0;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        shown += table->isRowHidden(row) ? 0 : 1;
    QCOMPARE(shown, 2);
}

void TestMainWindow::engineErrorIsShownModally()
{
    m_window = makeWindow();
    ModalAnswerer answerer;
    answerer.expectButton("Ошибка", "Шаблон отчёта x не найден.", QDialogButtonBox::Ok);
    emit m_window->engine()->error("Шаблон отчёта x не найден.", "Ошибка");
    QCOMPARE(answerer.pending(), 0);
    QVERIFY(answerer.unexpected().isEmpty());
}

void TestMainWindow::backupAndRestore()
{
    insertDocument("Иванов");
    insertDocument("Петров");
    m_window = makeWindow();
    m_window->setBackupFolder(m_data->path());
    const QString backupPath = m_data->path() + "/saved.db";

    ModalAnswerer answerer;
    QString proposed;
    QStringList nameFilters;
    bool saving = false;
    answerer.expect("Save file", "", [&](QWidget *dialog) {
        // Read first and close at once: a failed check must not leave it open.
        auto fileDialog = qobject_cast<QFileDialog *>(dialog);
        proposed = fileDialog->selectedFiles().value(0);
        nameFilters = fileDialog->nameFilters();
        saving = fileDialog->acceptMode() == QFileDialog::AcceptSave;
        fileDialog->reject();
    });
    answerer.expect("Save file", "", chooseFile(backupPath));
    answerer.expectButton("Информация", "Резервная копия успешно создана.", QDialogButtonBox::Ok);
    m_window->findChild<QAction *>("actionSaveDb")->trigger();
    QVERIFY(saving);
    QCOMPARE(nameFilters, QStringList{"Database files (*.db)"});
    QCOMPARE(proposed,
             m_data->path() + "/ZrPs" + QDate::currentDate().toString("-backup-yyyy-MM-dd")
                     + ".db");
    m_window->findChild<QAction *>("actionSaveDb")->trigger();
    QVERIFY2(QFile::exists(backupPath), qPrintable(answerer.seen().join('|')));

    insertDocument("Сидоров");
    m_window->documentsTable()->updateData();
    QCOMPARE(m_window->documentsTable()->model()->rowCount(), 3);

    answerer.expect("Open file", "", chooseFile(backupPath));
    answerer.expectButton("Внимание!", "Документов в копии: 2", QDialogButtonBox::Yes);
    answerer.expectButton("Информация", "Резервная копия успешно загружена.", QDialogButtonBox::Ok);
    m_window->findChild<QAction *>("actionLoadDb")->trigger();
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    QCOMPARE(m_window->documentsTable()->model()->rowCount(), 2);

    // The register goes on working on the restored database.
    DocumentsTable *table = m_window->documentsTable();
    table->selectRow(0);
    QVERIFY(m_window->findChild<QAction *>("actionEdit")->isVisible());
}

void TestMainWindow::backup_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");

    QTest::newRow("into a folder nobody may write fails")
            << "/sys/zrps-backup.db"
            << "Ошибка"
            << "Не удалось сохранить резервную копию.";
    QTest::newRow("cancel shows nothing") << ""
                                          << ""
                                          << "";
}

void TestMainWindow::backup()
{
    QFETCH(QString, target);
    QFETCH(QString, title);
    QFETCH(QString, message);

    m_window = makeWindow();
    ModalAnswerer answerer;
    if (target.isEmpty()) {
        answerer.expect("Save file", "", cancelDialog());
    } else {
        answerer.expect("Save file", "", chooseFile(target));
        answerer.expectButton(title, message, QDialogButtonBox::Ok);
    }
    m_window->on_actionSaveDb_triggered();
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    QVERIFY(Database::checkDbStructure(Database::databasePath()));
}

void TestMainWindow::restoreFailureAndCancel_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("a pipe is no backup") << "pipe";
    QTest::newRow("a text file is no backup") << "text";
    QTest::newRow("No to the question keeps the register") << "no";
    QTest::newRow("cancel still reloads the register") << "cancel";
}

void TestMainWindow::restoreFailureAndCancel()
{
    QFETCH(QString, source);

    insertDocument("Иванов");
    m_window = makeWindow();
    const QString backup = m_data->path() + "/one.db";
    QVERIFY(Database::backup(backup));
    insertDocument("Петров");
    ModalAnswerer answerer;
    if (source == "cancel") {
        answerer.expect("Open file", "", cancelDialog());
    } else if (source == "no") {
        answerer.expect("Open file", "", chooseFile(backup));
        answerer.expectButton("Внимание!", "Документов в копии: 1", QDialogButtonBox::No);
    } else {
        // A named pipe passes the dialog's existence check but is no database file.
        const QString path = m_data->path() + "/not-a-backup.db";
        if (source == "pipe") {
            QCOMPARE(QProcess::execute("mkfifo", {path}), 0);
        } else {
            QFile text(path);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("Иванов;Пётр;2013-04-17\n");
        }
        answerer.expect("Open file", "", chooseFile(path));
        answerer.expectButton(
                "Ошибка", "не является резервной копией реестра", QDialogButtonBox::Ok);
    }
    m_window->on_actionLoadDb_triggered();
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    QCOMPARE(m_window->documentsTable()->model()->rowCount(), 2);
}

void TestMainWindow::editorWarning_data()
{
    QTest::addColumn<bool>("tick");
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer");
    QTest::addColumn<bool>("askedAgain");

    QTest::newRow("tick then No stops warning") << true << QDialogButtonBox::No << false;
    QTest::newRow("tick then Yes stops warning") << true << QDialogButtonBox::Yes << false;
    QTest::newRow("No without tick warns again") << false << QDialogButtonBox::No << true;
}

void TestMainWindow::editorWarning()
{
    QFETCH(bool, tick);
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(bool, askedAgain);

    m_window = makeWindow();
    {
        ModalAnswerer answerer;
        answerer.expect("Внимание!", "Редактор шаблонов", [tick, answer](QWidget *dialog) {
            auto box = qobject_cast<QMessageBox *>(dialog);
            QVERIFY(box);
            QCOMPARE(box->icon(), QMessageBox::Information);
            QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
            QVERIFY(box->checkBox());
            QCOMPARE(box->checkBox()->text(), QString("Больше не предупреждать"));
            QVERIFY(box->text().startsWith("<p align='justify'>Внимание!<br><br>"));
            if (tick)
                box->checkBox()->setChecked(true);
            ModalAnswerer::clickButton(dialog, answer);
        });
        QTest::keyClick(m_window.get(), Qt::Key_F7);
        QCOMPARE(answerer.pending(), 0);
        QVERIFY(answerer.unexpected().isEmpty());
        QCOMPARE(m_window->askBeforeEditor(), askedAgain);
    }

    restart();
    QCOMPARE(m_window->askBeforeEditor(), askedAgain);
    ModalAnswerer second;
    if (askedAgain)
        second.expectButton("Внимание!", "Редактор шаблонов", QDialogButtonBox::No);
    m_window->on_actionEditor_triggered();
    QCOMPARE(second.pending(), 0);
    QVERIFY(second.unexpected().isEmpty());
}

void TestMainWindow::settingsSurviveRestart()
{
    m_window = makeWindow();
    m_window->resize(900, 650);
    QTest::qWait(50);
    restart();
    QCOMPARE(m_window->size(), QSize(900, 650));
    QSettings *settings = Database::userSettings();
    QVERIFY(!settings->value("ZrPs/geometry").toByteArray().isEmpty());
    QVERIFY(!settings->value("ZrPs/windowState").toByteArray().isEmpty());
    QCOMPARE(settings->value("ZrPs/askBeforeExport").toBool(), true);
}

void TestMainWindow::printerCalibrationOpensOnce()
{
    m_window = makeWindow();
    auto action = m_window->findChild<QAction *>("actionPrinterCalibration");
    QVERIFY(action);
    action->trigger();
    action->trigger();
    const QList<PrinterCalibrationDialog *> dialogs
            = m_window->findChildren<PrinterCalibrationDialog *>();
    QCOMPARE(dialogs.size(), 1);
    QVERIFY(dialogs.first()->isVisible());
    dialogs.first()->close();
}

void TestMainWindow::checkDocumentsFromTheMenu_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("checked");

    QTest::newRow("the selected documents") << QList<int>{0, 2} << "Документов проверено: 2.";
    QTest::newRow("nothing selected: every document shown")
            << QList<int>{} << "Документов проверено: 3.";
}

void TestMainWindow::checkDocumentsFromTheMenu()
{
    QFETCH(QList<int>, rows);
    QFETCH(QString, checked);

    for (const char *name : {"Иванов", "Петров", "Сидоров"})
        insertDocument(QString::fromUtf8(name));
    m_window = makeWindow();
    m_window->documentsTable()->updateData();
    DocumentsTable *table = m_window->documentsTable();
    for (int row : rows)
        table->selectionModel()->select(table->model()->index(row, 1),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_window->findChild<QAction *>("actionCheckDocuments")->trigger();
    PrintCheckDialog *dialog = m_window->printController()->checkDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->findChild<QLabel *>("labelSummary")->text().startsWith(checked));
    dialog->close();
}

ZR_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
