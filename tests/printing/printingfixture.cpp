#include "printingfixture.h"

#include "database/database.h"
#include "printing/engine.h"

#include "ZrReport/reportpage.h"
#include "ZrReport/tablefield.h"
#include "ZrReport/textfield.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

void PrintingFixture::start()
{
    Database::destroy();
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    QSettings(Database::userPath() + "//settings.ini", QSettings::IniFormat).clear();
    Database::create();
    Database::migrateLegacySettings(Database::dataPath() + "/ZrPs.ini");
}

void PrintingFixture::stop()
{
    Database::destroy();
    m_data.reset();
}

QString PrintingFixture::dataHome() const
{
    return m_data ? m_data->path() : QString();
}

int PrintingFixture::addDocument(const QVariantMap &columns)
{
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery query;
    query.prepare(QStringLiteral("INSERT INTO PsDocuments (%1) VALUES (%2)")
                          .arg(columns.keys().join(QLatin1Char(',')), marks.join(',')));
    for (const QVariant &value : columns)
        query.addBindValue(value);
    if (!query.exec())
        qWarning() << "insert failed" << query.lastError().text();
    return query.lastInsertId().toInt();
}

void PrintingFixture::addDetails(int psId, const QList<QPair<QString, QString>> &rows)
{
    for (const auto &row : rows) {
        QSqlQuery query;
        query.prepare(QStringLiteral(
                "INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                "VALUES (?, ?, ?)"));
        query.addBindValue(psId);
        query.addBindValue(row.first);
        query.addBindValue(row.second);
        if (!query.exec())
            qWarning() << "insert failed" << query.lastError().text();
    }
}

int PrintingFixture::addSampleDocument(int disciplines)
{
    const int id = addDocument({{"isTemplate", 0},
                                {"fio1", QStringLiteral("Петров")},
                                {"fio2", QStringLiteral("Пётр")},
                                {"fio3", QStringLiteral("Петрович")},
                                {"birthDate", "2003-01-07"},
                                {"number", "77 123456"},
                                {"regNumber", "15"},
                                {"issueDate", "2013-05-25"},
                                {"decision", QStringLiteral("протокол № 7 от 24.05.2013")},
                                {"add1", QStringLiteral("Шахматы")},
                                {"add2", QStringLiteral("Хоровое пение")},
                                {"add3", QStringLiteral("Олимпиада по математике")},
                                {"add4", QStringLiteral("Умеет работать в группе")},
                                {"add5", QStringLiteral("Аккуратен и внимателен")}});
    QList<QPair<QString, QString>> rows;
    const QString names[] = {QStringLiteral("Русский язык"),
                             QStringLiteral("Литературное чтение"),
                             QStringLiteral("Математика"),
                             QStringLiteral("Окружающий мир")};
    for (int i = 0; i < disciplines; ++i)
        rows << qMakePair(names[i % 4] + (i >= 4 ? QStringLiteral(" %1").arg(i) : QString()),
                          QString::number(3 + i % 3));
    addDetails(id, rows);
    return id;
}

static QString saveAsForm(ReportPage &page, int type)
{
    const QString path = Engine::templatePath(type);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!page.saveToFile(path))
        qWarning() << "cannot save" << path;
    return path;
}

QString PrintingFixture::writeTemplate(int type, int pages, bool backgrounds, const QString &text)
{
    ReportPage page;
    page.setOrientation(QPrinter::Portrait);
    page.setPagesCount(pages);
    const double paperHeight = page.paperSizeMM().height();
    for (int i = 0; i < pages; ++i) {
        auto *field = new TextField(&page);
        field->x = 20;
        field->y = 20 + i * paperHeight;
        field->width = 150;
        field->height = 10;
        field->text = QStringLiteral("Страница %1: ").arg(i + 1) + text;
        field->page = &page;
        page.fields << field;
    }
    if (backgrounds) {
        QImage side(794, 1123, QImage::Format_RGB32);
        side.fill(Qt::green);
        page.backgroundImage = QPixmap::fromImage(side);
        side.fill(Qt::blue);
        page.backgroundImage2 = QPixmap::fromImage(side);
    }
    return saveAsForm(page, type);
}

QString PrintingFixture::writeOverflowingTemplate(int type, int rowsThatFit)
{
    ReportPage page;
    page.setOrientation(QPrinter::Portrait);
    auto *table = new TableField(&page);
    table->x = 20;
    table->y = 20;
    table->columnCount = 1;
    table->columnsWidth = {100};
    table->headerNames = QStringList{QStringLiteral("Предмет")};
    table->columnIds = QStringList{QStringLiteral("$D{view.disciplineName}")};
    table->columnsAlign = {0};
    table->headerIsVisible = false;
    table->rowHeight = 10;
    table->mModelName = QStringLiteral("view");
    table->splitsCount = 1;
    table->maxSplitHeight = {10.0 * rowsThatFit + 5};
    table->splitX = {0};
    table->splitY = {0};
    table->page = &page;
    page.fields << table;
    return saveAsForm(page, type);
}

void PrintingFixture::printIntoFile(QPrintPreviewDialog *preview, const QString &file)
{
    const QString print = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    for (QAction *action : preview->findChildren<QAction *>()) {
        if (action->text() == print)
            QTimer::singleShot(0, action, &QAction::trigger);
    }
    preview->printer()->setOutputFormat(QPrinter::PdfFormat);
    preview->printer()->setOutputFileName(file);
}
