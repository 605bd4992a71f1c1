// Takes the pictures of the user guide from the program itself: a throw-away register
// with an invented class, each window opened and filled as a user would have it, then
// grabbed. A picture for a new section is one more entry in shots().
#include "app/appinfo.h"
#include "app/mainwindow.h"
#include "database/database.h"
#include "documents/additionaleditdialog.h"
#include "documents/appendixstore.h"
#include "documents/documenteditdialog.h"
#include "documents/documentstable.h"
#include "documents/documentstore.h"
#include "documents/filterdockwidget.h"
#include "documents/history/documenthistory.h"
#include "documents/history/historydialog.h"
#include "documents/import/importwizard.h"
#include "documents/selecttemplatedialog.h"
#include "printing/batchprintdialog.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/printcheckdialog.h"
#include "printing/printdialog.h"
#include "printing/printercalibrationdialog.h"
#include "printing/printjournal.h"
#include "printing/printjournalwindow.h"
#include "printing/registerbookdialog.h"
#include "printing/reportlist.h"
#include "settings/optionsdialog.h"
#include "settings/organisationdata.h"
#include "settings/organisationhistorydialog.h"
#include "settings/preferencesdialog.h"
#include "settings/registerchoicewidget.h"
#include "settings/registertransferdialog.h"

#include "ZrReport/reportwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>
#include <QWizard>
#include <functional>
#include <memory>

namespace {

// Wider pictures would not fit beside the guide's contents without scrolling.
constexpr int maxWidth = 700;

// The invented class, its template and the files the windows need.
class Scene
{
public:
    explicit Scene(const QString &folder)
        : m_folder(folder)
    {}

    int templateId() { return filled() ? m_templateId : 0; }
    int documentId() { return filled() ? m_documentId : 0; }
    // The girls or the boys of the class issued in 2025, in the register's order.
    QList<int> classIds(bool girls);
    QString folder() const { return m_folder; }

private:
    bool filled();
    int insert(const QStringList &values, int isTemplate);
    void addDisciplines(int id);

