#include "registerbook.h"

#include "database/database.h"
#include "documents/personname.h"

#include "ZrReport/filereplacement.h"

#include <QCollator>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QSqlQuery>
#include <QTextLayout>
#include <QTextStream>
#include <algorithm>
#include <memory>

namespace {

const QString optionBook = QStringLiteral("register-book");
const QString optionFrom = QStringLiteral("from");
const QString optionTo = QStringLiteral("to");

enum Exit { Done = 0, BadRequest = 1, NotWritten = 2, NothingIssued = 3 };

const QString shownDate = QStringLiteral("dd.MM.yyyy");

// The columns, and their share of the PDF page's width.
struct Column
{
    const char *title;
    double share;
};
const Column columns[] = {{"Рег. номер", 0.09},
                          {"Фамилия, имя, отчество", 0.32},
                          {"Дата рождения", 0.12},
                          {"Номер свидетельства", 0.15},
                          {"Дата выдачи", 0.12},
                          {"Подпись получателя", 0.20}};
constexpr int columnCount = int(sizeof(columns) / sizeof(columns[0]));

QStringList cells(const RegisterBook::Row &row)
{
    return {row.regNumber,
            row.name,
            row.birthDate.toString(shownDate),
            row.number,
            row.issueDate.toString(shownDate),
            QString()};
}

// A cell as spreadsheet programs read it back: quoted when it holds the separator, a quote
// or a line break, or starts or ends with a blank. A text that a spreadsheet would take for
// a formula gets an apostrophe in front, so that opening the file runs nothing.
QString csvCell(QString text)
{
    static const QString formulaStarts = QStringLiteral("=+-@");
    if (text.size() > 1 && formulaStarts.contains(text.at(0)))
        text.prepend(QLatin1Char('\''));
    const bool quote = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"'))
                       || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))
                       || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote)
        return text;
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QDate parseDate(const QString &text)
{
    const QString trimmed = text.trimmed();
    QDate date = QDate::fromString(trimmed, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        date = QDate::fromString(trimmed, shownDate);
    return date;
}

// The PDF's page in millimetres, drawn at this resolution.
constexpr int pdfDpi = 300;

} // namespace

QString RegisterBook::title()
{
    return QStringLiteral("Книга регистрации выданных свидетельств");
}

QDate RegisterBook::schoolYearStart(const QDate &day)
{
    return QDate(day.month() >= 9 ? day.year() : day.year() - 1, 9, 1);
}

QPair<QDate, QDate> RegisterBook::lastPeriod(const QDate &today)
{
    QDate newest;
    for (const Row &row : rows(QDate(), QDate())) {
        if (row.issueDate > newest)
            newest = row.issueDate;
    }
    if (!newest.isValid())
        return {schoolYearStart(today), today};
    const QDate from = schoolYearStart(newest);
    return {from, from.addYears(1).addDays(-1)};
}

QString RegisterBook::periodText(const QDate &from, const QDate &to)
{
    if (from.isValid() && to.isValid())
        return QStringLiteral("с %1 по %2").arg(from.toString(shownDate), to.toString(shownDate));
    if (from.isValid())
        return QStringLiteral("с %1").arg(from.toString(shownDate));
    if (to.isValid())
        return QStringLiteral("по %1").arg(to.toString(shownDate));
    return QStringLiteral("за всё время");
}

