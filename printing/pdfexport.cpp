#include "pdfexport.h"

#include "app/platformlayer.h"
#include "database/database.h"
#include "documents/documentbin.h"
#include "printing/engine.h"
#include "printing/gendersplit.h"
#include "printing/printercalibration.h"
#include "printing/reportlist.h"

#include "ZrReport/filereplacement.h"
#include "ZrReport/reportpage.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QSqlQuery>
#include <QTextStream>
#include <cmath>

namespace {

const QString optionExport = QStringLiteral("export-pdf");
const QString optionForm = QStringLiteral("form");
const QString optionDoc = QStringLiteral("doc");
const QString optionBackground = QStringLiteral("background");
const QString optionOffset = QStringLiteral("offset");
const QString optionScale = QStringLiteral("scale");
const QString optionPrinter = QStringLiteral("printer");

enum Exit { Done = 0, BadRequest = 1, NotWritten = 2 };

bool documentExists(int id)
{
    QSqlQuery query;
    // A document in the bin is not in the register until it is restored.
    query.prepare(QStringLiteral("SELECT psId FROM PsDocuments WHERE psId = ? AND %1;")
                          .arg(DocumentBin::outsideCondition()));
    query.addBindValue(id);
    return Database::exec(query) && query.next();
}

// A number as a command line writes it: the decimal point is a full stop, as the comma
// separates the two offsets.
bool parseNumber(const QString &text, double *value)
{
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value);
}

// Only the form of the numbers: their limits are checked with every request.
bool parseCorrection(const QCommandLineParser &parser,
                     PrintCorrection *correction,
                     QTextStream &err)
{
    if (parser.isSet(optionOffset)) {
        const QString text = parser.value(optionOffset);
        const QStringList parts = text.split(QLatin1Char(','));
        if (parts.size() != 2 || !parseNumber(parts.at(0), &correction->offsetX)
            || !parseNumber(parts.at(1), &correction->offsetY)) {
            err << QStringLiteral("Неверное значение --offset \"%1\": нужны два числа в "
                                  "миллиметрах через запятую, например 2,3 или 1.5,-0.5.\n")
                            .arg(text);
            return false;
        }
    }
    if (parser.isSet(optionScale)) {
        const QString text = parser.value(optionScale);
        if (!parseNumber(text, &correction->scale)) {
            err << QStringLiteral("Неверное значение --scale \"%1\": нужно число процентов, "
                                  "например 100.5.\n")
                            .arg(text);
            return false;
        }
    }
    return true;
}

// "<name> (мальчики).pdf" beside the file asked for: the stack of one blank of a class split.
QString stackFileName(const QFileInfo &output, int type)
{
    const QString suffix = output.suffix().isEmpty() ? QStringLiteral("pdf") : output.suffix();
    return output.absoluteDir().filePath(
            QStringLiteral("%1 (%2).%3")
                    .arg(output.completeBaseName(),
                         ReportList::blankGender(type) == PupilGender::Boy
                                 ? QStringLiteral("мальчики")
                                 : QStringLiteral("девочки"),
                         suffix));
}

} // namespace