    QString m_folder;
    int m_templateId = 0;
    int m_documentId = 0;
};

int Scene::insert(const QStringList &values, int isTemplate)
{
    QSqlQuery query;
    query.prepare("INSERT INTO PsDocuments (isTemplate, fio1, fio2, fio3, birthDate, issueDate, "
                  "number, regNumber, editDate, decision, add1, add3) VALUES (?, ?, ?, ?, ?, ?, ?, "
                  "?, ?, ?, ?, ?)");
    query.addBindValue(isTemplate);
    for (const QString &value : values)
        query.addBindValue(value);
    if (!query.exec())
        QTextStream(stderr) << query.lastError().text() << '\n';
    return query.lastInsertId().toInt();
}

void Scene::addDisciplines(int id)
{
    const QStringList disciplines{"Русский язык",
                                  "Литературное чтение",
                                  "Иностранный язык (английский)",
                                  "Математика",
                                  "Окружающий мир",
                                  "Основы религиозных культур и светской этики",
                                  "Музыка",
                                  "Изобразительное искусство",
                                  "Технология",
                                  "Физическая культура"};
    for (int i = 0; i < disciplines.size(); ++i) {
        QSqlQuery query;
        query.prepare("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                      "VALUES (?, ?, ?)");
        query.addBindValue(id);
        query.addBindValue(disciplines.at(i));
        query.addBindValue(i == 5 ? QStringLiteral("Освоено") : QString::number(5 - (id + i) % 2));
        query.exec();
    }
}

bool Scene::filled()
{
    if (m_templateId > 0)
        return true;
    const QString decision = QStringLiteral("Решение педагогического совета от 24.05.2025 № 7");
    const QString courses = QStringLiteral("«Юный шахматист», «Разговоры о важном»");
    // The school, as "Файл" → "Настройки" keeps it.
    Database::setVariable("Data/OrgName_1", "МБОУ «Средняя школа № 12»");
    Database::setVariable("Data/OrgName_2", "МБОУ «Средняя школа № 12»");
    Database::setVariable("Data/OrgName_3", "МБОУ «Средняя школа № 12»");
    Database::setVariable("Data/City", "Калуга");
    Database::setVariable("Data/Boss_1", "Соколова Наталья Викторовна");
    m_templateId = insert({"4А, 2025",
                           "",
                           "",
                           "",
                           "2025-05-26",
                           "",
                           "",
                           "2025-04-14 10:02:00",
                           decision,
                           courses,
                           ""},
                          1);
    addDisciplines(m_templateId);
    const QStringList surnames{"Алексеева", "Белов",    "Васильев", "Григорьева", "Данилов",
                               "Егорова",   "Жуков",    "Зайцева",  "Иванов",     "Калинина",
                               "Лебедев",   "Морозова", "Никитин",  "Орлова",     "Павлов",
                               "Романова",  "Семёнов",  "Тихонова", "Уваров",     "Фёдорова",
                               "Фролов",    "Чернова",  "Широков",  "Яковлева"};
    const QStringList girls{"Анна", "Дарья", "Софья", "Полина", "Мария", "Алиса"};
    const QStringList boys{"Илья", "Максим", "Артём", "Кирилл", "Иван", "Егор"};
    const QStringList fathers{"Сергеев", "Андреев", "Олегов", "Игорев", "Петров", "Дмитриев"};
    QSqlDatabase::database().transaction();
    for (int i = 0; i < surnames.size(); ++i) {
        const QDate birth = QDate(2014, 1, 9).addDays(i * 13);
        const bool girl = surnames.at(i).endsWith(QChar(0x0430));
        const int id = insert({surnames.at(i),
                               (girl ? girls : boys).at(i % 6),
                               fathers.at(i % 6) + (girl ? "на" : "ич"),
                               birth.toString(Qt::ISODate),
                               i < 20 ? "2025-05-26" : "2024-05-27",
                               QString("07124%1").arg(3310 + i),
                               QString::number(118 + i),
                               QString("2025-05-%1 09:%2:00").arg(26 + i % 3).arg(10 + i, 2),
                               decision,
                               courses,
                               i % 5 ? "" : "Призёр школьной олимпиады по математике"},
                              0);
        addDisciplines(id);
        if (surnames.at(i) == QStringLiteral("Фёдорова"))
            m_documentId = id;
    }
    QSqlDatabase::database().commit();
    return true;
}

QList<int> Scene::classIds(bool girls)
{
    QList<int> ids;
    if (!filled())
        return ids;
    QSqlQuery query("SELECT psId, fio1 FROM PsDocuments WHERE isTemplate = 0 AND issueDate = "
                    "'2025-05-26' ORDER BY fio1");
    while (query.next()) {
        if (query.value(1).toString().endsWith(QChar(0x0430)) == girls)
            ids << query.value(0).toInt();
    }
    return ids;
}

// Shown, laid out and painted, then grabbed.
QImage picture(QWidget *window)
{
    window->show();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QImage image = window->grab().toImage();
    if (image.width() > maxWidth)
        image = image.scaledToWidth(maxWidth, Qt::SmoothTransformation);
    return image;
}

// The server fields of a register form as a school would fill them in.
void fillServer(QWidget *form, const QString &user)
{
    form->findChild<QRadioButton *>("radioButtonServer")->setChecked(true);
    form->findChild<QLineEdit *>("lineEditServerHost")->setText("server.school.local");
    form->findChild<QLineEdit *>("lineEditServerDatabase")->setText("zrps");
    form->findChild<QLineEdit *>("lineEditServerUser")->setText(user);
}

// The main window closes the register when it goes, so it is opened again after.
QImage mainWindowPicture(const std::function<void(MainWindow *)> &prepare)
{
    Database::userSettings()->setValue("ZrPs/showTipsOnStartup", false);
    QImage image;
    {
        MainWindow window;
        window.resize(800, 600);
        prepare(&window);
        image = picture(&window);
    }
    Database::create();
    return image;
}

struct Shot
{
    const char *name;
    std::function<QImage(Scene &)> take;
};

QList<Shot> shots()
{
    return {
            {"first-start", [](Scene &) { return mainWindowPicture([](MainWindow *) {}); }},
            {"select-template-empty",
             [](Scene &) {
                 std::unique_ptr<SelectTemplateDialog> dialog(new SelectTemplateDialog);
                 return picture(dialog.get());
             }},
            {"register",
             [](Scene &scene) {
                 scene.documentId();
                 return mainWindowPicture([](MainWindow *window) {
                     window->filterDock()->findChild<QLineEdit *>("lineEditFio1")->setText("ова");
                     window->filterDock()->apply();
                     DocumentsTable *table = window->documentsTable();
                     for (int row = 0; row < table->model()->rowCount(); ++row) {
                         if (!table->isRowHidden(row)) {
                             table->selectRow(row);
                             break;
                         }
                     }
                 });
             }},
            {"select-template",
             [](Scene &scene) {
                 scene.templateId();
                 std::unique_ptr<SelectTemplateDialog> dialog(new SelectTemplateDialog);
                 dialog->findChild<QListWidget *>("listWidget")->setCurrentRow(0);
                 return picture(dialog.get());
             }},
            {"document",
             [](Scene &scene) {
                 std::unique_ptr<DocumentEditDialog> dialog(new DocumentEditDialog);
                 dialog->createFromTemplate(scene.templateId());
                 QApplication::clipboard()->setText("Смирнова Вероника Андреевна");
                 auto surname = dialog->findChild<QLineEdit *>("lineEditFio_1");
                 surname->paste();
                 dialog->findChild<QLineEdit *>("lineEditNumber")->setText("0712433345");
                 dialog->findChild<QLineEdit *>("lineEditRegNumber")->setText("143");
                 dialog->onFocusChanged(nullptr, surname);
                 return picture(dialog.get());
             }},
            {"appendix",
             [](Scene &scene) {
                 std::unique_ptr<AdditionalEditDialog> dialog(new AdditionalEditDialog);
                 dialog->loadAppendix(scene.documentId());
                 dialog->on_pushButtonEditForm_clicked();
                 dialog->resize(860, 640);
                 return picture(dialog.get());
             }},
            {"print-dialog",
             [](Scene &) {
                 Database::userSettings()->setValue("PrintDialog/previewEnabled", true);
                 std::unique_ptr<PrintDialog> dialog(new PrintDialog);
                 dialog->findChild<QListWidget *>("listWidget")->setCurrentRow(3);
                 dialog->resize(760, 560);
                 return picture(dialog.get());
             }},
            {"calibration",
             [](Scene &) {
                 PrinterCalibrationDialog::Printers printers{
                         [] { return QStringList{"Kyocera ECOSYS P2040dn"}; },
                         [] { return QStringLiteral("Kyocera ECOSYS P2040dn"); }};
                 std::unique_ptr<PrinterCalibrationDialog> dialog(
                         new PrinterCalibrationDialog(nullptr, printers));
                 return picture(dialog.get());
             }},
            {"import",
             [](Scene &scene) {
                 scene.templateId();
                 const QString path = QDir(scene.folder()).filePath("4Б.csv");
                 QFile file(path);
                 file.open(QIODevice::WriteOnly);
                 file.write("Фамилия;Имя;Отчество;Дата рождения;Номер свидетельства;"
                            "Математика;Рус. яз.;Окр. мир;ОРКСЭ\n"
                            "Кузнецова;Алина;Романовна;03.02.2014;0712433401;5;4;5;Освоено\n"
                            "Лосев;Денис;Игоревич;17.08.2014;0712433402;4;4;4;Освоено\n"
                            "Миронова;Ева;Сергеевна;22.11.2013;0712433403;5;5;5;Освоено\n");
                 file.close();
                 std::unique_ptr<ImportWizard> wizard(new ImportWizard);
                 wizard->findChild<QLineEdit *>("lineEditFile")->setText(path);
                 wizard->show();
                 wizard->next();
                 wizard->next();
                 wizard->resize(960, 560);
                 return picture(wizard.get());
             }},
            {"preferences-data",
             [](Scene &) {
                 std::unique_ptr<PreferencesDialog> dialog(new PreferencesDialog);
                 dialog->findChild<QTabWidget *>("tabWidget")->setCurrentIndex(2);
                 return picture(dialog.get());
             }},
            {"preferences-register",
             [](Scene &) {
                 std::unique_ptr<PreferencesDialog> dialog(new PreferencesDialog);
                 auto *tab = dialog->findChild<RegisterChoiceWidget *>("registerChoice");
                 fillServer(tab, "zrps_clerk");
                 dialog->findChild<QTabWidget *>("tabWidget")
                         ->setCurrentWidget(tab->parentWidget());
                 return picture(dialog.get());
             }},
            {"register-transfer",
             [](Scene &) {
                 std::unique_ptr<RegisterTransferDialog> dialog(new RegisterTransferDialog);
                 fillServer(dialog.get(), "zrps_owner");
                 return picture(dialog.get());
             }},
            {"print-check",
             [](Scene &scene) {
                 const QList<int> girls = scene.classIds(true);
                 // Mistakes made for the picture only, taken back after it.
                 QSqlDatabase::database().transaction();
                 QSqlQuery(QString("UPDATE PsDocuments SET birthDate = '' WHERE psId = %1")
                                   .arg(girls.at(2)));
                 QSqlQuery(QString("UPDATE PsDocuments SET number = (SELECT number FROM "
                                   "PsDocuments WHERE psId = %1) WHERE psId = %2")
                                   .arg(girls.at(4))
                                   .arg(girls.at(6)));
                 QSqlQuery(QString("UPDATE PsDocuments SET birthDate = '2005-03-02' WHERE psId "
                                   "= %1")
                                   .arg(girls.at(8)));
                 std::unique_ptr<PrintCheckDialog> dialog(new PrintCheckDialog(
                         girls, ReportList::Id254, PrintCheckDialog::Mode::BeforePrint));
                 dialog->resize(760, 420);
                 const QImage image = picture(dialog.get());
                 QSqlDatabase::database().rollback();
                 return image;
             }},
            {"batch-print",
             [](Scene &scene) {
                 std::unique_ptr<BatchPrintDialog> dialog(
                         new BatchPrintDialog(ReportList::Id254, scene.classIds(true), false));
                 QString error;
                 if (!dialog->prepare(&error)) {
                     QTextStream(stderr) << error << '\n';
                     return QImage();
                 }
                 // As it shows with a printer set up; this machine may have none.
                 dialog->findChild<QLabel *>("labelPrinter")->setText("Kyocera ECOSYS P2040dn");
                 return picture(dialog.get());
             }},
            {"turn-stack",
             [](Scene &scene) {
                 BatchPrintDialog dialog(ReportList::Id254, scene.classIds(true), false);
                 QString error;
                 if (!dialog.prepare(&error))
                     return QImage();
                 // The question the batch asks between the sides, grabbed while it waits.
                 QImage image;
                 QTimer::singleShot(0, [&image] {
                     QWidget *question = QApplication::activeModalWidget();
                     if (!question)
                         return;
                     image = picture(question);
                     question->close();
                 });
                 dialog.batch()->turnStack(dialog.batch()->documentName(0));
                 return image;
             }},
            {"print-journal",
             [](Scene &scene) {
                 const QList<int> girls = scene.classIds(true);
                 QSqlQuery query(QString("SELECT psId, fio1 || ' ' || fio2 || ' ' || fio3, number "
                                         "FROM PsDocuments WHERE psId IN (%1) ORDER BY fio1 DESC")
                                         .arg(QStringList{QString::number(girls.at(0)),
                                                          QString::number(girls.at(1)),
                                                          QString::number(girls.at(2)),
                                                          QString::number(girls.at(3)),
                                                          QString::number(girls.at(4))}
                                                      .join(',')));
                 const QDateTime printed = QDateTime::currentDateTime().addSecs(-3600);
                 int spoiled = 0;
                 while (query.next()) {
                     PrintJournal::Entry entry;
                     entry.documentId = query.value(0).toInt();
                     entry.fio = query.value(1).toString();
                     entry.number = query.value(2).toString();
                     entry.form = ReportList::Id254;
                     entry.printedAt = printed.addSecs(spoiled * 40);
                     entry.printer = "Kyocera ECOSYS P2040dn";
                     entry.pages = 2;
                     const int id = PrintJournal::add(entry);
                     if (++spoiled == 3)
                         PrintJournal::markSpoiled(id, "Бланк застрял в принтере");
                 }
                 std::unique_ptr<PrintJournalWindow> window(new PrintJournalWindow);
                 window->resize(1040, 400);
                 window->findChild<QTableWidget *>("tableWidgetEntries")->selectRow(1);
                 return picture(window.get());
             }},
            {"register-book",
             [](Scene &scene) {
                 scene.documentId();
                 std::unique_ptr<RegisterBookDialog> dialog(new RegisterBookDialog);
                 // The school year of the invented class.
                 dialog->findChild<QDateEdit *>("dateEditFrom")->setDate(QDate(2024, 9, 1));
                 dialog->findChild<QDateEdit *>("dateEditTo")->setDate(QDate(2025, 8, 31));
                 return picture(dialog.get());
             }},
            {"history",
             [](Scene &scene) {
                 const int id = scene.documentId();
                 // The invented class was put in by hand: it starts as a register kept
                 // before the history did; then a grade and the number are changed.
                 DocumentHistory::startForExisting(QSqlDatabase::database());
                 Appendix loaded;
                 QString error;
                 AppendixStore::read(id, &loaded, &error);
                 Appendix typed = loaded;
                 typed.disciplines[4].rate = QStringLiteral("5");
                 AppendixStore::write(id, loaded, typed, false);
                 QStringList collisions;
                 DocumentStore::assignNumbers({{id, QStringLiteral("071243400"), QString()}},
                                              &collisions);
                 std::unique_ptr<HistoryDialog> dialog(new HistoryDialog(id));
                 dialog->resize(980, 520);
                 dialog->findChild<QTableWidget *>("tableWidgetVersions")->selectRow(1);
                 return picture(dialog.get());
             }},
            {"organisation-data",
             [](Scene &scene) {
                 scene.documentId();
                 std::unique_ptr<OptionsDialog> dialog(new OptionsDialog);
                 return picture(dialog.get());
             }},
            {"organisation-history",
             [](Scene &scene) {
                 scene.documentId();
                 // Two saves of the data: the head changed, then the city and the name.
                 OrganisationData::Values values;
                 OrganisationData::read(&values);
                 values["Data/Boss_1"] = "Кузнецова Ольга Петровна";
                 OrganisationData::save(values);
                 values["Data/City"] = "Обнинск";
                 values["Data/OrgName_1"] = "МБОУ «Средняя школа № 12 имени Героя Советского "
                                            "Союза А. П. Маресьева»";
                 OrganisationData::save(values);
                 std::unique_ptr<OptionsDialog> options(new OptionsDialog);
                 options->findChild<QPushButton *>("pushButtonHistory")->click();
                 auto *dialog = options->findChild<OrganisationHistoryDialog *>();
                 if (!dialog)
                     return QImage();
                 dialog->resize(980, 300);
                 return picture(dialog);
             }},
            {"designer",
             [](Scene &scene) {
                 scene.documentId();
                 Engine engine;
                 engine.onGuiEdit(ReportList::Id3382);
                 QPointer<QWidget> window;
                 for (QWidget *widget : QApplication::topLevelWidgets()) {
                     if (qobject_cast<ReportWindow *>(widget))
                         window = widget;
                 }
                 if (!window)
                     return QImage();
                 const QImage image = picture(window);
                 delete window;
                 return image;
             }},
    };
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        QTextStream(stderr) << "usage: zr_guideshots OUTPUT_FOLDER [NAME...]\n";
        return 2;
    }
    // A register of its own, and nothing leaves this machine.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    qputenv("ZRPS_SERVER_URL", "http://127.0.0.1:1/");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // As the program starts: identity, language, font.
    ReportList::init();
    QCoreApplication::setOrganizationName(QString::fromLatin1(AppInfo::organizationName));
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(AppInfo::organizationDomain));
    QCoreApplication::setApplicationName(QString::fromLatin1(AppInfo::applicationName));
    QApplication app(argc, argv);
    QTranslator translator;
    translator.load(QStringLiteral("qt_ru"),
                    QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    app.installTranslator(&translator);
    QFont font;
    font.fromString(QStringLiteral("MS Shell Dlg 2,8.25,-1,5,50,0,0,0,0,0"));
    QApplication::setFont(font);
    if (!Database::create())
        return 1;
    // The start also makes the table of the organisation's data.
    Database::migrateLegacySettings(home.path() + "/none.ini");
    DefaultTemplates::install();

    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const QStringList wanted = app.arguments().mid(2);
    Scene scene(home.path());
    int failed = 0;
    for (const Shot &shot : shots()) {
        const QString name = QString::fromLatin1(shot.name);
        if (!wanted.isEmpty() && !wanted.contains(name))
            continue;
        const QImage image = shot.take(scene);
        const QString path = QDir(out).filePath(name + ".png");
        if (image.isNull() || !image.save(path)) {
            QTextStream(stderr) << "no picture: " << name << '\n';
            ++failed;
            continue;
        }
        QTextStream(stdout) << path << '\n';
    }
    Database::destroy();
    return failed ? 1 : 0;
}
