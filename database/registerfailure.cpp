#include "registerfailure.h"

#include <QDir>

RegisterFailure RegisterFailure::of(Kind kind, const QString &detail)
{
    RegisterFailure failure;
    failure.kind = kind;
    failure.detail = detail;
    return failure;
}

QString RegisterFailure::text(const QString &location) const
{
    const QString where = QDir::toNativeSeparators(location);
    switch (kind) {
    case Kind::None:
        return QString();
    case Kind::Missing:
        return QStringLiteral("База данных %1 не найдена.").arg(where);
    case Kind::Busy:
        return QStringLiteral("Реестр используется другой программой (%1).\nЗакройте её или "
                              "дождитесь, пока она закончит работу с реестром, и повторите "
                              "попытку.")
                .arg(where);
    case Kind::Damaged:
        return QStringLiteral("Реестр %1 повреждён: %2").arg(where, detail);
    case Kind::Unreadable:
        return QStringLiteral("Реестр %1 не удаётся прочитать: %2").arg(where, detail);
    case Kind::Unwritable:
        return QStringLiteral("Не удаётся записать реестр %1: %2").arg(where, detail);
    case Kind::Unreachable:
        return QStringLiteral("Сервер реестра %1 недоступен: %2\nПроверьте, что сервер "
                              "PostgreSQL запущен, что адрес и порт указаны верно и что "
                              "компьютер подключён к сети.")
                .arg(where, detail.trimmed());
    case Kind::Refused:
        return QStringLiteral("Сервер реестра %1 не допускает к реестру: %2\nПроверьте имя "
                              "пользователя, его пароль в файле паролей ~/.pgpass и права "
                              "этого пользователя на таблицы реестра.")
                .arg(where, detail.trimmed());
    case Kind::Untrusted:
        return QStringLiteral("Сервер реестра %1 не подтвердил свою подлинность: %2\nПроверьте "
                              "режим SSL, файл корневого сертификата (сертификата центра "
                              "сертификации) и имя сервера: оно должно совпадать с именем в "
                              "сертификате сервера.")
                .arg(where, detail.trimmed());
    case Kind::OldServer:
        return QStringLiteral("Сервер реестра %1 слишком старый (версия %2): нужен "
                              "PostgreSQL 10 или новее.")
                .arg(where, detail);
    case Kind::Empty:
    case Kind::NotARegister:
        break;
    }
    return QStringLiteral("База данных %1 имеет неверный формат.").arg(location);
}
