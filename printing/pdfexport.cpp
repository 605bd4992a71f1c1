#include "pdfexport.h"

#include "database/database.h"
#include "printing/engine.h"
#include "printing/reportlist.h"

#include "ZrReport/reportpage.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPrinter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QTextCodec>
#include <QTextStream>
#include <memory>

namespace {

const QString optionExport = QStringLiteral("export-pdf");
const QString optionForm = QStringLiteral("form");
const QString optionDoc = QStringLiteral("doc");
const QString optionBackground = QStringLiteral("background");

enum Exit { Done = 0, BadRequest = 1, NotWritten = 2 };

// Diagnostics of the export go nowhere (the debug log belongs to the interactive
// program and would be emptied by starting it); warnings reach stderr.
void exportMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    QTextStream(stderr) << message << '\n';
}

bool parseIds(const QString &text, QList<int> *ids, QString *bad)
{
    for (const QString &part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (!ok || id < 0) {
            *bad = part.trimmed();
            return false;
        }
        ids->append(id);
    }
    return !ids->isEmpty();
}

bool documentExists(int id)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT psId FROM PsDocuments WHERE psId = ?;"));
    query.addBindValue(id);
    return Database::exec(query) && query.next();
}

// The output is written beside its final place and moved there when complete, so a
// failed export never leaves a half file or destroys an earlier one.
bool moveIntoPlace(const QString &from, const QString &to)
{
    if (QFileInfo::exists(to) && !QFile::remove(to))
        return false;
    if (!QFile::rename(from, to))
        return false;
    // The temporary file was private to us; the archive copy is an ordinary file.
    QFile::setPermissions(to,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                  | QFileDevice::ReadOther);
    return true;
}

} // namespace

QString PdfExport::helpText()
{
    return QStringLiteral(
                   "Использование:\n"
                   "  ZrPs                    запуск программы\n"
                   "  ZrPs --export-pdf ФАЙЛ.pdf --form БЛАНК --doc НОМЕР[,НОМЕР...] "
                   "[--background]\n"
                   "\n"
                   "Выгрузка в PDF без окна и без вопросов: каждый документ печатается на бланке\n"
                   "всеми страницами шаблона, по порядку, в один файл PDF с размером и "
                   "ориентацией\n"
                   "листа шаблона. Используется обычная папка данных программы.\n"
                   "\n"
                   "  --export-pdf ФАЙЛ   файл PDF, который нужно записать (заменяется целиком)\n"
                   "  --form БЛАНК        тип бланка (301, 302, 303, 304) или его идентификатор\n"
                   "                      (id253, id254, id3339, id3382)\n"
                   "  --doc НОМЕРА        номера документов в реестре (psId) через запятую\n"
                   "  --background        печатать фон бланка (сторона 1 и сторона 2)\n"
                   "  --help              эта справка\n"
                   "\n"
                   "Бланки:\n"
                   "%1"
                   "\n"
                   "Код возврата: 0 - файл записан; 1 - неверный запрос, нет бланка, шаблона,\n"
                   "базы данных или документа; 2 - файл PDF не удалось записать.\n"
                   "Если таблица не помещается на бланке, печатается то, что помещается,\n"
                   "и выводится предупреждение.\n")
            .arg([] {
                QString forms;
                for (const ReportListEntry *entry : ReportList::entries())
                    forms += QStringLiteral("  %1  %2  %3\n")
                                     .arg(int(entry->type))
                                     .arg(entry->id, -6)
                                     .arg(entry->name);
                return forms;
            }());
}

bool PdfExport::requested(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--export-pdf") || arg.startsWith(QLatin1String("--export-pdf="))
            || arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return true;
    }
    return false;
}

int PdfExport::run(int argc, char **argv)
{
    // Paths and messages of a command line are in the system's encoding, not in the
    // register's legacy code page.
    QTextCodec::setCodecForLocale(nullptr);
    // No window is ever shown, so no display is needed; a display named but not
    // reachable must not stop the export either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(exportMessageHandler);
    QApplication app(argc, argv);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.addOption({optionExport, QString(), QStringLiteral("file")});
    parser.addOption({optionForm, QString(), QStringLiteral("form")});
    parser.addOption({optionDoc, QString(), QStringLiteral("ids")});
    parser.addOption({optionBackground, QString()});
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
    if (!parser.parse(app.arguments())) {
        err << parser.errorText() << "\n\n" << helpText();
        return BadRequest;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << helpText();
        return Done;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << QStringLiteral("Лишние аргументы: %1\n\n")
                        .arg(parser.positionalArguments().join(QLatin1Char(' ')))
            << helpText();
        return BadRequest;
    }
    for (const QString &name : {optionForm, optionDoc}) {
        if (!parser.isSet(name)) {
            err << QStringLiteral("Не указан параметр --%1.\n\n").arg(name) << helpText();
            return BadRequest;
        }
    }

    Request request;
    request.output = parser.value(optionExport);
    request.form = parser.value(optionForm);
    request.documents = parser.value(optionDoc);
    request.background = parser.isSet(optionBackground);
    const int status = exportPdf(request, err);
    Database::destroy();
    return status;
}

