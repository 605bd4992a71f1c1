#include "../editfixture.h"
#include "documents/additionaleditdialog.h"
#include "documents/documentbin.h"
#include "documents/documenteditdialog.h"
#include "documents/documentstable.h"
#include "documents/documentstore.h"
#include "documents/history/documenthistory.h"
#include "documents/history/historydescription.h"
#include "documents/history/historydialog.h"
#include "documents/history/organisationhistory.h"
#include "documents/import/documentimporter.h"
#include "modalanswerer.h"
#include "printing/printjournal.h"
#include "printing/printjournalwindow.h"
#include "settings/optionsdialog.h"
#include "settings/organisationhistorydialog.h"
#include "testhome.h"

#include <QAction>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlRecord>
#include <QSysInfo>
#include <QTableView>
#include <QTableWidget>

namespace {

const QString refuseHistory
        = QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON PsDocumentHistory "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END;");

// Every stored value of the documents, their appendix rows, the print journal and the
// organisation's data, to tell whether anything changed.
QStringList registerRows()
{
    QStringList rows;
    for (const QString &sql : {QStringLiteral("SELECT * FROM PsDocuments ORDER BY psId"),
                               QStringLiteral("SELECT * FROM PsDocumentDetails ORDER BY psDetId"),
                               QStringLiteral("SELECT * FROM PrintJournal ORDER BY journalId"),
                               QStringLiteral("SELECT * FROM Variables ORDER BY Name")}) {
        QSqlQuery query(sql);
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << query.value(i).toString();
            rows << values.join('|');
        }
    }
    return rows;
}

// The newest version's line of a document, or of the organisation's data for 0, as the
// history windows and --history tell it.
QString newestLine(int psId)
{
    if (psId == 0) {
        QVector<OrganisationHistory::Change> changes;
        if (!OrganisationHistory::changes(&changes) || changes.isEmpty())
            return QStringLiteral("<no change>");
        return OrganisationHistory::description(changes.constLast());
    }
    QVector<DocumentHistory::Version> versions;
    if (!DocumentHistory::versions(psId, &versions) || versions.isEmpty())
        return QStringLiteral("<no version>");
    return HistoryDescription::of(versions.constLast(),
                                  versions.size() > 1 ? &versions.at(versions.size() - 2)
                                                      : nullptr);
}

const QString spoiledPath = QStringLiteral("spoiled blank in the print journal");

// What a path asks before it changes anything.
void answerQuestions(const QString &path, ModalAnswerer &answerer)
{
    if (path == spoiledPath)
        answerer.expect(PrintJournal::defaultSpoiledReason(), "Иванов", [](QWidget *dialog) {
            dialog->findChild<QLineEdit *>()->setText("Замятие бумаги");
            ModalAnswerer::clickButton(dialog, QDialogButtonBox::Ok);
        });
}

} // namespace

class TestDocumentHistory : public QObject, public EditFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { stop(); }

    void recordingPaths_data();
    void recordingPaths();
    void restoreVersion_data();
    void restoreVersion();
    void historyCommand_data();
    void historyCommand();

private:
    // The change made through the program's own code; false when it said it failed.
    bool change(const QString &path);

    int m_pupil = 0;
    int m_template = 0;
};

void TestDocumentHistory::init()
{
    start();
    qputenv("USER", "uchitel");
    m_pupil = insertRow({"Иванов",
                         "Пётр",
                         "Ильич",
                         "2013-01-07",
                         "000123",
                         "15",
                         "2024-05-30",
                         "2024-05-30 10:00:00"});
    insertDetail(m_pupil, "Математика", "4");
    insertDetail(m_pupil, "Русский язык", "5");
    // As the edit dialog stores what the patronymic tells.
    QVERIFY(exec(QString("UPDATE PsDocuments SET gender = 'm' WHERE psId = %1").arg(m_pupil)));
    Row templateRow{"Шаблон 4А"};
    templateRow.issueDate = "2024-05-30";
    templateRow.isTemplate = 1;
    m_template = insertRow(templateRow);
    // Rows put in by hand have no history yet: they get their first versions as a register
    // kept before the history does.
    DocumentHistory::startForExisting(QSqlDatabase::database());
}

