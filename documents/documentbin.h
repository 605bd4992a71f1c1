#pragma once

#include <QList>
#include <QString>
#include <QVector>

// Documents deleted from the register wait in the bin, their rows and appendix rows kept
// in the register, until they are restored or deleted for good. A document in the bin has
// the moment and the deleter in its row; the register's view leaves it out. Each change
// runs in one transaction: every document given changes or none does.
namespace DocumentBin {

struct Entry
{
    int id = 0;
    QString name;
    QString schoolClass;
    QString number;
    QString deletedAt; // as stored, "yyyy-MM-dd hh:mm:ss"
    QString deletedBy; // "login@workstation"
};

// Moves the issued documents among `ids` into the bin (templates and documents already
// there stay as they are).
bool moveIn(const QList<int> &ids);
// The documents in the bin, the latest deleted first; false when it could not be read.
bool read(QVector<Entry> *entries);
// Puts the documents back into the register, with their appendix.
bool restore(const QList<int> &ids);
// Removes the documents of the bin among `ids`, and their appendix rows, from the register.
bool removeForGood(const QList<int> &ids);

// The rows of PsDocuments outside the bin, templates included, as a condition of a query;
// on a register the upgrade could not give the bin's columns it holds for every row.
QString outsideCondition();

} // namespace DocumentBin
