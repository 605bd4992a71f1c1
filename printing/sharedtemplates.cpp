#include "sharedtemplates.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "database/reporttemplates.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/reportlist.h"

#include "ZrReport/filereplacement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content, QString *error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    FileReplacement file(path);
    if (file.open()) {
        file.setExpectedSize(content.size());
        file.device()->write(content);
        if (file.commit())
            return true;
    }
    *error = file.errorString();
    ZR_LOG() << "template file not written" << path << *error;
    return false;
}

} // namespace

QString SharedTemplates::fileToRead(int type, QString *error)
{
    const QString file = Engine::templatePath(type);
    const ReportListEntry *entry = ReportList::entry(type);
    if (!entry || !Database::onServer())
        return file;
    const QSqlDatabase db = QSqlDatabase::database();
    QByteArray content;
    QSqlError failure;
    if (!ReportTemplates::read(db, entry->id, &content, &failure)) {
        // A register not yet upgraded by its owner: each workstation keeps its own, as before.
        if (!ReportTemplates::kept(db)) {
            ZR_LOG() << "register keeps no templates, the data folder's is read" << file;
            return file;
        }
        *error = QStringLiteral("Шаблон бланка %1 не прочитан из реестра: %2.")
                         .arg(entry->id, Database::failureText(failure).trimmed());
        return QString();
    }
    if (content.isNull())
        return DefaultTemplates::resourcePath(entry->id);
    QString reason;
    if (bytesOf(file) != content && !writeFile(file, content, &reason)) {
        *error = QStringLiteral("Шаблон бланка %1 из реестра не записан в файл %2: %3.")
                         .arg(entry->id, QDir::toNativeSeparators(file), reason);
        return QString();
    }
    return file;
}

bool SharedTemplates::save(int type, const QByteArray &content, const QString &path, QString *error)
{
    const ReportListEntry *entry = ReportList::entry(type);
    // Saved elsewhere than as the form's template, it is only a file.
    if (!entry || !Database::samePath(path, Engine::templatePath(type)))
        return writeFile(path, content, error);
    QSqlError failure;
    if (!ReportTemplates::write(QSqlDatabase::database(), entry->id, content, &failure)) {
        *error = Database::failureText(failure).trimmed();
        return false;
    }
    // The register has it: a file not written now is written at the next read.
    QString ignored;
    writeFile(path, content, &ignored);
    return true;
}

QMap<QString, QByteArray> SharedTemplates::dataFolderFiles()
{
    QMap<QString, QByteArray> files;
    for (const ReportListEntry *entry : ReportList::entries()) {
        const QString path = Engine::templatePath(entry->type);
        if (QFileInfo(path).isFile())
            files.insert(entry->id, bytesOf(path));
    }
    return files;
}