bool TestDocumentHistory::change(const QString &path)
{
    if (path == "edit dialog" || path == "template in the edit dialog") {
        const bool isTemplate = path != "edit dialog";
        QPointer<DocumentEditDialog> dialog = new DocumentEditDialog;
        dialog->setTemplateMode(isTemplate);
        dialog->loadDocument(isTemplate ? m_template : m_pupil);
        dialog->on_pushButtonEdit_clicked();
        dialog->findChild<QLineEdit *>(isTemplate ? "lineEditFio_1" : "lineEditNumber")
                ->setText(isTemplate ? "Шаблон 4Б" : "000124");
        const bool saved = dialog->saveDocument();
        delete dialog.data();
        if (isTemplate)
            m_pupil = m_template;
        return saved;
    }
    if (path == "new document in the edit dialog") {
        QPointer<DocumentEditDialog> dialog = new DocumentEditDialog;
        dialog->loadDocument(-1);
        dialog->findChild<QLineEdit *>("lineEditFio_1")->setText("Новиков");
        const bool saved = dialog->saveDocument();
        m_pupil = dialog->documentId();
        delete dialog.data();
        return saved;
    }
    if (path == "appendix editor") {
        QPointer<AdditionalEditDialog> dialog = new AdditionalEditDialog;
        dialog->loadAppendix(m_pupil);
        dialog->on_pushButtonEditForm_clicked();
        QAbstractItemModel *model = dialog->findChild<QTableView *>("tableView")->model();
        model->setData(model->index(0, 1), "5");
        const bool saved = dialog->saveAppendix();
        delete dialog.data();
        return saved;
    }
    if (path == "import") {
        ImportPlan::Entry entry;
        entry.line = 2;
        entry.record.fio1 = "Сидорова";
        entry.record.disciplines = {{"Математика", "5"}};
        QList<int> ids;
        QString error;
        const bool written = DocumentImporter::write({entry}, &ids, &error);
        m_pupil = ids.value(0);
        return written;
    }
    if (path == "copy in the table") {
        DocumentsTable table;
        table.selectRow(0);
        const int before = scalar("SELECT MAX(psId) FROM PsDocuments").toInt();
        table.onCopyRecordAction();
        const int after = scalar("SELECT MAX(psId) FROM PsDocuments").toInt();
        m_pupil = after;
        return after > before;
    }
    if (path == "numbering") {
        QStringList collisions;
        return DocumentStore::assignNumbers({{m_pupil, "000200", QString()}}, &collisions)
               == DocumentStore::NumberingResult::Assigned;
    }
    if (path == "organisation data") {
        QPointer<OptionsDialog> dialog = new OptionsDialog;
        dialog->show();
        dialog->findChild<QLineEdit *>("lineEditOrgName_1")->setText("Лицей №2");
        dialog->findChild<QPushButton *>("pushButtonSave")->click();
        const bool saved = dialog->isHidden();
        delete dialog.data();
        m_pupil = 0;
        return saved;
    }
    if (path == spoiledPath) {
        auto window = std::make_unique<PrintJournalWindow>();
        window->show();
        window->findChild<QTableWidget *>("tableWidgetEntries")->selectRow(0);
        window->findChild<QPushButton *>("pushButtonSpoiled")->click();
        return scalar("SELECT spoiled FROM PrintJournal").toInt() == 1;
    }
    if (path == "move to the bin")
        return DocumentBin::moveIn({m_pupil});
    if (path == "restore from the bin")
        return DocumentBin::restore({m_pupil});
    qFatal("no path %s", qPrintable(path));
}

void TestDocumentHistory::recordingPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("line");    // the newest version's line
    QTest::addColumn<QString>("failure"); // told when the history cannot be written

    QTest::newRow("edit dialog") << "edit dialog"
                                 << "Номер свидетельства: 000123 → 000124"
                                 << "Документ не сохранён";
    QTest::newRow("template") << "template in the edit dialog"
                              << "Фамилия: Шаблон 4А → Шаблон 4Б"
                              << "Шаблон не сохранён";
    QTest::newRow("new document") << "new document in the edit dialog"
                                  << "Создан"
                                  << "Документ не сохранён";
    QTest::newRow("appendix editor") << "appendix editor"
                                     << "Оценка по предмету «Математика»: 4 → 5"
                                     << "Приложение к документу не сохранено";
    QTest::newRow("import") << "import"
                            << "Загружен из таблицы"
                            << "";
    QTest::newRow("copy") << "copy in the table"
                          << "Создан как копия другого документа"
                          << "Не удалось создать копию документа";
    QTest::newRow("numbering") << "numbering"
                               << "Номер свидетельства: 000123 → 000200"
                               << "";
    QTest::newRow("bin") << "move to the bin"
                         << "Перемещён в «Удалённые документы»"
                         << "";
    QTest::newRow("back from the bin") << "restore from the bin"
                                       << "Восстановлен из «Удалённых документов»"
                                       << "";
    QTest::newRow("organisation data") << "organisation data"
                                       << "«Название организации»: Школа №1 → Лицей №2"
                                       << "Настройки не сохранены";
    // A mark the register turned away is kept to be written later, with its line.
    QTest::newRow("spoiled blank")
            << spoiledPath
            << "Бланк отмечен испорченным в журнале печати (напечатан 30.05.2024 09:00, "
               "номер 000123; причина: Замятие бумаги)"
            << "Отметка о порче бланка не внесена в реестр";
}