QList<RegisterBook::Row> RegisterBook::rows(const QDate &from, const QDate &to, bool *read)
{
    QList<Row> rows;
    // The register's documents are the view's: templates and the bin are left out.
    std::unique_ptr<QSqlQuery> query(Database::execQuery(
            QStringLiteral("SELECT regNumber, fio1, fio2, fio3, birthDate, number, issueDate "
                           "FROM PsDocuments WHERE psId IN (SELECT psId FROM viewPsDocuments);")));
    const bool bounded = from.isValid() || to.isValid();
    while (query->next()) {
        Row row;
        row.regNumber = query->value(0).toString().trimmed();
        row.name = PersonName{query->value(1).toString(),
                              query->value(2).toString(),
                              query->value(3).toString()}
                           .full();
        row.birthDate = QDate::fromString(query->value(4).toString(), QStringLiteral("yyyy-MM-dd"));
        row.number = query->value(5).toString().trimmed();
        row.issueDate = QDate::fromString(query->value(6).toString(), QStringLiteral("yyyy-MM-dd"));
        if (bounded
            && (!row.issueDate.isValid() || (from.isValid() && row.issueDate < from)
                || (to.isValid() && row.issueDate > to)))
            continue;
        rows << row;
    }
    if (read)
        *read = Database::readToEnd(*query);
    // "2" before "10", "15а" after "15"; documents without a number at the end.
    QCollator collator(QLocale(QLocale::Russian, QLocale::Russia));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(rows.begin(), rows.end(), [&collator](const Row &a, const Row &b) {
        if (a.regNumber.isEmpty() != b.regNumber.isEmpty())
            return b.regNumber.isEmpty();
        const int byNumber = collator.compare(a.regNumber, b.regNumber);
        if (byNumber != 0)
            return byNumber < 0;
        return a.issueDate < b.issueDate;
    });
    return rows;
}

