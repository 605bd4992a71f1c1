#pragma once

#include "database/database.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

// A register as a school fills it, for the benchmarks that print or check appendices: the
// organisation's data, and pupils with five appendix sections and `disciplines` graded
// disciplines each, written in one transaction.
namespace BenchRegister {

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

} // namespace BenchRegister
