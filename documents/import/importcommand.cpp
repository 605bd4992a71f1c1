#include "importcommand.h"

#include "database/database.h"
#include "database/registerlock.h"
#include "documentimporter.h"
#include "importmapping.h"
#include "importplan.h"
#include "importsource.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

const QString optionImport = QStringLiteral("import");
const QString optionTemplate = QStringLiteral("template");
const QString optionSheet = QStringLiteral("sheet");

enum Exit { Done = 0, BadRequest = 1, NotWritten = 2 };

bool positiveNumber(const QString &text, int *number)
{
    bool ok = false;
    *number = text.trimmed().toInt(&ok);
    return ok && *number > 0;
}

} // namespace

HeadlessCommand ImportCommand::command()
{
    return {optionImport,
            {{optionImport, QString(), QStringLiteral("file")},
             {optionTemplate, QString(), QStringLiteral("id")},
             {optionSheet, QString(), QStringLiteral("n")}},
            QStringLiteral(
                    "  ZrPs --import ФАЙЛ [--template НОМЕР] [--sheet N]\n"
                    "\n"
                    "Загрузка учеников и их оценок из таблицы без окна и без вопросов: каждая\n"
                    "строка становится документом с приложением. Столбцы сопоставляются по\n"
                    "заголовкам, как в мастере \"Импорт из таблицы...\" (с учётом сопоставления,\n"
                    "выбранного в мастере последним); кодировка и разделитель CSV определяются\n"
                    "по содержимому файла. Столбец с заголовком \"Номер\" не загружается, пока\n"
                    "в мастере не выбрано, что в нём номера свидетельств.\n"
                    "\n"
                    "  --import ФАЙЛ       таблица: CSV (.csv, .txt) или книга Excel (.xlsx)\n"
                    "  --template НОМЕР    шаблон документа (psId): его дата выдачи, решение,\n"
                    "                      разделы и дисциплины - начальные значения; номер,\n"
                    "                      регистрационный номер и дата рождения берутся\n"
                    "                      только из таблицы\n"
                    "  --sheet N           лист книги, считая с 1 (по умолчанию первый)\n"
                    "\n"
                    "Если хоть в одной строке есть ошибка, ничего не загружается, а ошибки\n"
                    "выводятся по одной в строке. Пока реестр открыт в программе, загрузка\n"
                    "не выполняется. Код возврата: 0 - документы созданы; 1 - неверный\n"
                    "запрос, файл или данные; 2 - реестр открыт другой копией программы или\n"
                    "его не удалось записать.\n"),
            &ImportCommand::runCommand};
}

int ImportCommand::runCommand(const QCommandLineParser &parser, QTextStream &err)
{
    Request request;
    request.file = parser.value(optionImport);
    if (parser.isSet(optionTemplate)
        && !positiveNumber(parser.value(optionTemplate), &request.templateId)) {
        err << QStringLiteral("Неверный номер шаблона \"%1\".\n").arg(parser.value(optionTemplate));
        return BadRequest;
    }
    if (parser.isSet(optionSheet) && !positiveNumber(parser.value(optionSheet), &request.sheet)) {
        err << QStringLiteral("Неверный номер листа \"%1\".\n").arg(parser.value(optionSheet));
        return BadRequest;
    }
    QTextStream out(stdout);
    return import(request, out, err);
}

int ImportCommand::import(const Request &request, QTextStream &out, QTextStream &err)
{
    if (request.file.trimmed().isEmpty()) {
        err << QStringLiteral("Не указан файл таблицы (--import).\n");
        return BadRequest;
    }
    ImportSource source(request.file);
    source.setSheet(request.sheet - 1);
    QString error;
    if (!source.read(&error)) {
        err << error << '\n';
        return BadRequest;
    }
    // Writes to the register, so not beside a running program: as a second start, it
    // leaves the folder to the program that has it. A server register is shared.
    RegisterLock lock(Database::dataPath());
    if (!Database::onServer() && !lock.acquire()) {
        err << lock.refusalText() << '\n';
        return NotWritten;
    }
    if (!Database::openExisting(&error)) {
        err << error << '\n';
        return BadRequest;
    }
    const ImportTable &table = source.table();
    const ImportMapping mapping
            = ImportMapping::guess(table, ImportMapping::firstRowIsHeader(table));
    for (const QString &question : mapping.questions(table))
        err << question << '\n';
    const ImportPlan plan = ImportPlan::build(table, mapping, request.templateId);
    if (!plan.canImport(false)) {
        for (const QString &problem : plan.problemTexts())
            err << problem << '\n';
        err << QStringLiteral("Ничего не загружено.\n");
        return BadRequest;
    }
    QList<int> ids;
    if (!DocumentImporter::write(plan.entries, &ids, &error)) {
        err << error << '\n';
        return NotWritten;
    }
    out << DocumentImporter::createdText(ids.size()) << '\n';
    return Done;
}
