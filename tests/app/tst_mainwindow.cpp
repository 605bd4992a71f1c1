#include "app/appinfo.h"
#include "app/mainwindow.h"
#include "database/database.h"
#include "documents/documenteditdialog.h"
#include "documents/documentstable.h"
#include "documents/emptystatewidget.h"
#include "documents/filterdockwidget.h"
#include "documents/numberingdialog.h"
#include "guide/userguidewindow.h"
#include "modalanswerer.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/printcheckdialog.h"
#include "printing/printcontroller.h"
#include "printing/printercalibrationdialog.h"
#include "settings/optionsdialog.h"
#include "testhome.h"
#include "typetext.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSqlQuery>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
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

struct RegisterRow
{
    const char *fio1;
    const char *fio2;
    const char *issueDate;
    const char *number;
    const char *regNumber;
};

void insertRow(const RegisterRow &row)
{
    QSqlQuery query;
    query.prepare("INSERT INTO PsDocuments (isTemplate, fio1, fio2, issueDate, number, regNumber) "
                  "VALUES (0, ?, ?, ?, ?, ?)");
    for (const char *value : {row.fio1, row.fio2, row.issueDate, row.number, row.regNumber})
        query.addBindValue(QString::fromUtf8(value));
    QVERIFY(query.exec());
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
    void registerDisplay_data();
    void registerDisplay();
    void emptyRegisterOffersTemplate();
    void noMatchOffersReset();
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
    void userGuideOpensOnce();
    void checkDocumentsFromTheMenu_data();
    void checkDocumentsFromTheMenu();
    void assignNumbersFromTheMenus_data();
    void assignNumbersFromTheMenus();

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
    // The test screen (800 x 600) is smaller than the form's 1000 x 700 and even than the
    // window's minimum size: the window takes the whole screen and no more.
    const QRect available = m_window->screen()->availableGeometry();
    QVERIFY(available.width() < 1000 && available.height() < 700);
    QVERIFY2(available.contains(m_window->frameGeometry()),
             qPrintable(QString("%1,%2 %3x%4")
                                .arg(m_window->frameGeometry().x())
                                .arg(m_window->frameGeometry().y())
                                .arg(m_window->frameGeometry().width())
                                .arg(m_window->frameGeometry().height())));
    QVERIFY(m_window->width() > available.width() - 20);
    QVERIFY(m_window->height() > available.height() - 40);
    QCOMPARE(m_window->windowTitle(), appTitle());
    QCOMPARE(m_window->objectName(), QString("MainWindow"));
    QVERIFY(m_window->documentMode());
    QCOMPARE(m_window->iconSize(), QSize(56, 48));
    QVERIFY(m_window->statusBar()->isSizeGripEnabled());
    QCOMPARE(m_window->statusLabel()->text(), QString("Документов: 0, показано: 0"));
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
    row("actionTransferRegister", "Перенести реестр на сервер...", "", "");
    row("actionEditor", "Редактор форм", "F7", "");
    row("actionDeletedDocuments", "Удалённые документы", "", "");
    row("actionPreferences", "Настройки программы", "", "");
    row("actionAbout", "О программе", "F1", "");
    row("actionCheckUpdates", "Проверить обновления", "", "");
    row("actionTip", "Совет дня", "", "");
    row("actionForumUrl", "Форум поддержки", "", "");
    row("actionUserGuide", "Руководство пользователя", "Shift+F1", "");
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
                          "actionAssignNumbers",
                          "-",
                          "actionSaveDb",
                          "actionLoadDb",
                          "actionTransferRegister",
                          "-",
                          "actionEditor",
                          "actionPrinterCalibration",
                          "-",
                          "actionCheckDocuments",
                          "actionPrintJournal",
                          "actionRegisterBook",
                          "actionDeletedDocuments",
                          "-",
                          "actionPreferences"}));
    QCOMPARE(menuContents(menu("menu_3")),
             (QStringList{"actionAbout",
                          "actionCheckUpdates",
                          "-",
                          "actionTip",
                          "-",
                          "actionUserGuide"}));
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