void TestDocumentHistory::recordingPaths()
{
    QFETCH(QString, path);
    QFETCH(QString, line);
    QFETCH(QString, failure);

    if (path == "restore from the bin")
        QVERIFY(DocumentBin::moveIn({m_pupil}));
    if (path == "organisation data")
        QVERIFY(Database::setVariable("Data/OrgName_1", "Школа №1"));
    if (path == spoiledPath) {
        PrintJournal::Entry entry;
        entry.documentId = m_pupil;
        entry.fio = "Иванов Пётр Ильич";
        entry.number = "000123";
        entry.printedAt = QDateTime(QDate(2024, 5, 30), QTime(9, 0));
        entry.printer = "Kyocera";
        entry.pages = 2;
        QVERIFY(PrintJournal::add(entry) > 0);
    }
    const QStringList before = registerRows();
    const int versions = count("SELECT historyId FROM PsDocumentHistory");
    {
        // The history refused: the change is refused with it and the user is told.
        QVERIFY(exec(refuseHistory));
        ModalAnswerer answerer;
        answerQuestions(path, answerer);
        if (!failure.isEmpty())
            answerer.expectButton("Ошибка", failure, QDialogButtonBox::Ok);
        const int pupil = m_pupil;
        QVERIFY(!change(path));
        m_pupil = pupil;
        QCOMPARE(answerer.pending(), 0);
        QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
        QCOMPARE(registerRows(), before);
        QCOMPARE(count("SELECT historyId FROM PsDocumentHistory"), versions);
        QVERIFY(exec("DROP TRIGGER refuse"));
    }

    {
        ModalAnswerer answerer;
        answerQuestions(path, answerer);
        QVERIFY(change(path));
        QCOMPARE(answerer.pending(), 0);
        QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    }
    QCOMPARE(newestLine(m_pupil), line);
    if (path == "organisation data") {
        QPointer<OptionsDialog> dialog = new OptionsDialog;
        dialog->findChild<QPushButton *>("pushButtonHistory")->click();
        auto *history = dialog->findChild<OrganisationHistoryDialog *>();
        QVERIFY(history && history->isVisible());
        QCOMPARE(history->findChild<QTableWidget *>()->item(0, 2)->text(), line);
        delete dialog.data();
    }
    QCOMPARE(scalar(QString("SELECT changedBy FROM PsDocumentHistory WHERE psId = %1 "
                            "ORDER BY historyId DESC")
                            .arg(m_pupil)),
             "uchitel@" + QSysInfo::machineHostName());
}

void TestDocumentHistory::restoreVersion_data()
{
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("fromEditDialog"); // else from the register table's menu
    QTest::newRow("the old grade comes back as a new version") << false << false;
    QTest::newRow("from the edit dialog, which then shows the register's document")
            << false << true;
    QTest::newRow("a refused history leaves the document as it is") << true << false;
}