HeadlessCommand PdfExport::command()
{
    return {optionExport,
            {{optionExport, QString(), QStringLiteral("file")},
             {optionForm, QString(), QStringLiteral("form")},
             {optionDoc, QString(), QStringLiteral("ids")},
             {optionBackground, QString()},
             {optionOffset, QString(), QStringLiteral("dx,dy")},
             {optionScale, QString(), QStringLiteral("percent")},
             {optionPrinter, QString(), QStringLiteral("name")}},
            QStringLiteral(
                    "  ZrPs --export-pdf ФАЙЛ.pdf --form БЛАНК --doc НОМЕР[,НОМЕР...] "
                    "[--background]\n"
                    "       [--offset DX,DY] [--scale ПРОЦЕНТ] | [--printer ПРИНТЕР]\n"
                    "\n"
                    "Выгрузка в PDF без окна и без вопросов: каждый документ печатается на бланке\n"
                    "всеми страницами шаблона, по порядку, в один файл PDF с размером и "
                    "ориентацией\n"
                    "листа шаблона. Используется обычная папка данных программы.\n"
                    "Мальчики и девочки на бланке свидетельства для мальчиков или для девочек\n"
                    "выгружаются двумя файлами, каждый на своём бланке: «ФАЙЛ (мальчики).pdf»\n"
                    "и «ФАЙЛ (девочки).pdf»; документы, пол которых не определён, попадают\n"
                    "в файл выбранного бланка.\n"
                    "\n"
                    "  --export-pdf ФАЙЛ   файл PDF, который нужно записать (заменяется целиком)\n"
                    "  --form БЛАНК        тип бланка (301, 302, 303, 304) или его идентификатор\n"
                    "                      (id253, id254, id3339, id3382)\n"
                    "  --doc НОМЕРА        номера документов в реестре (psId) через запятую\n"
                    "  --background        печатать фон бланка (сторона 1 и сторона 2)\n"
                    "  --offset DX,DY      сдвинуть всё напечатанное на DX мм вправо и DY мм "
                    "вниз\n"
                    "                      (от -15 до 15, дробная часть через точку: 1.5,-0.5),\n"
                    "                      как это делает калибровка принтера: на листе A4,\n"
                    "                      каким он выходит из принтера (альбомная страница\n"
                    "                      ложится на него повёрнутой)\n"
                    "  --scale ПРОЦЕНТ     масштаб в процентах от левого верхнего угла листа,\n"
                    "                      от 95 до 105\n"
                    "  --printer ПРИНТЕР   сохранённая калибровка принтера: поправка стороны 1\n"
                    "                      к нечётным страницам, стороны 2 - к чётным\n"
                    "\n"
                    "Код возврата: 0 - файл записан; 1 - неверный запрос, нет бланка, шаблона,\n"
                    "базы данных, документа или годной калибровки принтера; 2 - файл PDF не\n"
                    "удалось записать.\n"
                    "Если таблица не помещается на бланке, печатается то, что помещается,\n"
                    "и выводится предупреждение.\n"),
            &PdfExport::runCommand};
}

int PdfExport::runCommand(const QCommandLineParser &parser, QTextStream &err)
{
    for (const QString &name : {optionForm, optionDoc}) {
        if (!parser.isSet(name)) {
            err << QStringLiteral("Не указан параметр --%1.\n\n").arg(name)
                << CommandLine::helpText();
            return BadRequest;
        }
    }
    Request request;
    request.output = parser.value(optionExport);
    request.form = parser.value(optionForm);
    request.documents = parser.value(optionDoc);
    request.background = parser.isSet(optionBackground);
    if (parser.isSet(optionPrinter) && (parser.isSet(optionOffset) || parser.isSet(optionScale))) {
        err << QStringLiteral("Параметр --printer нельзя сочетать с --offset и --scale.\n");
        return BadRequest;
    }
    request.printer = parser.value(optionPrinter);
    if (parser.isSet(optionPrinter) && request.printer.isEmpty()) {
        err << QStringLiteral("Не указано имя принтера (--printer).\n");
        return BadRequest;
    }
    if (!parseCorrection(parser, &request.correction, err))
        return BadRequest;
    return exportPdf(request, err);
}

