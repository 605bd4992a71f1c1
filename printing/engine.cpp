#include "engine.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "documents/documentrecord.h"
#include "documents/documentstore.h"
#include "documents/personname.h"
#include "printing/printjournal.h"
#include "printing/reportinfo.h"
#include "printing/reportlist.h"
#include "printing/sharedtemplates.h"

#include "ZrReport/reportpage.h"
#include "ZrReport/reportwindow.h"

#include <QFileInfo>

Engine::Engine(QObject *parent)
    : QObject(parent)
{}

Engine::~Engine()
{
    replaceCurrentPage(nullptr);
}

ReportPage *Engine::currentPage() const
{
    return m_page.data();
}

QString Engine::templatePath(int type)
{
    const ReportListEntry *entry = ReportList::entry(type);
    if (!entry)
        return QString();
    return Database::dataPath() + QStringLiteral("/reports/") + entry->id
           + QStringLiteral(".zrrpt");
}

static bool isTemplateFile(const QString &path)
{
    const QFileInfo file(path);
    if (!path.isEmpty() && file.exists() && file.isFile())
        return true;
    ZR_LOG() << "cant find report file" << path;
    return false;
}

QPixmap Engine::templatePixmap(int type, QString *error)
{
    ReportPage page;
    QString reason;
    const bool loaded = loadTemplate(type, &page, &reason);
    if (error)
        *error = reason;
    return loaded ? page.pixmap() : QPixmap();
}

void Engine::fillReport(int type, ReportPage *page, int sqlDocId, bool useDocument)
{
    const ReportListEntry *entry = ReportList::entry(type);
    if (!entry) {
        ZR_LOG() << "fillReport: unknown form" << type;
        return;
    }
    entry->fill(page, sqlDocId, useDocument);
}

bool Engine::loadTemplate(int type, ReportPage *page, QString *error)
{
    QString unavailable;
    const QString path = SharedTemplates::fileToRead(type, &unavailable);
    if (!unavailable.isEmpty()) {
        *error = unavailable;
        return false;
    }
    if (!isTemplateFile(path)) {
        *error = QStringLiteral("Шаблон отчёта %1 не найден.").arg(path);
        return false;
    }
    if (!page->loadFromFile(path)) {
        *error = QStringLiteral("Шаблон отчёта %1 не открыт: %2.").arg(path, page->loadError());
        return false;
    }
    if (page->pagesCount() < 1) {
        *error = QStringLiteral("В шаблоне отчёта %1 нет страниц.").arg(path);
        return false;
    }
    return true;
}

std::unique_ptr<ReportPage> Engine::readTemplate(int type, QString *error)
{
    auto page = std::make_unique<ReportPage>();
    if (!loadTemplate(type, page.get(), error))
        return nullptr;
    page->setReplaceExpressions(true);
    return page;
}

// Only pages made here for printing are ours to release; a designer's page belongs
// to its window. The page owns its "view" model, so both go together.
void Engine::replaceCurrentPage(ReportPage *page)
{
    ReportPage *old = m_page.data();
    m_page = page;
    if (!old || old == page || old->parent() != this)
        return;
    if (old->previewDialog)
        old->deleteLater();
    else
        delete old;
}

void Engine::onDocumentPrint(int type, int sqlDocId, bool printBackground)
{
    auto *page = new ReportPage(this);
    replaceCurrentPage(page);
    if (sqlDocId < 0) {
        ZR_LOG() << "Error printing sqlDocId < 0" << sqlDocId;
        return;
    }
    QString reason;
    if (!loadTemplate(type, page, &reason)) {
        emit error(reason, QStringLiteral("Ошибка"));
        return;
    }
    fillReport(type, page, sqlDocId, true);
    QList<int> printed;
    QString printer;
    connect(page, &ReportPage::pagePrinted, this, [&](int pageIndex, const QString &name) {
        if (!printed.contains(pageIndex))
            printed << pageIndex;
        printer = name;
    });
    page->previewReport(true, printBackground ? 1 : -1);
    // The sequence is modal and over: the page stays current, its query does not.
    ReportInfo::releaseData(page);
    // A file that could not be written holds nothing to journal; the user has been told.
    if (page->outputFailed() && printed.isEmpty())
        return;
    // A print given up before any side went out is journaled too, as cancelled with no page.
    recordPrint(type, sqlDocId, printer, printed.size(), page->pagesCount());
}

void Engine::recordPrint(int type, int sqlDocId, const QString &printer, int pages, int ofPages)
{
    DocumentRecord record;
    DocumentStore::read(sqlDocId, &record);
    PrintJournal::Entry entry;
    entry.documentId = sqlDocId;
    entry.fio = PersonName{record.fio1, record.fio2, record.fio3}.full();
    entry.form = type;
    entry.number = record.number;
    entry.printedAt = QDateTime::currentDateTime();
    // A file chosen in the preview has no printer name, and it uses no blank.
    const bool toFile = pages > 0 && printer.isEmpty();
    entry.printer = toFile ? QStringLiteral("PDF") : printer;
    entry.output = toFile ? PrintJournal::Output::File : PrintJournal::Output::Printer;
    entry.pages = pages;
    entry.outcome
            = pages >= ofPages ? PrintJournal::Outcome::Printed : PrintJournal::Outcome::Cancelled;
    PrintJournal::add(entry);
}

void Engine::onGuiEdit(int type)
{
    auto page = std::make_unique<ReportPage>();
    QString reason;
    if (!loadTemplate(type, page.get(), &reason)) {
        emit error(reason, QStringLiteral("Ошибка"));
        return;
    }
    auto *window = new ReportWindow();
    // On a server the template every workstation prints with is the register's.
    if (Database::onServer())
        window->setTemplateSaver(
                [type](const QByteArray &content, const QString &path, QString *error) {
                    return SharedTemplates::save(type, content, path, error);
                });
    window->openPage(page.release(), templatePath(type));
    replaceCurrentPage(window->reportPage());
    fillReport(type, window->reportPage(), 0, false);
    window->show();
}
