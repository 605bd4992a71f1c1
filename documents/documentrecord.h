#pragma once

#include "documents/pupilgender.h"

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

        bool operator==(const Discipline &other) const
        {
            return name == other.name && rate == other.rate;
        }
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
    int version = 0;  // the count of the row's saves, as stored
    QString schoolClass;
    // As stored; it counts where the patronymic tells nothing (PupilGender::of).
    PupilGender::Value gender = PupilGender::Unknown;
    QStringList sections{QString(), QString(), QString(), QString(), QString()}; // add1 to add5
    QVector<Discipline> disciplines;                                             // in print order

    bool operator==(const DocumentRecord &other) const
    {
        return fio1 == other.fio1 && fio2 == other.fio2 && fio3 == other.fio3
               && birthDate == other.birthDate && number == other.number
               && regNumber == other.regNumber && issueDate == other.issueDate
               && decision == other.decision && editDate == other.editDate
               && schoolClass == other.schoolClass && gender == other.gender
               && sections == other.sections && disciplines == other.disciplines;
    }
    bool operator!=(const DocumentRecord &other) const { return !(*this == other); }
};