void TestDocumentHistory::restoreVersion()
{
    QFETCH(bool, refused);
    QFETCH(bool, fromEditDialog);

    QVERIFY(change("appendix editor"));
    QCOMPARE(appendix(m_pupil), (QStringList{"Математика:5", "Русский язык:5"}));
    if (refused)
        QVERIFY(exec(refuseHistory));
    QPointer<DocumentEditDialog> editDialog = new DocumentEditDialog;
    QSignalSpy updated(editDialog.data(), &DocumentEditDialog::documentsUpdated);
    QPointer<HistoryDialog> dialog;
    if (fromEditDialog) {
        editDialog->loadDocument(m_pupil);
        editDialog->findChild<QPushButton *>("pushButtonHistory")->click();
        dialog = editDialog->findChild<HistoryDialog *>();
        QVERIFY(dialog);
    } else {
        DocumentsTable table;
        QSignalSpy asked(&table, &DocumentsTableAbstract::documentHistory);
        table.selectRow(0);
        table.prepareContextMenu(table.visualRect(table.model()->index(0, 1)).center());
        table.actionHistory()->trigger();
        QCOMPARE(asked.count(), 1);
        QCOMPARE(asked.first().first().toInt(), m_pupil);
        dialog = new HistoryDialog(m_pupil);
    }
    dialog->show();
    auto *versions = dialog->findChild<QTableWidget *>("tableWidgetVersions");
    QCOMPARE(versions->rowCount(), 2);
    // Newest first: the first version, as it was before the grade changed, is the last row.
    QCOMPARE(versions->item(1, 2)->text(), "Существовал до начала ведения истории");
    versions->selectRow(1);
    {
        ModalAnswerer answerer;
        if (refused)
            answerer.expectButton("Ошибка", "Версия не восстановлена", QDialogButtonBox::Ok);
        dialog->findChild<QPushButton *>("pushButtonRestore")->click();
        QCOMPARE(answerer.pending(), 0);
    }
    const QStringList grades{refused ? "Математика:5" : "Математика:4", "Русский язык:5"};
    QCOMPARE(appendix(m_pupil), grades);
    QCOMPARE(count(QString("SELECT historyId FROM PsDocumentHistory WHERE psId = %1").arg(m_pupil)),
             refused ? 2 : 3);
    QCOMPARE(versions->rowCount(), refused ? 2 : 3);
    if (!refused)
        QCOMPARE(versions->item(0, 2)->text(),
                 "Восстановлена прежняя версия: Оценка по предмету «Математика»: 5 → 4");
    QCOMPARE(updated.count(), fromEditDialog ? 1 : 0);
    delete dialog.data();
    delete editDialog.data();
}

void TestDocumentHistory::historyCommand_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines"); // who and what of each, oldest first

    const QString who = "uchitel@" + QSysInfo::machineHostName();
    QTest::newRow("a document from before the history, then a grade changed")
            << "1" << 0
            << QStringList{"\tСуществовал до начала ведения истории",
                           who + "\tОценка по предмету «Математика»: 4 → 5"};
    QTest::newRow("0 is the organisation's data")
            << "0" << 0 << QStringList{who + "\t«Город»: — → Тверь"};
    QTest::newRow("unknown document") << "99" << 1 << QStringList();
    QTest::newRow("not a number") << "Иванов" << 1 << QStringList();
}

void TestDocumentHistory::historyCommand()
{
    QFETCH(QString, id);
    QFETCH(int, status);
    QFETCH(QStringList, lines);

    // A register made before the history: its documents have none.
    QVERIFY(exec("DROP TABLE PsDocumentHistory"));
    QCOMPARE(m_pupil, 1);
    Database::destroy();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("USER", "uchitel");
    const auto run = [&env](const QStringList &args, QString *out, QString *err) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(ZRPS_BINARY, args);
        if (!process.waitForFinished(60000))
            return -1;
        *out = QString::fromUtf8(process.readAllStandardOutput());
        *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    };
    QString out;
    QString err;
    // Opening the register upgrades it; then a grade changes.
    QCOMPARE(run({"--history", "1"}, &out, &err), 0);
    Database::create();
    QVERIFY(change("appendix editor"));
    QVERIFY(OrganisationData::save({{"Data/City", "Тверь"}}));
    Database::destroy();

    QCOMPARE(run({"--history", id}, &out, &err), status);
    if (status != 0) {
        QVERIFY(out.isEmpty());
        QVERIFY(!err.isEmpty());
        return;
    }
    QStringList printed = out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(printed.size(), lines.size());
    const QRegularExpression moment("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\t");
    // The first version is dated by the document's last change before the history.
    if (id == "1")
        QVERIFY(printed.first().startsWith("30.05.2024 10:00:00\t"));
    for (int i = 0; i < printed.size(); ++i) {
        QVERIFY2(moment.match(printed.at(i)).hasMatch(), qPrintable(printed.at(i)));
        QCOMPARE(printed.at(i).mid(20), lines.at(i));
    }
}

ZR_TEST_MAIN(TestDocumentHistory)
#include "tst_documenthistory.moc"
