#include "database/database.h"
#include "faultchild.h"
#include "modalanswerer.h"
#include "printing/defaulttemplates.h"
#include "printing/pdfexport.h"
#include "printing/reportlist.h"
#include "settings/optionsdialog.h"
#include "testhome.h"

#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <memory>

class TestOptionsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshDatabaseOpensEmpty();
    void buttons_data();
    void buttons();
    void dateShowsTheStoredTextUnchanged();
    void namesReachTheExportedPdf();
    void failedSaveKeepsTheDialog_data();
    void failedSaveKeepsTheDialog();
    void unreadOptionsAreNotSavedOverStoredOnes();

private:
    std::unique_ptr<QTemporaryDir> m_data;
    QPointer<OptionsDialog> m_dialog;
};

namespace {
const QStringList before{"Школа №1", "Школы №1", "Школе №1", "Тверь", "Иванов И. И."};
const QStringList keys{
        "Data/OrgName_1", "Data/OrgName_2", "Data/OrgName_3", "Data/City", "Data/Boss_1"};
const QStringList edits{"lineEditOrgName_1",
                        "lineEditOrgName_2",
                        "lineEditOrgName_3",
                        "lineEditCity",
                        "lineEditBoss_1"};
} // namespace

void TestOptionsDialog::init()
{
    Database::destroy();
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    QSettings(Database::userPath() + "//settings.ini", QSettings::IniFormat).clear();
    Database::destroy();
    QVERIFY(Database::create());
    Database::migrateLegacySettings(m_data->filePath("ZrPs.ini"));
}

void TestOptionsDialog::cleanup()
{
    delete m_dialog;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    Database::destroy();
}

void TestOptionsDialog::freshDatabaseOpensEmpty()
{
    m_dialog = new OptionsDialog;
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Настройки"));
    QVERIFY(m_dialog->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(m_dialog->windowModality(), Qt::ApplicationModal);
    for (QLineEdit *edit : m_dialog->findChildren<QLineEdit *>())
        QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName()));
    QVERIFY(m_dialog->findChild<QLineEdit *>("lineEditDate")->isReadOnly());
    QVERIFY(m_dialog->findChild<QWidget *>("groupBox_8")->isHidden());
}

void TestOptionsDialog::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<bool>("dateUpdated");

    QTest::newRow("saving without changes rewrites every key and the date")
            << "pushButtonSave" << QStringList() << before << true;
    QTest::newRow("typed values are stored as typed, spaces included")
            << "pushButtonSave" << QStringList{" Лицей ", "Лицея", "Лицее", "Тула", "Петрова О'Нил"}
            << QStringList{" Лицей ", "Лицея", "Лицее", "Тула", "Петрова О'Нил"} << true;
    QTest::newRow("cancel stores nothing")
            << "pushButtonCancel" << QStringList{"Лицей", "Лицея", "Лицее", "Тула", "Петрова"}
            << before << false;
}

void TestOptionsDialog::buttons()
{
    QFETCH(QString, button);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, stored);
    QFETCH(bool, dateUpdated);

    for (int i = 0; i < keys.size(); ++i)
        Database::setVariable(keys.at(i), before.at(i));
    Database::setVariable("Data/Date", "2001-01-01 00:00:00");

    m_dialog = new OptionsDialog;
    m_dialog->show();
    for (int i = 0; i < edits.size(); ++i) {
        auto edit = m_dialog->findChild<QLineEdit *>(edits.at(i));
        QCOMPARE(edit->text(), before.at(i));
        if (!typed.isEmpty())
            edit->setText(typed.at(i));
    }
    QSignalSpy updated(m_dialog.data(), &OptionsDialog::updateOptions);
    const QDateTime clicked = QDateTime::currentDateTime();
    m_dialog->findChild<QPushButton *>(button)->click();
    QVERIFY(m_dialog->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_dialog);

    QCOMPARE(updated.count(), dateUpdated ? 1 : 0);
    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(Database::getVariable(keys.at(i)), stored.at(i));
    const QString date = Database::getVariable("Data/Date");
    if (dateUpdated) {
        const QDateTime saved = QDateTime::fromString(date, "yyyy-MM-dd hh:mm:ss");
        QVERIFY2(saved.isValid(), qPrintable(date));
        QVERIFY(qAbs(saved.secsTo(clicked)) <= 2);
    } else {
        QCOMPARE(date, QStringLiteral("2001-01-01 00:00:00"));
    }
    // The window's place is kept for the next time.
    QVERIFY(Database::userSettings()->contains("ZrPs/OptionsDialogGeometry"));
}

void TestOptionsDialog::dateShowsTheStoredTextUnchanged()
{
    Database::setVariable("Data/Date", "вчера, около пяти");
    m_dialog = new OptionsDialog;
    QCOMPARE(m_dialog->findChild<QLineEdit *>("lineEditDate")->text(),
             QStringLiteral("вчера, около пяти"));
}