int PdfExport::exportPdf(const Request &request, QTextStream &err)
{
    const ReportListEntry *entry = CommandLine::form(request.form, err);
    if (!entry)
        return BadRequest;
    QList<int> ids;
    if (!CommandLine::documentIds(request.documents, &ids, err))
        return BadRequest;
    if (!request.correction.isWithinLimits()) {
        err << QStringLiteral("Поправка вне допустимых пределов (сдвиг %1, %2 мм, масштаб %3 "
                              "%): сдвиг допускается от -%4 до %4 мм, масштаб от %5 до %6 %.\n")
                        .arg(request.correction.offsetX)
                        .arg(request.correction.offsetY)
                        .arg(request.correction.scale)
                        .arg(PrintCorrection::maxOffset)
                        .arg(PrintCorrection::minScale)
                        .arg(PrintCorrection::maxScale);
        return BadRequest;
    }
    PrintCorrection calibration[2] = {request.correction, request.correction};
    if (!request.printer.isEmpty()) {
        if (!PrinterCalibration::isCalibrated(request.printer)) {
            err << QStringLiteral("Для принтера «%1» калибровка не сохранена.\n")
                            .arg(request.printer);
            return BadRequest;
        }
        for (int side = 1; side <= 2; ++side) {
            QString error;
            if (!PrinterCalibration::storedCorrection(
                        request.printer, side, &calibration[side - 1], &error)) {
                err << error << '\n';
                return BadRequest;
            }
        }
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

    QString databaseError;
    if (!Database::openExisting(&databaseError)) {
        err << databaseError << '\n';
        return BadRequest;
    }

    // Boys and girls on a certificate: each on their own blank, into a file of their own.
    const GenderSplit split(entry->type, ids);
    // Read once: every document is drawn from the same page, its pictures decoded once.
    std::vector<std::unique_ptr<ReportPage>> pages;
    for (const GenderSplit::Batch &batch : split.batches()) {
        QString templateError;
        pages.push_back(Engine::readTemplate(batch.type, &templateError));
        if (!pages.back()) {
            err << templateError << '\n';
            return BadRequest;
        }
    }

    for (int id : qAsConst(ids)) {
        if (!documentExists(id)) {
            err << QStringLiteral("Документ %1 не найден в реестре.\n").arg(id);
            return BadRequest;
        }
    }

    if (!split.isSplit())
        return writePdf(entry->type,
                        pages.front().get(),
                        ids,
                        output,
                        request.background,
                        calibration,
                        err);
    QStringList files;
    for (int i = 0; i < split.batches().size(); ++i) {
        const GenderSplit::Batch &batch = split.batches().at(i);
        const QFileInfo file(stackFileName(output, batch.type));
        const int status = writePdf(batch.type,
                                    pages.at(i).get(),
                                    batch.ids,
                                    file,
                                    request.background,
                                    calibration,
                                    err);
        if (status != Done)
            return status;
        files << QStringLiteral("«%1»").arg(file.fileName());
    }
    err << split.text() << QStringLiteral(": файлы ") << files.join(QStringLiteral(" и ")) << ".\n";
    return Done;
}

int PdfExport::writePdf(int type,
                        ReportPage *page,
                        const QList<int> &ids,
                        const QFileInfo &output,
                        bool background,
                        const PrintCorrection calibration[2],
                        QTextStream &err)
{
    // Written beside the target and renamed over it once whole: a failed or killed export
    // never leaves a half file or loses an earlier one.
    const QString target = output.absoluteFilePath();
    FileReplacement::removeLeftovers(target, &PlatformLayer::processRunning);
    FileReplacement partial(target, FileReplacement::Content::Pdf);
    const auto notWritten = [&](const QString &reason) {
        err << QStringLiteral("Не удаётся записать файл %1: %2\n").arg(target, reason);
        return NotWritten;
    };
    if (!partial.open())
        return notWritten(partial.errorString());

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(partial.fileName());
    printer.setCreator(QStringLiteral("ZrPs"));
    printer.setDocName(ReportList::entry(type)->name);
    page->setupPrinter(&printer);

    QPainter painter;
    if (!painter.begin(&printer))
        return notWritten(QStringLiteral("файл не открывается"));
    bool firstSheet = true;
    for (int id : ids) {
        Engine::fillReport(type, page, id, true);
        for (int side = 0; side < page->pagesCount(); ++side) {
            if (!firstSheet && !printer.newPage())
                return notWritten(QStringLiteral("запись прервана"));
            firstSheet = false;
            page->renderPage(
                    &painter, side, background, calibration[PrintCorrection::sideOfPage(side) - 1]);
        }
        // Asked after drawing: only then are the tables laid out with this document's rows.
        if (page->tablesOverflow())
            err << QStringLiteral("Предупреждение: документ %1: данные таблицы не помещаются "
                                  "на бланке, напечатано то, что поместилось.\n")
                            .arg(id);
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return notWritten(QStringLiteral("запись прервана"));
    if (!partial.commit())
        return notWritten(partial.errorString());
    return Done;
}
