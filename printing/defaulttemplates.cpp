#include "defaulttemplates.h"

#include "app/appinfo.h"
#include "app/debuglog.h"
#include "app/messagelines.h"
#include "app/platformlayer.h"
#include "database/database.h"
#include "printing/reportlist.h"

#include "ZrReport/filereplacement.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

namespace {

// Written rather than copied: a copy out of the resources would be read-only, and the
// designer must be able to save the user's template in place.
bool writeIfMissing(const QString &source, const QString &target)
{
    if (QFileInfo::exists(target))
        return false;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QString error;
    if (!FileReplacement::copy(source, target, &error)) {
        ZR_LOG() << "cant install template" << target << error;
        return false;
    }
    return true;
}

} // namespace

QString DefaultTemplates::resourcePath(const QString &id)
{
    return QStringLiteral(":/default_reports/") + id + QStringLiteral(".zrrpt");
}

QString DefaultTemplates::defaultDataPath()
{
    PlatformLayer::prepareSettingsPaths();
    const QSettings systemScope(QSettings::IniFormat,
                                QSettings::SystemScope,
                                QString::fromLatin1(AppInfo::organizationName),
                                QString::fromLatin1(AppInfo::applicationName));
    return QFileInfo(systemScope.fileName()).absolutePath();
}

int DefaultTemplates::install()
{
    return install(defaultDataPath(), Database::dataPath());
}

int DefaultTemplates::install(const QString &defaultDataPath, const QString &dataPath)
{
    int written = 0;
    for (const ReportListEntry *entry : ReportList::entries()) {
        const QString source = resourcePath(entry->id);
        const QString file = entry->id + QStringLiteral(".zrrpt");
        if (writeIfMissing(source, defaultDataPath + QStringLiteral("/default_reports/") + file))
            ++written;
        if (writeIfMissing(source, dataPath + QStringLiteral("/reports/") + file)) {
            ZR_LOG() << "installed default template" << file;
            ++written;
        }
    }
    return written;
}

QStringList DefaultTemplates::missing(const QString &dataPath)
{
    QStringList files;
    for (const ReportListEntry *entry : ReportList::entries()) {
        const QString file
                = dataPath + QStringLiteral("/reports/") + entry->id + QStringLiteral(".zrrpt");
        if (!QFileInfo(file).isFile())
            files << QDir::toNativeSeparators(file);
    }
    return files;
}

void DefaultTemplates::installAtStartup()
{
    install();
    const QStringList files = missing(Database::dataPath());
    if (files.isEmpty())
        return;
    ZR_LOG() << "templates missing after installing" << files;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Внимание!"), QString(), QMessageBox::Ok);
    setMessageLines(&box,
                    QStringLiteral("Не удалось установить шаблоны бланков:"),
                    files,
                    QStringLiteral("Эти бланки нельзя будет напечатать. Проверьте, есть ли место "
                                   "на диске и разрешена ли запись в папку данных, затем "
                                   "восстановите шаблоны: Инструменты - Настройки программы - "
                                   "Расположение файлов - «Восстановить шаблоны по умолчанию»."));
    box.exec();
}