void TestMainWindow::registerDisplay_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("byDate");
    QTest::addColumn<bool>("reload");
    // Surnames shown, in the order of their issue dates.
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("status");
    // The dock's dates once the date filter is ticked.
    QTest::addColumn<QString>("dates");

    const QStringList all{"Иванов", "Петров", "Федорова", "Фёдоров", "Семенов"};
    QTest::newRow("every document, dates as people write them")
            << "" << false << false << all << "Документов: 5, показано: 5"
            << "";
    QTest::newRow("е finds ё") << "федоров" << false << false << QStringList{"Федорова", "Фёдоров"}
                               << "Документов: 5, показано: 2"
                               << "";
    QTest::newRow("ё finds е") << "ФЁДОРОВА" << false << false << QStringList{"Федорова"}
                               << "Документов: 5, показано: 1"
                               << "";
    QTest::newRow("ё inside a first name and a patronymic")
            << "пётр" << false << false << QStringList{"Петров", "Фёдоров", "Семенов"}
            << "Документов: 5, показано: 3"
            << "";
    QTest::newRow("digits find certificate numbers")
            << "00123" << false << false << QStringList{"Федорова", "Фёдоров"}
            << "Документов: 5, показано: 2"
            << "";
    QTest::newRow("digits find a number written with letters")
            << "771" << false << false << QStringList{"Семенов"} << "Документов: 5, показано: 1"
            << "";
    QTest::newRow("digits find a registration number")
            << "120" << false << false << QStringList{"Иванов"} << "Документов: 5, показано: 1"
            << "";
    QTest::newRow("digits never join the two numbers")
            << "9912" << false << false << QStringList{} << "Документов: 5, показано: 0"
            << "";
    QTest::newRow("ticked date filter starts with the first and last issue date")
            << "" << true << false << QStringList{"Петров", "Федорова", "Фёдоров", "Семенов"}
            << "Документов: 5, показано: 4"
            << "24.05.2019-15.06.2024";
    QTest::newRow("count after a reload")
            << "" << false << true
            << QStringList{"Иванов", "Петров", "Смирнов", "Федорова", "Фёдоров", "Семенов"}
            << "Документов: 6, показано: 6"
            << "";
    QTest::newRow("filtered count after a reload")
            << "фёдор" << false << true << QStringList{"Федорова", "Фёдоров"}
            << "Документов: 6, показано: 2"
            << "";
}

void TestMainWindow::registerDisplay()
{
    QFETCH(QString, name);
    QFETCH(bool, byDate);
    QFETCH(bool, reload);
    QFETCH(QStringList, shown);
    QFETCH(QString, status);
    QFETCH(QString, dates);

    insertRow({"Фёдоров", "Иван Петрович", "2024-05-30", "0012345", "17"});
    insertRow({"Федорова", "Анна", "2023-05-25", "0012346", "18"});
    insertRow({"Семенов", "Пётр", "2024-06-15", "АБ 771", "5"});
    insertRow({"Иванов", "Олег", "", "99", "120"});
    insertRow({"Петров", "Иван", "2019-05-24", "1234", "7"});
    const QHash<QString, QString> shownDate{{"Фёдоров", "30.05.2024"},
                                            {"Федорова", "25.05.2023"},
                                            {"Семенов", "15.06.2024"},
                                            {"Иванов", ""},
                                            {"Петров", "24.05.2019"},
                                            {"Смирнов", "10.01.2022"}};
    m_window = makeWindow();
    FilterDockWidget *dock = m_window->filterDock();
    if (!name.isEmpty())
        typeText(dock->findChild<QLineEdit *>("lineEditFio1"), name);
    if (byDate)
        dock->findChild<QCheckBox *>("checkBox")->setChecked(true);
    DocumentsTable *table = m_window->documentsTable();
    if (reload) {
        insertRow({"Смирнов", "Павел", "2022-01-10", "555", "9"});
        table->updateData();
    }
    table->sortByColumn(2, Qt::AscendingOrder);

    QStringList surnames;
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        if (table->isRowHidden(row))
            continue;
        const QString surname = table->model()->index(row, 1).data().toString().section(' ', 0, 0);
        surnames << surname;
        const QModelIndex date = table->model()->index(row, 2);
        auto delegate = qobject_cast<QStyledItemDelegate *>(table->itemDelegate(date));
        QCOMPARE(delegate->displayText(date.data(), QLocale()), shownDate.value(surname));
    }
    QCOMPARE(surnames, shown);
    QCOMPARE(m_window->statusLabel()->text(), status);
    if (byDate)
        QCOMPARE(
                dock->findChild<QDateEdit *>("dateEditFrom")->date().toString("dd.MM.yyyy") + "-"
                        + dock->findChild<QDateEdit *>("dateEditTo")->date().toString("dd.MM.yyyy"),
                dates);
    QCOMPARE(table->emptyState()->isVisible(), shown.isEmpty());
}

void TestMainWindow::emptyRegisterOffersTemplate()
{
    m_window = makeWindow();
    EmptyStateWidget *hint = m_window->documentsTable()->emptyState();
    QVERIFY(hint->isVisible());
    QVERIFY(hint->text().contains("Создайте шаблон документа"));
    auto buttons = hint->findChildren<QPushButton *>();
    QVERIFY(!buttons.isEmpty());
    buttons.first()->click();
    QPointer<DocumentEditDialog> dialog = m_window->editDialog();
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(dialog->templateMode());
    dialog->close();

    insertDocument("Иванов");
    m_window->documentsTable()->updateData();
    QVERIFY(!hint->isVisible());
}