int PdfExport::exportPdf(const Request &request, QTextStream &err)
{
    const ReportListEntry *entry = ReportList::find(request.form);
    if (!entry) {
        err << QStringLiteral("Неизвестный бланк \"%1\". Бланки: 301 (id253), 302 (id254), "
                              "303 (id3339), 304 (id3382).\n")
                        .arg(request.form);
        return BadRequest;
    }
    QList<int> ids;
    QString badId;
    if (!parseIds(request.documents, &ids, &badId)) {
        err << QStringLiteral("Неверный номер документа \"%1\".\n").arg(badId);
        return BadRequest;
    }
    if (request.output.trimmed().isEmpty()) {
        err << QStringLiteral("Не указан файл PDF (--export-pdf).\n");
        return BadRequest;
    }
    const QFileInfo output(request.output);
    if (output.isDir()) {
        err << QStringLiteral("Не удаётся записать файл %1: это папка.\n")
                        .arg(output.absoluteFilePath());
        return NotWritten;
    }

    // Opening the register must never ask anything: a wrong one is reported, not replaced.
    const QString databasePath = Database::databasePath();
    const bool alreadyOpen
            = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false)
                      .isOpen();
    if (alreadyOpen) {
        // Opened by whoever runs us (the tests): it has passed its check already.
    } else if (!QFileInfo(databasePath).isFile()) {
        err << QStringLiteral("База данных %1 не найдена.\n").arg(databasePath);
        return BadRequest;
    } else if (!Database::checkDbStructure(databasePath)) {
        err << QStringLiteral("База данных %1 имеет неверный формат.\n").arg(databasePath);
        return BadRequest;
    }
    if (!Database::create()) {
        err << QStringLiteral("Не удаётся открыть базу данных %1.\n").arg(databasePath);
        return BadRequest;
    }

    const QString templatePath = Engine::templatePath(entry->type);
    QFile templateFile(templatePath);
    if (!QFileInfo(templatePath).isFile()) {
        err << QStringLiteral("Шаблон отчёта %1 не найден.\n").arg(templatePath);
        return BadRequest;
    }
    if (!templateFile.open(QIODevice::ReadOnly)) {
        err << QStringLiteral("Шаблон отчёта %1 не читается: %2\n")
                        .arg(templatePath, templateFile.errorString());
        return BadRequest;
    }
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(templateFile.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !json.isObject()) {
        err << QStringLiteral("Шаблон отчёта %1 имеет неверный формат.\n").arg(templatePath);
        return BadRequest;
    }
    // Read once: every document is drawn from the same page, its pictures decoded once.
    ReportPage page;
    page.readJson(json.object());
    if (page.pagesCount() < 1) {
        err << QStringLiteral("В шаблоне отчёта %1 нет страниц.\n").arg(templatePath);
        return BadRequest;
    }

    for (int id : qAsConst(ids)) {
        if (!documentExists(id)) {
            err << QStringLiteral("Документ %1 не найден в реестре.\n").arg(id);
            return BadRequest;
        }
    }

    const QString target = output.absoluteFilePath();
    QTemporaryFile partial(output.absolutePath() + QStringLiteral("/.") + output.fileName()
                           + QStringLiteral(".XXXXXX"));
    if (!partial.open()) {
        err << QStringLiteral("Не удаётся записать файл %1: %2\n")
                        .arg(target, partial.errorString());
        return NotWritten;
    }
    partial.close();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(partial.fileName());
    printer.setCreator(QStringLiteral("ZrPs"));
    printer.setDocName(entry->name);
    page.setupPrinter(&printer);

    QPainter painter;
    if (!painter.begin(&printer)) {
        err << QStringLiteral("Не удаётся записать файл %1.\n").arg(target);
        return NotWritten;
    }
    page.setReplaceExpressions(true);
    bool firstSheet = true;
    for (int id : qAsConst(ids)) {
        Engine::fillReport(entry->type, &page, id, true);
        for (int side = 0; side < page.pagesCount(); ++side) {
            if (!firstSheet && !printer.newPage()) {
                err << QStringLiteral("Не удаётся записать файл %1.\n").arg(target);
                return NotWritten;
            }
            firstSheet = false;
            page.renderPage(&painter, side, request.background);
        }
        // Asked after drawing: only then are the tables laid out with this document's rows.
        if (page.tablesOverflow())
            err << QStringLiteral("Предупреждение: документ %1: данные таблицы не помещаются "
                                  "на бланке, напечатано то, что поместилось.\n")
                            .arg(id);
    }
    painter.end();
    if (printer.printerState() == QPrinter::Error || !moveIntoPlace(partial.fileName(), target)) {
        err << QStringLiteral("Не удаётся записать файл %1.\n").arg(target);
        return NotWritten;
    }
    partial.setAutoRemove(false);
    return Done;
}
