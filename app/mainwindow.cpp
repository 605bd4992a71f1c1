#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "app/appinfo.h"
#include "app/damagequestion.h"
#include "app/debuglog.h"
#include "database/database.h"
#include "database/integritycheck.h"
#include "database/sqliteengine.h"
#include "documents/deleteddocumentsdialog.h"
#include "documents/documenteditdialog.h"
#include "documents/documentstable.h"
#include "documents/filterdockwidget.h"
#include "documents/history/historydialog.h"
#include "documents/import/importwizard.h"
#include "documents/numberingdialog.h"
#include "documents/selecttemplatedialog.h"
#include "guide/userguidewindow.h"
#include "modules/banner/banner.h"
#include "printing/engine.h"
#include "printing/journalnotice.h"
#include "printing/printcheckdialog.h"
#include "printing/printcontroller.h"
#include "printing/printdialog.h"
#include "printing/printercalibrationdialog.h"
#include "printing/printjournalwindow.h"
#include "printing/registerbookdialog.h"
#include "servernotice.h"
#include "settings/aboutdialog.h"
#include "settings/optionsdialog.h"
#include "settings/preferencesdialog.h"
#include "settings/registertransferdialog.h"
#include "settings/tipsdialog.h"
#include "settings/widgetgeometry.h"

#include <QCheckBox>
#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString forumUrl
        = QStringLiteral("https://%1/forum/").arg(QString::fromLatin1(AppInfo::organizationDomain));
}

MainWindow::MainWindow(QWidget *parent)
    : ZrMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setWindowTitle(appTitle());
    // The form's 1000 x 700 may not fit a small screen at a large scale factor.
    restoreGeometryOnScreen(this, QByteArray());

    m_banner = new Banner(this);
    m_documentsTable = new DocumentsTable(this);
    connect(m_documentsTable,
            &DocumentsTableAbstract::documentClicked,
            this,
            &MainWindow::onDocumentEdit);
    // Every print is checked first, one document or many.
    m_printController = new PrintController(m_engine, this);
    connect(m_printController,
            &PrintController::documentOpenRequested,
            this,
            &MainWindow::onDocumentEdit);
    connect(m_printController,
            &PrintController::organisationOptionsRequested,
            this,
            &MainWindow::on_actionSettings_triggered);
    connect(m_documentsTable,
            &DocumentsTableAbstract::documentPrint,
            m_printController,
            &PrintController::printDocument);
    connect(m_documentsTable,
            &DocumentsTableAbstract::documentsPrint,
            m_printController,
            &PrintController::printDocuments);
    connect(m_documentsTable,
            &DocumentsTableAbstract::documentsCheck,
            m_printController,
            &PrintController::checkDocuments);
    connect(m_documentsTable,
            &DocumentsTableAbstract::documentsNumber,
            this,
            &MainWindow::openNumberingDialog);
    connect(m_documentsTable,
            &DocumentsTableAbstract::documentHistory,
            this,
            &MainWindow::openHistoryDialog);
    // The table's own signal survives a restore, which replaces the model and
    // with it the selection model.
    connect(m_documentsTable,
            &DocumentsTableAbstract::selectedCountChanged,
            this,
            &MainWindow::onUpdateIcons);
    connect(m_documentsTable, &DocumentsTableAbstract::unselect, this, [this] {
        onUpdateIcons(0);
    });
    // Queued: the message box must not run inside the model's reset.
    connect(
            m_documentsTable,
            &DocumentsTableAbstract::readFailed,
            m_engine,
            [this](const QString &text) { emit m_engine->error(text, QStringLiteral("Ошибка")); },
            Qt::QueuedConnection);

    m_filterDock = new FilterDockWidget(this);
    m_filterDock->setFixedWidth(m_filterDock->width());
    connect(m_filterDock, &QDockWidget::visibilityChanged, ui->actionFilter, &QAction::setChecked);
    connect(ui->actionFilter, &QAction::toggled, m_filterDock, &QWidget::setVisible);

    m_centralLayout = new QVBoxLayout(ui->centralWidget);
    m_centralLayout->addWidget(m_banner);
    m_centralLayout->addWidget(new JournalNotice(this));
    m_centralLayout->addWidget(new ServerNotice(this));
    auto registerLayout = new QHBoxLayout;
    registerLayout->addWidget(m_documentsTable);
    registerLayout->addWidget(m_filterDock);
    m_centralLayout->addLayout(registerLayout);

    m_statusLabel = new QLabel(this);
    m_statusLabel->resize(200, 20);
    m_statusLabel->resize(400, 60);
    statusBar()->addPermanentWidget(m_statusLabel, 1);
    statusBar()->setSizeGripEnabled(true);
    QFont font = statusBar()->font();
    font.setPointSize(10);
    m_statusLabel->setFont(font);

    connect(m_filterDock,
            &FilterDockWidgetAbstract::filtersChanged,
            m_documentsTable,
            &DocumentsTable::onFiltersChanged);
    // The class filter lists the classes the register holds, after every change of it.
    m_filterDock->setClasses(m_documentsTable->schoolClasses());
    connect(m_documentsTable, &DocumentsTableAbstract::reselected, m_filterDock, [this] {
        m_filterDock->setClasses(m_documentsTable->schoolClasses());
    });
    connectRegisterHelp();

    show();
    QCoreApplication::processEvents();
    ui->actionFilter->setChecked(true);
    onUpdateIcons(0);
}

