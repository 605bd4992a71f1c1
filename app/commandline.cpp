#include "commandline.h"

#include "database/database.h"
#include "documents/history/historycommand.h"
#include "documents/import/importcommand.h"
#include "printing/pdfexport.h"
#include "printing/printcheck.h"
#include "printing/registerbook.h"
#include "printing/reportlist.h"
#include "registercommands.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSet>
#include <QTextStream>

namespace {

const QList<HeadlessCommand> &commands()
{
    static const QList<HeadlessCommand> list{PdfExport::command(),
                                             ImportCommand::command(),
                                             PrintCheck::command(),
                                             RegisterBook::command(),
                                             RegisterCommands::backup(),
                                             RegisterCommands::transfer(),
                                             HistoryCommand::command()};
    return list;
}

const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QString());
// Every command works on the register it names, the data folder's file when none.
const QCommandLineOption
        registerOption(QStringLiteral("register"), QString(), QStringLiteral("register"));

// Diagnostics of a headless run go nowhere (the debug log belongs to the
// interactive program and would be emptied by starting it); warnings reach stderr.
void headlessMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    QTextStream(stderr) << message << '\n';
}

QString formsList()
{
    QString forms;
    for (const ReportListEntry *entry : ReportList::entries())
        forms += QStringLiteral("  %1  %2  %3\n")
                         .arg(int(entry->type))
                         .arg(entry->id, -6)
                         .arg(entry->name);
    return forms;
}

} // namespace

QString CommandLine::helpText()
{
    QString text = QStringLiteral("Использование:\n"
                                  "  ZrPs                    запуск программы\n"
                                  "  ZrPs --help             эта справка\n"
                                  "\n"
                                  "Каждая команда ниже принимает --register РЕЕСТР: файл реестра\n"
                                  "(ФАЙЛ.db) или база данных на сервере PostgreSQL\n"
                                  "(postgresql://ПОЛЬЗОВАТЕЛЬ@СЕРВЕР:ПОРТ/БАЗА[?sslmode=РЕЖИМ]).\n"
                                  "Пароль сервера берётся из файла паролей ~/.pgpass.\n");
    for (const HeadlessCommand &command : commands())
        text += QLatin1Char('\n') + command.usage;
    text += QStringLiteral("\nБланки:\n") + formsList();
    return text;
}

const ReportListEntry *CommandLine::form(const QString &typeOrId, QTextStream &err)
{
    const ReportListEntry *entry = ReportList::find(typeOrId);
    if (!entry)
        err << QStringLiteral("Неизвестный бланк \"%1\". Бланки: 301 (id253), 302 (id254), "
                              "303 (id3339), 304 (id3382).\n")
                        .arg(typeOrId);
    return entry;
}

bool CommandLine::documentIds(const QString &text, QList<int> *ids, QTextStream &err)
{
    for (const QString &part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (!ok || id < 0) {
            err << QStringLiteral("Неверный номер документа \"%1\".\n").arg(part.trimmed());
            return false;
        }
        ids->append(id);
    }
    return !ids->isEmpty();
}

bool CommandLine::requested(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return true;
        for (const HeadlessCommand &command : commands()) {
            const QString option = QStringLiteral("--") + command.option;
            if (arg == option || arg.startsWith(option + QLatin1Char('=')))
                return true;
        }
    }
    return false;
}

int CommandLine::run(int argc, char **argv)
{
    // No window is ever shown, so no display is needed; a display named but not
    // reachable must not stop the command either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(headlessMessageHandler);
    QApplication app(argc, argv);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.addOption(helpOption);
    parser.addOption(registerOption);
    QSet<QString> added; // commands may share an option such as --form
    for (const HeadlessCommand &command : commands())
        for (const QCommandLineOption &option : command.options)
            if (!added.contains(option.names().constFirst())) {
                added.insert(option.names().constFirst());
                parser.addOption(option);
            }
    if (!parser.parse(app.arguments())) {
        err << parser.errorText() << "\n\n" << helpText();
        return 1;
    }
    if (parser.isSet(helpOption)) {
        QTextStream(stdout) << helpText();
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << QStringLiteral("Лишние аргументы: %1\n\n")
                        .arg(parser.positionalArguments().join(QLatin1Char(' ')))
            << helpText();
        return 1;
    }
    if (parser.isSet(registerOption)) {
        RegisterAddress address;
        QString error;
        if (!RegisterAddress::parse(parser.value(registerOption), &address, &error)) {
            err << error << '\n';
            return 1;
        }
        Database::chooseRegister(address);
    }
    for (const HeadlessCommand &command : commands()) {
        if (parser.isSet(command.option)) {
            const int status = command.run(parser, err);
            Database::useDataFolderRegister();
            return status;
        }
    }
    err << helpText();
    return 1;
}
