#include "historycommand.h"

#include "database/database.h"
#include "documenthistory.h"
#include "historydescription.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

const QString optionHistory = QStringLiteral("history");

enum Exit { Done = 0, BadRequest = 1, NotRead = 2 };

int run(const QCommandLineParser &parser, QTextStream &err)
{
    bool ok = false;
    const int id = parser.value(optionHistory).trimmed().toInt(&ok);
    if (!ok || id < 1) {
        err << QStringLiteral("Неверный номер документа \"%1\".\n")
                        .arg(parser.value(optionHistory));
        return BadRequest;
    }
    QString error;
    if (!Database::openExisting(&error)) {
        err << error << '\n';
        return BadRequest;
    }
    QVector<DocumentHistory::Version> versions;
    if (!DocumentHistory::versions(id, &versions)) {
        err << QStringLiteral("Историю документа %1 не удалось прочитать из реестра.\n").arg(id);
        return NotRead;
    }
    if (versions.isEmpty()) {
        err << QStringLiteral("Документ %1 не найден в реестре.\n").arg(id);
        return BadRequest;
    }
    QTextStream out(stdout);
    for (int i = 0; i < versions.size(); ++i) {
        const DocumentHistory::Version &version = versions.at(i);
        out << HistoryDescription::momentText(version.changedAt) << '\t' << version.changedBy
            << '\t' << HistoryDescription::of(version, i > 0 ? &versions.at(i - 1) : nullptr)
            << '\n';
    }
    return Done;
}

} // namespace

HeadlessCommand HistoryCommand::command()
{
    return {optionHistory,
            {{optionHistory, QString(), QStringLiteral("id")}},
            QStringLiteral("  ZrPs --history НОМЕР\n"
                           "\n"
                           "История изменений документа (psId): каждая версия - строка\n"
                           "\"<дд.мм.гггг чч:мм:сс>\\t<кто>\\t<что изменено>\", от первой к "
                           "последней;\n"
                           "кто - имя пользователя и компьютера (\"login@компьютер\").\n"
                           "\n"
                           "Код возврата: 0 - история выведена; 1 - неверный номер, нет реестра\n"
                           "или такого документа; 2 - историю не удалось прочитать.\n"),
            &run};
}
