#include "startup.h"

#include "app/appinfo.h"
#include "app/commandline.h"
#include "app/debuglog.h"
#include "app/mainwindow.h"
#include "app/startupquestions.h"
#include "database/database.h"
#include "database/registerlock.h"
#include "printing/defaulttemplates.h"
#include "printing/journalbacklog.h"
#include "printing/printercalibration.h"
#include "printing/reportlist.h"
#include "settings/spellchecker.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QSplashScreen>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <memory>

namespace {

// The register chosen in the preferences, and for the file in the data folder the
// folder itself: a second copy of the program leaves the folder and the log to the first
// one. A server register is shared by design, each workstation with its own per-user
// folder, so it takes no lock.
bool takeRegister(RegisterLock &lock)
{
    if (!StartupQuestions::takeRegisterChoice())
        return false;
    if (Database::onServer() || lock.acquire())
        return true;
    const QString text = lock.refusalText();
    ZR_LOG() << text;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Внимание!"), text, QMessageBox::Ok);
    box.exec();
    return false;
}

} // namespace

int runApplication(int argc, char **argv)
{
    ReportList::init();
    // File names, arguments and the console stay in the system's encoding (UTF-8 on
    // Linux): the program's own 8-bit files name their code page where they are written.
    QCoreApplication::setOrganizationName(QString::fromLatin1(AppInfo::organizationName));
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(AppInfo::organizationDomain));
    QCoreApplication::setApplicationName(QString::fromLatin1(AppInfo::applicationName));

    if (CommandLine::requested(argc, argv))
        return CommandLine::run(argc, argv);

    auto app = std::make_unique<QApplication>(argc, argv);
    app->setWindowIcon(QIcon(QStringLiteral(":/icons/default.png")));

    auto translator = std::make_unique<QTranslator>();
    translator->load(QStringLiteral("qt_ru"),
                     QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    app->installTranslator(translator.get());

    // Before anything of the data folder or the log is touched.
    RegisterLock lock(Database::dataPath());
    if (!takeRegister(lock))
        return 1;

    auto font = std::make_unique<QFont>();
    font->fromString(QStringLiteral("MS Shell Dlg 2,8.25,-1,5,50,0,0,0,0,0"));
    QApplication::setFont(*font);

    QSplashScreen *splash = new QSplashScreen(QPixmap(QStringLiteral(":/icons/banner2.png")));
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    app->processEvents();
    splash->showMessage(
            QStringLiteral("Загрузка..."), Qt::AlignHCenter | Qt::AlignBottom, Qt::black);

    // The dictionary is read while the register is checked: the check takes longer the
    // larger the register, the dictionary as long on every start, and neither needs the
    // other. Messages of both go to stderr only, the log starts after them.
    std::unique_ptr<QThread> dictionary(
            QThread::create([data = Database::dataPath(), user = Database::userPath()] {
                SpellChecker::initialize(data, user);
            }));
    dictionary->start();
    StartupQuestions::Outcome opened = StartupQuestions::openRegister();
    while (opened == StartupQuestions::Outcome::NewChoice)
        opened = takeRegister(lock) ? StartupQuestions::openRegister()
                                    : StartupQuestions::Outcome::CannotGoOn;
    dictionary->wait();
    if (opened != StartupQuestions::Outcome::Opened) {
        delete splash;
        Database::destroy();
        return opened == StartupQuestions::Outcome::Left ? 0 : 1;
    }

    DebugLog::start(Database::userPath() + "//debug.txt");
    QStringList printers;
    for (const QPrinterInfo &printer : QPrinterInfo::availablePrinters())
        printers << printer.printerName();
    ZR_LOG() << "availablePrinters:" << printers;
    DefaultTemplates::installAtStartup();

    Database::migrateLegacySettings(Database::dataPath() + "/"
                                    + QString::fromLatin1(AppInfo::applicationName) + ".ini");
    PrinterCalibration::install();
    // What the journal could not write in the last run; a notice stays while it waits.
    JournalBacklog::instance().retry();

    auto window = std::make_unique<MainWindow>();
    QTimer::singleShot(4000, splash, &QSplashScreen::close);
    QTimer::singleShot(4000, window.get(), &QWidget::show);
    // The opening checked every table but the history; the rest is read once the window
    // is up and its first moments are over.
    QTimer::singleShot(10000, window.get(), &MainWindow::checkRegisterInBackground);

    const int status = app->exec();
    window.reset();
    font.reset();
    translator.reset();
    app.reset();
    return status;
}