// ZR_SCREENSHOT_DIR=/some/folder ./tst_optionsdialog namesReachTheExportedPdf types the
// names into the dialog and exports options-id3339.pdf to look at (pdftoppm -png).
void TestOptionsDialog::namesReachTheExportedPdf()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOT_DIR to export the PDF");
    DefaultTemplates::install();
    delete Database::execQuery("INSERT INTO PsDocuments (isTemplate, fio1, fio2, fio3) "
                               "VALUES (0, 'Иванов', 'Пётр', 'Сергеевич');");
    m_dialog = new OptionsDialog;
    const QStringList typed{"МБОУ \"Средняя школа №5\"",
                            "МБОУ \"Средней школы №5\"",
                            "МБОУ \"Средней школе №5\"",
                            "Тверь",
                            "Смирнова Анна Ивановна"};
    for (int i = 0; i < edits.size(); ++i)
        m_dialog->findChild<QLineEdit *>(edits.at(i))->insert(typed.at(i));
    m_dialog->findChild<QPushButton *>("pushButtonSave")->click();

    std::unique_ptr<QSqlQuery> id(Database::execQuery("SELECT MAX(psId) FROM PsDocuments;"));
    QVERIFY(id->next());
    PdfExport::Request request;
    request.output = folder + "/options-id3339.pdf";
    request.form = "id3339";
    request.documents = id->value(0).toString();
    QString errors;
    QTextStream err(&errors);
    QCOMPARE(PdfExport::exportPdf(request, err), 0);
    QVERIFY2(errors.isEmpty(), qPrintable(errors));
}

// Types new names, makes the fault and presses Save; true when the dialog stayed open
// after saying why.
bool saveRefused(QPointer<OptionsDialog> &dialog, const std::function<void()> &fault = {})
{
    ModalAnswerer answerer;
    answerer.expectButton("Ошибка", "Настройки не сохранены", QDialogButtonBox::Ok);
    dialog = new OptionsDialog;
    dialog->show();
    for (const QString &name : edits)
        dialog->findChild<QLineEdit *>(name)->setText("Новое значение");
    if (fault)
        fault();
    dialog->findChild<QPushButton *>("pushButtonSave")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return answerer.pending() == 0 && answerer.unexpected().isEmpty() && dialog
           && dialog->isVisible()
           && dialog->findChild<QLineEdit *>("lineEditCity")->text() == "Новое значение";
}

void addChildren()
{
    FaultChild::add("save-options", [](const QStringList &) {
        if (!Database::create())
            return 3;
        QPointer<OptionsDialog> dialog;
        const bool refused = saveRefused(dialog);
        delete dialog;
        return refused ? 0 : 1;
    });
}

void TestOptionsDialog::failedSaveKeepsTheDialog_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("a trigger refuses the city") << "trigger";
    QTest::newRow("another program holds the register") << "locked";
    QTest::newRow("the disk is full") << "full";
}

void TestOptionsDialog::failedSaveKeepsTheDialog()
{
    QFETCH(QString, fault);
    for (int i = 0; i < keys.size(); ++i)
        Database::setVariable(keys.at(i), before.at(i));
    Database::setVariable("Data/Date", "2001-01-01 00:00:00");

    FaultChild::Child holder;
    if (fault == "trigger") {
        // The first keys go in before the city fails: all of them must be taken back.
        delete Database::execQuery(
                "CREATE TRIGGER refuse BEFORE INSERT ON Variables "
                "WHEN NEW.Name = 'Data/City' BEGIN SELECT RAISE(ABORT, 'no'); END;");
        QVERIFY(saveRefused(m_dialog));
    } else if (fault == "locked") {
        QVERIFY(saveRefused(m_dialog, [&holder] {
            holder = FaultChild::hold("hold-exclusive", {Database::databasePath()});
        }));
        holder.reset();
    } else {
        Database::destroy();
        // No file may grow past 4 KB: not even the rollback journal can be written.
        const FaultChild::Result child = FaultChild::run("save-options", {}, 4096);
        QVERIFY2(child.status == 0, qPrintable(child.output));
        QVERIFY(Database::create());
    }

    std::unique_ptr<QSqlQuery> check(Database::execQuery("PRAGMA integrity_check;"));
    QVERIFY(check->next());
    QCOMPARE(check->value(0).toString(), QString("ok"));
    std::unique_ptr<QSqlQuery> rows(Database::execQuery("SELECT COUNT(*) FROM Variables;"));
    QVERIFY(rows->next());
    QCOMPARE(rows->value(0).toInt(), keys.size() + 1);
    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(Database::getVariable(keys.at(i)), before.at(i));
    QCOMPARE(Database::getVariable("Data/Date"), QString("2001-01-01 00:00:00"));
}

void TestOptionsDialog::unreadOptionsAreNotSavedOverStoredOnes()
{
    for (int i = 0; i < keys.size(); ++i)
        Database::setVariable(keys.at(i), before.at(i));
    {
        // Another program writes while the dialog opens: nothing can be read.
        FaultChild::Child holder = FaultChild::hold("hold-exclusive", {Database::databasePath()});
        ModalAnswerer answerer;
        answerer.expectButton("Ошибка", "не прочитаны", QDialogButtonBox::Ok);
        m_dialog = new OptionsDialog;
        QCOMPARE(answerer.pending(), 0);
        QVERIFY(answerer.unexpected().isEmpty());
    }
    // The register is free again: the empty fields must not replace the stored data.
    m_dialog->show();
    m_dialog->findChild<QPushButton *>("pushButtonSave")->click();
    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(Database::getVariable(keys.at(i)), before.at(i));
}

ZR_TEST_MAIN_WITH_CHILDREN(TestOptionsDialog, addChildren)
#include "tst_optionsdialog.moc"
