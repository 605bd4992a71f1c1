#include "registercommands.h"

#include "database/database.h"
#include "database/registertransfer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

namespace {

const QString optionBackup = QStringLiteral("backup");
const QString optionTransfer = QStringLiteral("transfer-register");

// Exit statuses of both commands.
enum Status { Done = 0, BadRequest = 1, NotWritten = 2 };

int runBackup(const QCommandLineParser &parser, QTextStream &err)
{
    const QString destination = parser.value(optionBackup);
    QString error;
    if (destination.trimmed().isEmpty()) {
        err << QStringLiteral("Не указан файл резервной копии (--backup).\n");
        return BadRequest;
    }
    if (!Database::openExisting(&error)) {
        err << error << '\n';
        return BadRequest;
    }
    if (!Database::backup(destination, &error)) {
        err << QStringLiteral("Резервная копия не сохранена: %1\n").arg(error);
        return NotWritten;
    }
    QTextStream(stdout) << QStringLiteral("Резервная копия реестра %1 сохранена в файл %2.\n")
                                   .arg(Database::registerAddress().toString(),
                                        QDir::toNativeSeparators(destination));
    return Done;
}

int runTransfer(const QCommandLineParser &parser, QTextStream &err)
{
    RegisterAddress server;
    QString error;
    if (!RegisterAddress::parse(parser.value(optionTransfer), &server, &error)
        || !server.isServer()) {
        err << (error.isEmpty() ? QStringLiteral("Перенос делается на сервер: укажите адрес "
                                                 "postgresql://ПОЛЬЗОВАТЕЛЬ@СЕРВЕР:ПОРТ/БАЗА.")
                                : error)
            << '\n';
        return BadRequest;
    }
    const RegisterAddress file = Database::registerAddress();
    if (file.isServer()) {
        err << QStringLiteral("Переносится реестр-файл: укажите его в --register или не "
                              "указывайте --register вовсе.\n");
        return BadRequest;
    }
    // The file is checked as any register before it is read, and never written.
    if (!Database::openExisting(&error)) {
        err << error << '\n';
        return BadRequest;
    }
    Database::destroy();
    QVector<RegisterCopy::Table> copied;
    if (!RegisterTransfer::fromFile(file.file, server, &copied, &error)) {
        err << error << '\n';
        return NotWritten;
    }
    QTextStream(stdout) << QStringLiteral("Реестр %1 перенесён на сервер %2; таблицы сверены:\n")
                                   .arg(QDir::toNativeSeparators(file.file), server.toString())
                        << RegisterTransfer::copiedText(copied) << '\n';
    return Done;
}

} // namespace

HeadlessCommand RegisterCommands::backup()
{
    return {optionBackup,
            {{optionBackup, QString(), QStringLiteral("file")}},
            QStringLiteral("  ZrPs --backup ФАЙЛ.db [--register РЕЕСТР]\n"
                           "\n"
                           "Резервная копия реестра (файла или базы на сервере) в файл SQLite,\n"
                           "который можно восстановить на любом компьютере. Файл заменяется\n"
                           "только целой копией.\n"
                           "\n"
                           "Код возврата: 0 - копия записана; 1 - неверный запрос или реестр\n"
                           "недоступен; 2 - копию не удалось записать.\n"),
            &runBackup};
}

HeadlessCommand RegisterCommands::transfer()
{
    return {optionTransfer,
            {{optionTransfer, QString(), QStringLiteral("address")}},
            QStringLiteral(
                    "  ZrPs --transfer-register postgresql://ПОЛЬЗОВАТЕЛЬ@СЕРВЕР:ПОРТ/БАЗА\n"
                    "       [--register ФАЙЛ.db]\n"
                    "\n"
                    "Перенос реестра-файла (из папки данных или указанного) в пустую базу\n"
                    "данных на сервере PostgreSQL: все документы, приложения, шаблоны,\n"
                    "данные организации и журнал печати - одной транзакцией, затем сверка\n"
                    "числа строк и контрольной суммы каждой таблицы. Таблицы в пустой базе\n"
                    "создаются (нужна роль владельца базы). Файл реестра не изменяется.\n"
                    "\n"
                    "Код возврата: 0 - реестр перенесён; 1 - неверный запрос или реестр-файл\n"
                    "недоступен; 2 - перенос не выполнен, база на сервере оставлена как была.\n"),
            &runTransfer};
}
