#include "pagedamage.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <QtEndian>

bool damageTablePage(const QSqlDatabase &db, const QString &table)
{
    QSqlQuery query(db);
    if (!query.exec("PRAGMA page_size") || !query.next())
        return false;
    const qint64 pageSize = query.value(0).toLongLong();
    query.prepare("SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = ?");
    query.addBindValue(table);
    if (!query.exec() || !query.next())
        return false;
    const qint64 root = query.value(0).toLongLong();
    query.finish();

    QFile file(db.databaseName());
    if (!file.open(QIODevice::ReadWrite) || !file.seek((root - 1) * pageSize)
        || file.write(QByteArray(int(pageSize), '\xff')) != pageSize)
        return false;
    // The file change counter tells open connections that their cached pages are stale.
    uchar counter[4];
    if (!file.seek(24) || file.read(reinterpret_cast<char *>(counter), 4) != 4)
        return false;
    qToBigEndian<quint32>(qFromBigEndian<quint32>(counter) + 1, counter);
    return file.seek(24) && file.write(reinterpret_cast<const char *>(counter), 4) == 4;
}
