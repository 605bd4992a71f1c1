#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

// What a document of the register holds: one row of PsDocuments with its appendix rows.
struct DocumentRecord
{
    struct Discipline
    {
        QString name;
        QString rate;
    };

    QString fio1;
    QString fio2;
    QString fio3;
    QDate birthDate; // an invalid date is stored as an empty text
    QString number;
    QString regNumber;
    QDate issueDate;
    QString decision;
    QString editDate; // as stored, "yyyy-MM-dd hh:mm:ss"
    QStringList sections{QString(), QString(), QString(), QString(), QString()}; // add1 to add5
    QVector<Discipline> disciplines;                                             // in print order
};