void TestMainWindow::noMatchOffersReset()
{
    insertDocument("Иванов");
    m_window = makeWindow();
    auto edit = m_window->filterDock()->findChild<QLineEdit *>("lineEditFio1");
    typeText(edit, "Кузнецов");
    EmptyStateWidget *hint = m_window->documentsTable()->emptyState();
    QVERIFY(hint->isVisible());
    QVERIFY(hint->text().contains("Ни один документ"));
    hint->findChildren<QPushButton *>().first()->click();
    QVERIFY(edit->text().isEmpty());
    QVERIFY(!hint->isVisible());
    QCOMPARE(m_window->statusLabel()->text(), QString("Документов: 1, показано: 1"));
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
    // On the small test screen the window already fills it; it comes back the same.
    const QRect before = m_window->geometry();
    restart();
    QCOMPARE(m_window->geometry(), before);
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

void TestMainWindow::userGuideOpensOnce()
{
    m_window = makeWindow();
    QTest::keySequence(m_window.get(), QKeySequence("Shift+F1"));
    QTest::keySequence(m_window.get(), QKeySequence("Shift+F1"));
    const QList<UserGuideWindow *> guides = m_window->findChildren<UserGuideWindow *>();
    QCOMPARE(guides.size(), 1);
    QVERIFY(guides.first()->isVisible());
    QVERIFY(guides.first()->isWindow());
    guides.first()->close();
}

void TestMainWindow::checkDocumentsFromTheMenu_data()
{
    QTest::addColumn<int>("documents");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<bool>("openOptions"); // double-clicks the organisation's first row

    QTest::newRow("the selected documents")
            << 3 << QList<int>{0, 2} << "Документов проверено: 2." << false;
    QTest::newRow("nothing selected: every document shown")
            << 3 << QList<int>{} << "Документов проверено: 3." << false;
    // The register is read in slices; checked at once, it counts every document all the same.
    QTest::newRow("nothing selected, the register still being read")
            << 600 << QList<int>{} << "Документов проверено: 600." << false;
    QTest::newRow("an empty organisation's row opens its options")
            << 3 << QList<int>{0} << "Документов проверено: 1." << true;
}

void TestMainWindow::checkDocumentsFromTheMenu()
{
    QFETCH(int, documents);
    QFETCH(QList<int>, rows);
    QFETCH(QString, checked);
    QFETCH(bool, openOptions);

    // As the program starts: the templates and the table of the organisation's data.
    if (openOptions) {
        QVERIFY(DefaultTemplates::install());
        Database::migrateLegacySettings(Database::dataPath() + "/none.ini");
    }

    const QStringList names{"Иванов", "Петров", "Сидоров"};
    QSqlDatabase::database().transaction();
    for (int i = 0; i < documents; ++i)
        insertDocument(names.at(i % names.size()));
    QSqlDatabase::database().commit();
    m_window = makeWindow();
    m_window->documentsTable()->updateData();
    DocumentsTable *table = m_window->documentsTable();
    for (int row : rows)
        table->selectionModel()->select(table->model()->index(row, 1),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_window->findChild<QAction *>("actionCheckDocuments")->trigger();
    PrintCheckDialog *dialog = m_window->printController()->checkDialog();
    QVERIFY(dialog);
    const QString summary = dialog->findChild<QLabel *>("labelSummary")->text();
    QVERIFY2(summary.startsWith(checked), qPrintable(summary));
    if (openOptions) {
        int row = 0;
        while (row < dialog->problems().size() && !dialog->problems().at(row).organisation)
            ++row;
        QVERIFY(row < dialog->problems().size());
        auto *problems = dialog->findChild<QTableWidget *>("tableWidgetProblems");
        const QPoint at = problems->visualItemRect(problems->item(row, 3)).center();
        QTest::mouseClick(problems->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(problems->viewport(), Qt::LeftButton, {}, at);
        OptionsDialog *options = nullptr;
        QTRY_VERIFY((options = m_window->findChild<OptionsDialog *>()) && options->isVisible());
        options->close();
    }
    dialog->close();
}

void TestMainWindow::assignNumbersFromTheMenus_data()
{
    QTest::addColumn<bool>("contextMenu");
    QTest::newRow("Инструменты → Присвоить номера...") << false;
    QTest::newRow("the table's context menu") << true;
}

void TestMainWindow::assignNumbersFromTheMenus()
{
    QFETCH(bool, contextMenu);
    for (const char *name : {"Сидоров", "Иванов", "Петров"})
        insertDocument(QString::fromUtf8(name));
    m_window = makeWindow();
    DocumentsTable *table = m_window->documentsTable();
    table->updateData();
    // In surname order: Иванов and Сидоров.
    for (int row : {0, 2})
        table->selectionModel()->select(table->model()->index(row, 1),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (contextMenu)
        table->actionNumber()->trigger();
    else
        m_window->findChild<QAction *>("actionAssignNumbers")->trigger();
    auto *dialog = m_window->findChild<NumberingDialog *>();
    QVERIFY(dialog);
    dialog->findChild<QLineEdit *>("lineEditNumber")->setText("000101");
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_window->findChild<NumberingDialog *>());

    QStringList shown;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        shown << table->model()->index(row, 1).data().toString().trimmed() + " "
                         + table->model()->index(row, 3).data().toString();
    QCOMPARE(shown, (QStringList{"Иванов 000101", "Петров ", "Сидоров 000102"}));
    QCOMPARE(table->selectedCount(), 2);
    // The class filter follows the register as it is reloaded.
    QVERIFY(QSqlQuery().exec("UPDATE PsDocuments SET schoolClass = '4А'"));
    table->updateData();
    QCOMPARE(m_window->filterDock()->classes(), QStringList{"4А"});
}

ZR_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