MainWindow::~MainWindow()
{
    writeSettings();
    delete m_documentsTable;
    m_documentsTable = nullptr;
    delete ui;
    Database::destroy();
}

QString MainWindow::editorWarningText()
{
    return QStringLiteral(
            "<p align='justify'>Внимание!<br><br>Вы переходите в раздел \"Редактор "
            "шаблонов\".<br><br>Данный ресурс не предназначен для ввода данных учащихся и "
            "данных об образовательной организации.<br><br>Редактор шаблонов предназначен для "
            "небольшой корректировки расположения полей.<br><br>Продолжить?<br></p>");
}

void MainWindow::on_actionExit_triggered()
{
    QCoreApplication::exit(0);
}

void MainWindow::onNewTemplate()
{
    DocumentEditDialog *dialog = openEditDialog();
    dialog->loadDocument(-1);
    dialog->setTemplateMode(true);
    // A new template is listed by the chooser as soon as it is saved.
    if (m_selectTemplateDialog)
        connect(dialog,
                &DocumentEditDialog::documentsUpdated,
                m_selectTemplateDialog.data(),
                &SelectTemplateDialog::fillListWidget);
    dialog->show();
}

void MainWindow::onDocumentEdit(int sqlDocId)
{
    if (sqlDocId < 0) {
        on_actionCreateDoc_triggered();
        return;
    }
    DocumentEditDialog *dialog = openEditDialog();
    showWhenLoaded(dialog, dialog->loadDocument(sqlDocId));
}

void MainWindow::onTemplateEdit(int sqlDocId)
{
    DocumentEditDialog *dialog = openEditDialog();
    dialog->setTemplateMode(true);
    showWhenLoaded(dialog, dialog->loadDocument(sqlDocId));
}

void MainWindow::onDocumentFromTemplateCreate(int templateId)
{
    DocumentEditDialog *dialog = openEditDialog();
    showWhenLoaded(dialog, dialog->createFromTemplate(templateId));
}

void MainWindow::showWhenLoaded(DocumentEditDialog *dialog, bool loaded)
{
    // A document that could not be read was told about; its dialog is not shown.
    if (loaded)
        dialog->show();
    else
        dialog->deleteLater();
}

void MainWindow::on_actionCreateDoc_triggered()
{
    auto *dialog = new SelectTemplateDialog(this);
    m_selectTemplateDialog = dialog;
    connect(dialog,
            &SelectTemplateDialog::psIdSelected,
            this,
            &MainWindow::onDocumentFromTemplateCreate);
    connect(dialog, &SelectTemplateDialog::newTemplate, this, &MainWindow::onNewTemplate);
    connect(dialog, &SelectTemplateDialog::editTemplate, this, &MainWindow::onTemplateEdit);
    dialog->show();
}

SelectTemplateDialog *MainWindow::selectTemplateDialog() const
{
    return m_selectTemplateDialog;
}

DocumentEditDialog *MainWindow::editDialog() const
{
    return m_editDialog;
}