QByteArray RegisterBook::csv(const QList<Row> &rows)
{
    QString text;
    QStringList header;
    for (const Column &column : columns)
        header << csvCell(QString::fromUtf8(column.title));
    text += header.join(QLatin1Char(';')) + QStringLiteral("\r\n");
    for (const Row &row : rows) {
        QStringList line;
        for (const QString &cell : cells(row))
            line << csvCell(cell);
        text += line.join(QLatin1Char(';')) + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool RegisterBook::writePdf(QIODevice *device, const QList<Row> &rows, const QString &period)
{
    QPdfWriter writer(device);
    writer.setResolution(pdfDpi);
    writer.setCreator(QStringLiteral("ZrPs"));
    writer.setTitle(title());
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                     QPageLayout::Landscape,
                                     QMarginsF(15, 12, 15, 12),
                                     QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const auto mm = [](double value) { return value * pdfDpi / 25.4; };
    const double width = writer.width();
    const double height = writer.height();
    const double padding = mm(1.5);

    QFont body(QStringLiteral("Times New Roman"));
    body.setPointSizeF(11);
    QFont bold = body;
    bold.setBold(true);
    QFont heading = bold;
    heading.setPointSizeF(14);
    QFont small = body;
    small.setPointSizeF(9);

    double columnLeft[columnCount + 1];
    columnLeft[0] = 0;
    for (int c = 0; c < columnCount; ++c)
        columnLeft[c + 1] = columnLeft[c] + columns[c].share * width;

    // Words wrap at blanks, a word longer than its cell wherever it must.
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const auto textHeight = [&](const QFont &font, const QString &text, double room) {
        QTextLayout layout(text, font, &writer);
        layout.setTextOption(wrapping);
        layout.beginLayout();
        double used = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(room);
            used += line.height();
        }
        layout.endLayout();
        return qMax(used, QFontMetricsF(font, &writer).height());
    };
    const auto lineHeight = [&](const QFont &font, const QStringList &texts) {
        double tallest = 0;
        for (int c = 0; c < columnCount; ++c) {
            const double room = columnLeft[c + 1] - columnLeft[c] - 2 * padding;
            tallest = qMax(tallest, textHeight(font, texts.value(c), room));
        }
        return tallest + 2 * padding;
    };

    QStringList header;
    for (const Column &column : columns)
        header << QString::fromUtf8(column.title);
    const double headerHeight = lineHeight(bold, header);
    // The signature needs room whatever the name's length.
    const double minimumRow = mm(9);
    QList<double> heights;
    for (const Row &row : rows)
        heights << qMax(minimumRow, lineHeight(body, cells(row)));

    const QString organisation = Database::getVariable(QStringLiteral("Data/OrgName_1")).trimmed();
    const double headingHeight = textHeight(heading, title(), width);
    const double periodHeight = textHeight(body, period, width);
    const double organisationHeight
            = organisation.isEmpty() ? 0 : textHeight(body, organisation, width);
    const double titleHeight = headingHeight + periodHeight + organisationHeight + mm(4);
    const double footerHeight = mm(8);

    // Rows to pages: the title takes room on the first page only.
    QList<QPair<int, int>> pages;
    {
        int first = 0;
        double used = 0;
        double room = height - titleHeight - footerHeight - headerHeight;
        for (int i = 0; i < heights.size(); ++i) {
            if (used + heights.at(i) > room && i > first) {
                pages.append({first, i});
                first = i;
                used = 0;
                room = height - footerHeight - headerHeight;
            }
            used += heights.at(i);
        }
        pages.append({first, int(heights.size())});
    }

    const auto drawRow
            = [&](double top, double rowHeight, const QStringList &texts, bool isHeader) {
                  painter.setFont(isHeader ? bold : body);
                  if (isHeader)
                      painter.fillRect(QRectF(0, top, width, rowHeight), QColor(230, 230, 230));
                  for (int c = 0; c < columnCount; ++c) {
                      const QRectF cell(
                              columnLeft[c], top, columnLeft[c + 1] - columnLeft[c], rowHeight);
                      painter.drawRect(cell);
                      const int align = isHeader || c != 1 ? Qt::AlignCenter
                                                           : Qt::AlignLeft | Qt::AlignVCenter;
                      QTextOption option = wrapping;
                      option.setAlignment(Qt::Alignment(align));
                      painter.drawText(cell.adjusted(padding, padding, -padding, -padding),
                                       texts.value(c),
                                       option);
                  }
              };

    painter.setPen(QPen(Qt::black, mm(0.2)));
    for (int p = 0; p < pages.size(); ++p) {
        if (p > 0 && !writer.newPage())
            return false;
        double top = 0;
        if (p == 0) {
            QTextOption centred = wrapping;
            centred.setAlignment(Qt::AlignHCenter);
            painter.setFont(heading);
            painter.drawText(QRectF(0, 0, width, headingHeight), title(), centred);
            painter.setFont(body);
            painter.drawText(QRectF(0, headingHeight, width, periodHeight), period, centred);
            painter.drawText(QRectF(0, headingHeight + periodHeight, width, organisationHeight),
                             organisation,
                             centred);
            top = titleHeight;
        }
        drawRow(top, headerHeight, header, true);
        top += headerHeight;
        for (int i = pages.at(p).first; i < pages.at(p).second; ++i) {
            drawRow(top, heights.at(i), cells(rows.at(i)), false);
            top += heights.at(i);
        }
        if (rows.isEmpty()) {
            painter.setFont(body);
            painter.drawText(QRectF(0, top, width, mm(10)),
                             Qt::AlignCenter,
                             QStringLiteral("За этот период свидетельства не выдавались."));
        }
        painter.setFont(small);
        painter.drawText(QRectF(0, height - footerHeight, width, footerHeight),
                         Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("Страница %1 из %2").arg(p + 1).arg(pages.size()));
    }
    return painter.end();
}

bool RegisterBook::write(const QString &path, const QDate &from, const QDate &to, QString *error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("pdf") && suffix != QLatin1String("csv")) {
        *error = QStringLiteral("Неизвестный формат файла %1: нужен файл .pdf или .csv.").arg(path);
        return false;
    }
    bool read = false;
    const QList<Row> book = rows(from, to, &read);
    if (!read) {
        *error = QStringLiteral("Реестр не удалось прочитать: книга регистрации не записана, "
                                "файл %1 не изменён.")
                         .arg(path);
        return false;
    }
    const bool isCsv = suffix == QLatin1String("csv");
    FileReplacement file(path,
                         isCsv ? FileReplacement::Content::Any : FileReplacement::Content::Pdf);
    const auto fail = [&](const QString &reason) {
        *error = QStringLiteral("Не удаётся записать файл %1: %2").arg(path, reason);
        return false;
    };
    if (!file.open())
        return fail(file.errorString());
    bool written = false;
    if (isCsv) {
        const QByteArray bytes = csv(book);
        written = file.device()->write(bytes) == bytes.size();
    } else {
        written = writePdf(file.device(), book, periodText(from, to));
    }
    if (!written)
        return fail(file.device()->errorString());
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

HeadlessCommand RegisterBook::command()
{
    return {optionBook,
            {{optionBook, QString(), QStringLiteral("file")},
             {optionFrom, QString(), QStringLiteral("date")},
             {optionTo, QString(), QStringLiteral("date")}},
            QStringLiteral(
                    "  ZrPs --register-book ФАЙЛ.pdf|ФАЙЛ.csv [--from ДАТА] [--to ДАТА]\n"
                    "\n"
                    "Книга регистрации выданных свидетельств: документы реестра, выданные за\n"
                    "период, по порядку регистрационных номеров, с пустой графой для подписи.\n"
                    "PDF - альбомный лист A4, заголовок таблицы на каждой странице, номера\n"
                    "страниц; CSV - UTF-8 с BOM, разделитель \";\" (открывается в табличных\n"
                    "программах как есть).\n"
                    "\n"
                    "  --register-book ФАЙЛ  файл .pdf или .csv (заменяется целиком)\n"
                    "  --from ДАТА           выданные не раньше этого дня (ГГГГ-ММ-ДД или "
                    "ДД.ММ.ГГГГ)\n"
                    "  --to ДАТА             выданные не позже этого дня\n"
                    "\n"
                    "Код возврата: 0 - файл записан; 1 - неверный запрос или нет базы данных;\n"
                    "2 - файл не удалось записать; 3 - за период свидетельства не выдавались,\n"
                    "файл не записан.\n"),
            &RegisterBook::runCommand};
}

int RegisterBook::runCommand(const QCommandLineParser &parser, QTextStream &err)
{
    const QString path = parser.value(optionBook);
    QDate bounds[2];
    const QString names[2] = {optionFrom, optionTo};
    for (int i = 0; i < 2; ++i) {
        if (!parser.isSet(names[i]))
            continue;
        bounds[i] = parseDate(parser.value(names[i]));
        if (!bounds[i].isValid()) {
            err << QStringLiteral("Неверная дата --%1 \"%2\": нужна ГГГГ-ММ-ДД или ДД.ММ.ГГГГ.\n")
                            .arg(names[i], parser.value(names[i]));
            return BadRequest;
        }
    }
    if (bounds[0].isValid() && bounds[1].isValid() && bounds[0] > bounds[1]) {
        err << QStringLiteral("Начало периода позже его конца.\n");
        return BadRequest;
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (path.trimmed().isEmpty()
        || (suffix != QLatin1String("pdf") && suffix != QLatin1String("csv"))) {
        err << QStringLiteral("Укажите файл .pdf или .csv (--register-book).\n");
        return BadRequest;
    }
    QString error;
    if (!Database::openExisting(&error)) {
        err << error << '\n';
        return BadRequest;
    }
    // A book without a line is most likely a wrong period; a script gets a word and no file.
    // A register that cannot be read is told by the write below.
    bool read = false;
    if (rows(bounds[0], bounds[1], &read).isEmpty() && read) {
        err << QStringLiteral("Файл %1 не записан: %2 свидетельства не выдавались.\n")
                        .arg(path, periodText(bounds[0], bounds[1]));
        return NothingIssued;
    }
    if (!write(path, bounds[0], bounds[1], &error)) {
        err << error << '\n';
        return NotWritten;
    }
    return Done;
}
