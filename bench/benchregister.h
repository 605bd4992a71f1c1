#pragma once

#include "benchreport.h"
#include "database/database.h"
#include "database/registerconnection.h"
#include "database/sqliteengine.h"
#include "documents/documentstable.h"

#include <QCoreApplication>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

// A register as a school fills it, for the benchmarks that print or check appendices: the
// organisation's data, and pupils with five appendix sections and `disciplines` graded
// disciplines each, written in one transaction.
namespace BenchRegister {

// `count` documents (up to 100,000) with `disciplines` appendix rows each, written by the
// register itself in two statements, the same on every engine: the rows are numbered by five
// lists of the ten digits joined.
inline bool fillDocuments(int count, int disciplines)
{
    const QString digits
            = QStringLiteral("(VALUES (0), (1), (2), (3), (4), (5), (6), (7), (8), (9))");
    const QString issued = QStringLiteral("'20' || (19 + i % 6) || '-05-' || (10 + i % 19)");
    QSqlQuery documents;
    documents.prepare(
            QStringLiteral(
                    "INSERT INTO PsDocuments (isTemplate, fio1, fio2, fio3, birthDate, "
                    "issueDate, number, regNumber, editDate, decision, version) "
                    "SELECT 0, 'Фамилия' || (i % 1000), 'Имя' || (i % 97), "
                    "'Отчество' || (i % 89), '2013-0' || (1 + i % 9) || '-1' || (i % 10), %1, "
                    "'' || (3100000 + i), '' || i, %1 || ' 10:00:00', "
                    "'Решение педагогического совета от 25.05.2024 № 9', 1 FROM "
                    "(SELECT a.column1 + 10 * b.column1 + 100 * c.column1 + 1000 * d.column1 "
                    "+ 10000 * e.column1 AS i FROM %2 a, %2 b, %2 c, %2 d, %2 e) n "
                    "WHERE i < ? ORDER BY i")
                    .arg(issued, digits));
    documents.addBindValue(count);
    if (!Database::exec(documents))
        return false;
    if (disciplines < 1)
        return true;
    QStringList numbers;
    for (int k = 1; k <= disciplines; ++k)
        numbers << QStringLiteral("(%1)").arg(k);
    QSqlQuery details;
    details.prepare(QStringLiteral("INSERT INTO PsDocumentDetails (psId, disciplineName, "
                                   "disciplineRate) SELECT p.psId, 'Учебный предмет ' || "
                                   "k.column1, '' || (3 + k.column1 % 3) FROM PsDocuments "
                                   "p, (VALUES %1) k ORDER BY p.psId, k.column1")
                            .arg(numbers.join(QStringLiteral(", "))));
    return Database::exec(details);
}

inline QList<int> fillAppendices(int documents, int disciplines)
{
    const QString school = QStringLiteral("МБОУ \"СОШ № 1\"");
    Database::setVariable("Data/Boss_1", QStringLiteral("Сидорова Анна Ивановна"));
    Database::setVariable("Data/City", QStringLiteral("Рязань"));
    Database::setVariable("Data/OrgName_1", school);
    Database::setVariable("Data/OrgName_2", school);
    Database::setVariable("Data/OrgName_3", school);
    QSqlDatabase::database().transaction();
    QList<int> ids;
    for (int d = 0; d < documents; ++d) {
        QSqlQuery doc;
        doc.prepare("INSERT INTO PsDocuments (isTemplate, fio1, fio2, fio3, birthDate, number, "
                    "regNumber, issueDate, add1, add2, add3, add4, add5) "
                    "VALUES (0, ?, ?, ?, '2013-01-07', ?, ?, '2024-05-25', ?, ?, ?, ?, ?)");
        doc.addBindValue(QStringLiteral("Петров%1").arg(d));
        doc.addBindValue(QStringLiteral("Пётр"));
        doc.addBindValue(QStringLiteral("Петрович"));
        doc.addBindValue(QString::number(770000 + d));
        doc.addBindValue(QString::number(d + 1));
        for (int s = 0; s < 5; ++s)
            doc.addBindValue(QStringLiteral("Раздел %1 документа %2: несколько слов о нём.")
                                     .arg(s + 1)
                                     .arg(d));
        doc.exec();
        const int id = doc.lastInsertId().toInt();
        ids << id;
        QSqlQuery detail;
        detail.prepare("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                       "VALUES (?, ?, ?)");
        for (int i = 0; i < disciplines; ++i) {
            detail.addBindValue(id);
            detail.addBindValue(QStringLiteral("Учебный предмет %1").arg(i + 1));
            detail.addBindValue(QString::number(2 + i % 4));
            detail.exec();
        }
    }
    QSqlDatabase::database().commit();
    return ids;
}

// SQLite's check of the register's pages (all, or as the opening checks them), on a
// connection of its own.
inline void quickCheckAlone(IntegrityScope scope = IntegrityScope::Whole)
{
    RegisterConnection connection(SqliteEngine::instance(), Database::databasePath());
    connection.open();
    connection.engine().checkIntegrity(connection.database(), scope);
}

// The median time `table`, shown, takes to read the whole register again, not only the
// rows shown first.
inline double wholeTableLoad(DocumentsTable &table)
{
    return BenchReport::medianMs(5, [&table] {
        table.updateData();
        table.fetchAll();
        QCoreApplication::processEvents();
    });
}

} // namespace BenchRegister
