#include "historycommand.h"

#include "database/database.h"
#include "documenthistory.h"
#include "historydescription.h"
#include "organisationhistory.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

const QString optionHistory = QStringLiteral("history");

enum Exit { Done = 0, BadRequest = 1, NotRead = 2 };

void print(QTextStream &out,
           const QString &changedAt,
           const QString &changedBy,
           const QString &what)
{
    out << HistoryDescription::momentText(changedAt) << '\t' << changedBy << '\t' << what << '\n';
}

int printOrganisation(QTextStream &err)
{
    QVector<OrganisationHistory::Change> changes;
    if (!OrganisationHistory::changes(&changes)) {
        err << QStringLiteral("Историю данных организации не удалось прочитать из реестра.\n");
        return NotRead;
    }
    QTextStream out(stdout);
    for (const OrganisationHistory::Change &change : qAsConst(changes))
        print(out, change.changedAt, change.changedBy, OrganisationHistory::description(change));
    return Done;
}

int run(const QCommandLineParser &parser, QTextStream &err)
{
    bool ok = false;
    const int id = parser.value(optionHistory).trimmed().toInt(&ok);
    if (!ok || id < 0) {
        err << QStringLiteral("Неверный номер документа \"%1\".\n")
                        .arg(parser.value(optionHistory));
        return BadRequest;
    }
    QString error;
    if (!Database::openExisting(&error)) {
        err << error << '\n';
        return BadRequest;
    }
    if (id == 0)
        return printOrganisation(err);
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
        print(out,
              version.changedAt,
              version.changedBy,
              HistoryDescription::of(version, i > 0 ? &versions.at(i - 1) : nullptr));
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
                           "НОМЕР 0 - история данных организации: каждое сохранение - строка\n"
                           "того же вида, что изменено - \"«Название поля»: было → стало\".\n"
                           "\n"
                           "Код возврата: 0 - история выведена; 1 - неверный номер, нет реестра\n"
                           "или такого документа; 2 - историю не удалось прочитать.\n"),
            &run};
}
