#include "batchprint.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "documents/documentrecord.h"
#include "documents/documentstore.h"
#include "documents/personname.h"
#include "printing/engine.h"
#include "printing/reportinfo.h"

#include "ZrReport/filereplacement.h"
#include "ZrReport/printcorrection.h"
#include "ZrReport/reportpage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QSettings>
#include <QUrl>
#include <algorithm>

namespace {

// A printer's name may hold the settings' group separators; its percent-encoded form may not.
QString stackingKey(const QString &printer)
{
    return QStringLiteral("BatchPrint/") + QString::fromLatin1(QUrl::toPercentEncoding(printer))
           + QStringLiteral("/faceUp");
}

// What the journal names as the printer: a PDF file has no printer name.
QString printerLabel(const QPrinter *printer)
{
    if (printer->outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("PDF: ") + QFileInfo(printer->outputFileName()).fileName();
    return printer->printerName();
}

// Printed into a file, each pass of a two-sided batch gets a file of its own: the second
// would otherwise replace the first.
QString passFileName(const QString &file, bool back)
{
    const QFileInfo info(file);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("pdf") : info.suffix();
    return info.dir().filePath(QStringLiteral("%1 (сторона %2).%3")
                                       .arg(info.completeBaseName())
                                       .arg(back ? 2 : 1)
                                       .arg(suffix));
}

} // namespace

BatchPrint::BatchPrint(int type, const QList<int> &ids, bool background, QObject *parent)
    : QObject(parent)
    , m_type(type)
    , m_ids(ids)
    , m_background(background)
{}

BatchPrint::~BatchPrint() = default;

bool BatchPrint::load(QString *error)
{
    std::unique_ptr<ReportPage> page = Engine::readTemplate(m_type, error);
    if (!page)
        return false;
    m_documents.clear();
    for (int id : qAsConst(m_ids)) {
        DocumentRecord record;
        bool failed = false;
        if (!DocumentStore::read(id, &record, &failed)) {
            *error = DocumentStore::notReadText(id, failed);
            return false;
        }
        Document document;
        document.name = PersonName{record.fio1, record.fio2, record.fio3}.full();
        document.number = record.number;
        document.pages = page->pagesCount();
        m_documents << document;
    }
    m_page = std::move(page);
    return true;
}

int BatchPrint::pagesPerDocument() const
{
    return m_page ? m_page->pagesCount() : 0;
}

QString BatchPrint::documentName(int index) const
{
    return index >= 0 && index < m_documents.size() ? m_documents.at(index).name : QString();
}

QList<BatchPrint::Step> BatchPrint::order(int documents, int pagesPerDocument, Stacking stacking)
{
    QList<Step> steps;
    if (documents < 1 || pagesPerDocument < 1)
        return steps;
    // Sheets as they go through the printer the first time: every document's in turn.
    QList<QPair<int, int>> sheets;
    for (int document = 0; document < documents; ++document) {
        for (int sheet = 0; sheet < (pagesPerDocument + 1) / 2; ++sheet)
            sheets.append({document, sheet});
    }
    for (const auto &sheet : qAsConst(sheets))
        steps.append({sheet.first, 2 * sheet.second});
    if (pagesPerDocument < 2)
        return steps;
    if (stacking == Stacking::FaceUp)
        std::reverse(sheets.begin(), sheets.end());
    for (const auto &sheet : qAsConst(sheets)) {
        const int back = 2 * sheet.second + 1;
        // The last sheet of an odd page count still goes through, or the stack would slip.
        steps.append({sheet.first, back < pagesPerDocument ? back : -1});
    }
    return steps;
}

QList<BatchPrint::Step> BatchPrint::steps(Stacking stacking) const
{
    return order(m_documents.size(), pagesPerDocument(), stacking);
}

QList<BatchPrint::Step>
BatchPrint::reprintSteps(int first, int last, Sides sides, Stacking stacking) const
{
    first = qMax(first, 0);
    last = qMin(last, m_documents.size() - 1);
    QList<Step> result;
    // The documents printed again make a batch of their own.
    for (Step step : order(last - first + 1, pagesPerDocument(), stacking)) {
        step.document += first;
        if (sides == Sides::Both || step.back() == (sides == Sides::Back))
            result << step;
    }
    return result;
}

int BatchPrint::print(QPrinter *printer, Stacking stacking, int from)
{
    m_pagesPerBlank = pagesPerDocument();
    return run(printer, steps(stacking), from);
}

bool BatchPrint::reprint(QPrinter *printer, Stacking stacking, int first, int last, Sides sides)
{
    const QList<Step> all = reprintSteps(first, last, sides, stacking);
    if (all.isEmpty())
        return false;
    m_pagesPerBlank = 0;
    for (const Step &step : all) {
        if (step.document == all.first().document && step.page >= 0)
            ++m_pagesPerBlank;
    }
    // A side printed again goes on a new blank or back on the old one: a journal row either way.
    for (const Step &step : all)
        startBlank(step.document, m_pagesPerBlank);
    return run(printer, all, 0) == all.size();
}

void BatchPrint::startBlank(int document, int pages)
{
    m_documents[document].journalId = 0;
    m_documents[document].printed.clear();
    m_documents[document].pages = pages;
}

int BatchPrint::run(QPrinter *printer, const QList<Step> &all, int from)
{
    m_cancelled = false;
    m_failed = false;
    m_failure.clear();
    int next = qBound(0, from, all.size());
    const QString file = printer->outputFileName();
    const bool passFiles = printer->outputFormat() == QPrinter::PdfFormat && twoSided();
    while (next < all.size() && !m_cancelled) {
        // A pass: the run of steps on the same side of the sheets.
        const bool back = all.at(next).back();
        int passStart = next;
        while (passStart > 0 && all.at(passStart - 1).back() == back)
            --passStart;
        int passEnd = next;
        while (passEnd < all.size() && all.at(passEnd).back() == back)
            ++passEnd;
        if (back && turnStack && !turnStack(documentName(all.at(next).document)))
            break;
        if (passFiles)
            printer->setOutputFileName(passFileName(file, back));
        int done = 0;
        const bool handedOver = printPass(printer, all, passStart, passEnd, next, &done);
        next += done;
        if (!handedOver) {
            m_failed = true;
            break;
        }
    }
    if (passFiles)
        printer->setOutputFileName(file);
    return next;
}

bool BatchPrint::printPass(
        QPrinter *printer, const QList<Step> &all, int passStart, int passEnd, int from, int *done)
{
    *done = 0;
    if (m_cancelled || from >= passEnd)
        return true;
    // Into a PDF file the pass is written beside it and takes its place once whole.
    const QString outputName = printer->outputFileName();
    std::unique_ptr<FileReplacement> file;
    if (printer->outputFormat() == QPrinter::PdfFormat && !outputName.isEmpty()) {
        file = std::make_unique<FileReplacement>(outputName, FileReplacement::Content::Pdf);
        if (!file->open())
            return fileFailed(*file);
        printer->setOutputFileName(file->fileName());
    }
    QList<Step> printed;
    const bool handedOver = paintPass(printer, all, passStart, passEnd, from, &printed);
    if (file)
        printer->setOutputFileName(outputName);
    if (!handedOver)
        return false;
    if (printed.isEmpty())
        return true;
    if (file && !file->commit())
        return fileFailed(*file);
    record(printed, printer);
    *done = printed.size();
    return true;
}

bool BatchPrint::fileFailed(const FileReplacement &file)
{
    m_failure = QStringLiteral("Не удаётся записать файл %1: %2")
                        .arg(QDir::toNativeSeparators(file.target()), file.errorString());
    return false;
}

bool BatchPrint::paintPass(QPrinter *printer,
                           const QList<Step> &all,
                           int passStart,
                           int passEnd,
                           int from,
                           QList<Step> *printed)
{
    // Where each document stands in its pass, for "Документ 17 из 54".
    QList<int> passDocuments;
    for (int i = passStart; i < passEnd; ++i) {
        if (!passDocuments.contains(all.at(i).document))
            passDocuments << all.at(i).document;
    }

    m_page->setupPrinter(printer);
    // The sides are the batch's business: a printer turning sheets itself would print
    // the backs on the wrong blanks.
    printer->setDuplex(QPrinter::DuplexNone);
    printer->setCopyCount(1);
    QPainter painter;
    if (!painter.begin(printer)) {
        ZR_LOG() << "batch print: cannot start a job on" << printer->printerName();
        return false;
    }
    for (int i = from; i < passEnd && !m_cancelled; ++i) {
        const Step &step = all.at(i);
        emit progress(i,
                      all.size(),
                      passDocuments.indexOf(step.document) + 1,
                      passDocuments.size(),
                      step.back());
        // Lets Cancel be pressed between pages.
        QCoreApplication::processEvents();
        if (m_cancelled)
            break;
        if (!printed->isEmpty() && !printer->newPage()) {
            painter.end();
            return false;
        }
        if (step.page >= 0) {
            Engine::fillReport(m_type, m_page.get(), m_ids.at(step.document), true);
            const int side = PrintCorrection::sideOfPage(step.page);
            m_page->renderPage(&painter,
                               step.page,
                               m_background,
                               PrintCorrection::forPrinter(printer->printerName(), side));
        }
        *printed << step;
    }
    ReportInfo::releaseData(m_page.get());
    if (printed->isEmpty()) {
        // Nothing drawn: no empty sheet is to come out of the printer.
        printer->abort();
        painter.end();
        return true;
    }
    if (!painter.end() || printer->printerState() == QPrinter::Error) {
        ZR_LOG() << "batch print: the job was not handed over to" << printer->printerName();
        return false;
    }
    return true;
}

void BatchPrint::record(const QList<Step> &printed, const QPrinter *printer)
{
    QList<int> touched;
    for (const Step &step : printed) {
        Document &document = m_documents[step.document];
        // Side 1 of the first sheet means a new blank, also for a document printed before.
        if (step.page == 0)
            startBlank(step.document, m_pagesPerBlank);
        if (step.page >= 0 && !document.printed.contains(step.page))
            document.printed << step.page;
        if (!touched.contains(step.document))
            touched << step.document;
    }
    // The pass's rows are written together, or kept together to be written later.
    QList<PrintJournal::Change> changes;
    for (int index : qAsConst(touched)) {
        const Document &document = m_documents.at(index);
        PrintJournal::Change change;
        change.id = document.journalId;
        change.entry.pages = document.printed.size();
        change.entry.outcome = document.printed.size() >= document.pages
                                       ? PrintJournal::Outcome::Printed
                                       : PrintJournal::Outcome::Cancelled;
        if (document.journalId != 0) {
            change.kind = PrintJournal::Change::Kind::Update;
        } else {
            change.entry.documentId = m_ids.at(index);
            change.entry.fio = document.name;
            change.entry.form = m_type;
            change.entry.number = document.number;
            change.entry.printedAt = QDateTime::currentDateTime();
            change.entry.printer = printerLabel(printer);
            change.entry.output = printer->outputFormat() == QPrinter::PdfFormat
                                          ? PrintJournal::Output::File
                                          : PrintJournal::Output::Printer;
        }
        changes << change;
    }
    PrintJournal::write(changes);
    for (int i = 0; i < touched.size(); ++i)
        m_documents[touched.at(i)].journalId = changes.at(i).id;
}

BatchPrint::Stacking BatchPrint::stacking(const QString &printer)
{
    return Database::userSettings()->value(stackingKey(printer), false).toBool()
                   ? Stacking::FaceUp
                   : Stacking::FaceDown;
}

void BatchPrint::setStacking(const QString &printer, Stacking stacking)
{
    Database::userSettings()->setValue(stackingKey(printer), stacking == Stacking::FaceUp);
}
