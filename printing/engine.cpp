#include "engine.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "documents/documentrecord.h"
#include "documents/documentstore.h"
#include "documents/personname.h"
#include "printing/printjournal.h"
#include "printing/reportinfo.h"
#include "printing/reportlist.h"

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

QPixmap Engine::templatePixmap(int type)
{
    const QString path = templatePath(type);
    if (!isTemplateFile(path))
        return QPixmap();
    ReportPage page;
    if (!page.loadFromFile(path))
        ZR_LOG() << "template not read" << path << page.loadError();
    return page.pixmap();
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

std::unique_ptr<ReportPage> Engine::readTemplate(int type, QString *error)
{
    const QString path = templatePath(type);
    if (!isTemplateFile(path)) {
        *error = QStringLiteral("Шаблон отчёта %1 не найден.").arg(path);
        return nullptr;
    }
    auto page = std::make_unique<ReportPage>();
    if (!page->loadFromFile(path)) {
        *error = QStringLiteral("Шаблон отчёта %1 не открыт: %2.").arg(path, page->loadError());
        return nullptr;
    }
    if (page->pagesCount() < 1) {
        *error = QStringLiteral("В шаблоне отчёта %1 нет страниц.").arg(path);
        return nullptr;
    }
    page->setReplaceExpressions(true);
    return page;
}

bool Engine::templateExists(const QString &path)
{
    if (isTemplateFile(path))
        return true;
    emit error(QStringLiteral("Шаблон отчёта %1 не найден.").arg(path), QStringLiteral("Ошибка"));
    return false;
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
    const QString path = templatePath(type);
    if (!templateExists(path))
        return;
    if (!page->loadFromFile(path)) {
        emit error(QStringLiteral("Шаблон отчёта %1 не открыт: %2.").arg(path, page->loadError()),
                   QStringLiteral("Ошибка"));
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
    const QString path = templatePath(type);
    if (!templateExists(path))
        return;
    auto *window = new ReportWindow();
    if (!window->openFile(path)) {
        emit error(QStringLiteral("Шаблон отчёта %1 имеет неверный формат.").arg(path),
                   QStringLiteral("Ошибка"));
        window->deleteLater();
        return;
    }
    replaceCurrentPage(window->reportPage());
    fillReport(type, window->reportPage(), 0, false);
    window->show();
}