DocumentEditDialog *MainWindow::openEditDialog()
{
    auto *dialog = new DocumentEditDialog(this);
    m_editDialog = dialog;
    connect(dialog,
            &DocumentEditDialog::documentsUpdated,
            m_documentsTable,
            &DocumentsTableAbstract::updateData);
    connect(dialog,
            &DocumentEditDialog::documentPrint,
            m_printController,
            &PrintController::printDocument);
    return dialog;
}

void MainWindow::on_actionSettings_triggered()
{
    auto dialog = new OptionsDialog(this);
    // An open check list shows what the new data still leave wrong.
    if (PrintCheckDialog *check = m_printController->checkDialog())
        connect(dialog, &OptionsDialog::updateOptions, check, &PrintCheckDialog::recheck);
    dialog->show();
}

void MainWindow::on_actionEditor_triggered()
{
    if (m_editTemplateChooser)
        return;
    if (m_askBeforeEditor) {
        QMessageBox box(QMessageBox::Information,
                        QStringLiteral("Внимание!"),
                        editorWarningText(),
                        QMessageBox::Yes | QMessageBox::No);
        box.setTextFormat(Qt::RichText);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        auto dontAsk = new QCheckBox(QStringLiteral("Больше не предупреждать"), &box);
        box.setCheckBox(dontAsk);
        // Takes effect at once, whichever button closes the box.
        connect(dontAsk, &QCheckBox::toggled, this, [this](bool checked) {
            m_askBeforeEditor = !checked;
        });
        if (box.exec() != QMessageBox::Yes)
            return;
    }
    auto *chooser = new PrintDialog(this);
    chooser->setEditTemplateMode();
    m_editTemplateChooser = chooser;
    connect(chooser,
            &PrintDialog::reportTypeSelected,
            m_engine,
            [this](ReportList::ReportType type, bool) { m_engine->onGuiEdit(type); });
    chooser->show();
}

void MainWindow::onUpdateIcons(int selectedCount)
{
    ui->actionRemove->setVisible(selectedCount > 0);
    ui->actionEdit->setVisible(selectedCount == 1);
    // Any number of documents prints as one batch.
    ui->actionPrint->setVisible(selectedCount >= 1);
    ui->actionCopy->setVisible(selectedCount == 1);
}

void MainWindow::on_actionSaveDb_triggered()
{
    const QString proposed = QDir(m_backupFolder)
                                     .filePath(QStringLiteral("ZrPs")
                                               + QDate::currentDate().toString(
                                                       QStringLiteral("-backup-yyyy-MM-dd"))
                                               + QStringLiteral(".db"));
    const QString path = QFileDialog::getSaveFileName(this,
                                                      QStringLiteral("Save file"),
                                                      proposed,
                                                      QStringLiteral("Database files (*.db)"),
                                                      nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    QString error;
    if (Database::backup(path, &error))
        emit m_engine->error(QStringLiteral("Резервная копия успешно создана."),
                             QStringLiteral("Информация"));
    else
        emit m_engine->error(QStringLiteral("Не удалось сохранить резервную копию.\n") + error,
                             QStringLiteral("Ошибка"));
}

void MainWindow::on_actionTransferRegister_triggered()
{
    if (Database::onServer()) {
        emit m_engine->error(QStringLiteral("Реестр уже на сервере %1.")
                                     .arg(Database::registerAddress().toString()),
                             QStringLiteral("Информация"));
        return;
    }
    RegisterTransferDialog(this).exec();
}

void MainWindow::on_actionLoadDb_triggered()
{
    const QString path = QFileDialog::getOpenFileName(this,
                                                      QStringLiteral("Open file"),
                                                      m_backupFolder,
                                                      QStringLiteral("Database files (*.db)"),
                                                      nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        restoreFrom(path);
    m_documentsTable->updateData();
}

void MainWindow::restoreFrom(const QString &path)
{
    // The chosen file is looked at, read-only, before anything is replaced.
    const Database::Inspection found = Database::inspect(path);
    if (!found.failure.ok()) {
        emit m_engine->error(Database::backupRefusalText(path, found.failure),
                             QStringLiteral("Ошибка"));
        return;
    }
    QMessageBox question(
            QMessageBox::Question,
            QStringLiteral("Внимание!"),
            QStringLiteral("Восстановить реестр из резервной копии %1?\n\nДокументов в "
                           "копии: %2\nПоследнее изменение: %3\n\nТекущий реестр будет "
                           "заменён; он сохранится в папке данных под именем "
                           "ZrPs_before-restore_<время>.db.")
                    .arg(QDir::toNativeSeparators(path))
                    .arg(found.documents)
                    .arg(Database::changeDateText(found.newestChange)),
            QMessageBox::Yes | QMessageBox::No,
            this);
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() != QMessageBox::Yes)
        return;
    // The file it reads is replaced by one that passed the whole check.
    delete m_integrityCheck;
    QString error;
    QString kept;
    if (Database::restore(path, &error, &kept))
        emit m_engine->error(QStringLiteral("Резервная копия успешно загружена.\nПрежний реестр "
                                            "сохранён в файле %1.")
                                     .arg(QDir::toNativeSeparators(kept)),
                             QStringLiteral("Информация"));
    else
        emit m_engine->error(QStringLiteral("Не удалось загрузить резервную копию.\n") + error,
                             QStringLiteral("Ошибка"));
}

void MainWindow::checkRegisterInBackground()
{
    if (m_integrityCheck || Database::onServer() || Database::openedDespiteDamage())
        return;
    m_integrityCheck = new IntegrityCheck(SqliteEngine::instance(), Database::databasePath(), this);
    connect(m_integrityCheck, &IntegrityCheck::finished, this, &MainWindow::onIntegrityChecked);
    m_integrityCheck->start();
}

void MainWindow::onIntegrityChecked(const RegisterFailure &found)
{
    if (found.kind == RegisterFailure::Kind::Damaged) {
        if (DamageQuestion::ask(found, DamageQuestion::Leaving::NotOffered, this)
            == DamageQuestion::Choice::Restored)
            m_documentsTable->updateData();
    } else if (!found.ok()) {
        emit m_engine->error(found.text(QDir::toNativeSeparators(Database::databasePath())),
                             QStringLiteral("Ошибка"));
    }
}

void MainWindow::on_actionRemove_triggered()
{
    m_documentsTable->onDeleteAction();
}

void MainWindow::on_actionPrint_triggered()
{
    m_documentsTable->onPrintAction();
}

void MainWindow::on_actionEdit_triggered()
{
    m_documentsTable->onEditAction();
}

void MainWindow::on_actionCopy_triggered()
{
    m_documentsTable->onCopyRecordAction();
}

void MainWindow::on_actionAbout_triggered()
{
    auto dialog = new AboutDialog(this);
    dialog->show();
}

void MainWindow::on_actionCheckUpdates_triggered()
{
    checkUpdates(false);
}

void MainWindow::on_actionPreferences_triggered()
{
    if (m_preferencesDialog)
        return;
    auto dialog = new PreferencesDialog(this);
    m_preferencesDialog = dialog;
    dialog->show();
}

void MainWindow::on_actionForumUrl_triggered()
{
    QDesktopServices::openUrl(QUrl(forumUrl));
}

void MainWindow::on_actionTip_triggered()
{
    auto dialog = new TipsDialog(this);
    dialog->show();
}

void MainWindow::on_actionImport_triggered()
{
    auto *wizard = new ImportWizard(this);
    // The new documents are shown whatever the filter was, and selected.
    connect(wizard, &ImportWizard::documentsImported, this, [this](const QList<int> &ids) {
        m_filterDock->clearForms();
        m_documentsTable->updateData();
        m_documentsTable->selectDocuments(ids);
    });
    wizard->show();
}

void MainWindow::connectRegisterHelp()
{
    connect(m_documentsTable, &DocumentsTable::countChanged, this, &MainWindow::showCount);
    // A large register is still being read; its count follows once it is whole.
    if (m_documentsTable->isComplete())
        showCount(m_documentsTable->totalCount(), m_documentsTable->shownCount());
    // Ticked, the date filter starts with the whole register, never with an empty list.
    connect(m_filterDock, &FilterDockWidget::dateFilterSwitchedOn, this, [this] {
        const QPair<QDate, QDate> range = m_documentsTable->issueDateRange();
        if (range.first.isValid())
            m_filterDock->setDateRange(range.first, range.second);
    });
    auto newTemplate = new QAction(QStringLiteral("Создать шаблон документа..."), this);
    connect(newTemplate, &QAction::triggered, this, &MainWindow::onNewTemplate);
    m_documentsTable->setEmptyRegisterActions({newTemplate, ui->actionImport, ui->actionUserGuide});
    auto resetFilters = new QAction(QStringLiteral("Сбросить фильтры"), this);
    connect(resetFilters, &QAction::triggered, m_filterDock, &FilterDockWidget::clearForms);
    m_documentsTable->setNoMatchActions({resetFilters});
}

void MainWindow::showCount(int total, int shown)
{
    const QLocale russian(QLocale::Russian);
    m_statusLabel->setText(QStringLiteral("Документов: %1, показано: %2")
                                   .arg(russian.toString(total), russian.toString(shown)));
}

void MainWindow::on_actionUserGuide_triggered()
{
    if (m_userGuide) {
        m_userGuide->raise();
        m_userGuide->activateWindow();
        return;
    }
    m_userGuide = new UserGuideWindow(this);
    m_userGuide->show();
}

void MainWindow::on_actionPrinterCalibration_triggered()
{
    if (m_calibrationDialog)
        return;
    m_calibrationDialog = new PrinterCalibrationDialog(this);
    m_calibrationDialog->show();
}

PrintJournalWindow *MainWindow::printJournalWindow() const
{
    return m_journalWindow;
}

void MainWindow::on_actionCheckDocuments_triggered()
{
    QList<int> ids = m_documentsTable->actedOnIds();
    // Nothing selected: every document the register shows, read whole first.
    if (ids.isEmpty()) {
        m_documentsTable->fetchAll();
        for (int row = 0; row < m_documentsTable->model()->rowCount(); ++row) {
            if (!m_documentsTable->isRowHidden(row))
                ids << m_documentsTable->model()->index(row, 0).data().toInt();
        }
    }
    if (ids.isEmpty()) {
        emit m_engine->error(QStringLiteral("В реестре нет документов для проверки."),
                             QStringLiteral("Внимание!"));
        return;
    }
    m_printController->checkDocuments(ids);
}

void MainWindow::on_actionPrintJournal_triggered()
{
    if (m_journalWindow) {
        m_journalWindow->raise();
        m_journalWindow->activateWindow();
        return;
    }
    m_journalWindow = new PrintJournalWindow(this);
    connect(m_journalWindow.data(),
            &PrintJournalWindow::documentOpenRequested,
            this,
            &MainWindow::onDocumentEdit);
    m_journalWindow->show();
}

void MainWindow::on_actionRegisterBook_triggered()
{
    auto dialog = new RegisterBookDialog(this);
    dialog->show();
}

void MainWindow::openHistoryDialog(int sqlDocId)
{
    auto dialog = new HistoryDialog(sqlDocId, this);
    connect(dialog, &HistoryDialog::documentRestored, this, [this](int restored) {
        m_documentsTable->updateData();
        m_documentsTable->selectDocuments({restored});
    });
    dialog->show();
}

void MainWindow::on_actionDeletedDocuments_triggered()
{
    auto dialog = new DeletedDocumentsDialog(this);
    connect(dialog,
            &DeletedDocumentsDialog::documentsRestored,
            this,
            [this](const QList<int> &restored) {
                m_documentsTable->updateData();
                m_documentsTable->selectDocuments(restored);
            });
    dialog->show();
}

void MainWindow::on_actionAssignNumbers_triggered()
{
    const QList<int> ids = m_documentsTable->actedOnIds();
    if (ids.isEmpty()) {
        emit m_engine->error(QStringLiteral("Выделите в таблице документы, которым нужно "
                                            "присвоить номера."),
                             QStringLiteral("Внимание!"));
        return;
    }
    openNumberingDialog(ids);
}

void MainWindow::openNumberingDialog(const QList<int> &ids)
{
    auto *dialog = new NumberingDialog(ids, this);
    connect(dialog, &NumberingDialog::numbersAssigned, this, [this](const QList<int> &numbered) {
        m_documentsTable->updateData();
        m_documentsTable->selectDocuments(numbered);
    });
    dialog->show();
}
