#pragma once

#include "documents/documentstore.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The certificate and registration numbers the register's documents hold, compared as
// DocumentNumber compares them, to find a number given twice; a template's number is kept
// apart: it is no document's.
class RegisterNumbers
{
public:
    // False (logged) when the register could not be read.
    bool read();

    // The names of the documents other than `except` that hold the number, in register order.
    QStringList holdersOfNumber(const QString &number, const QSet<int> &except) const;
    QStringList holdersOfRegNumber(const QString &regNumber, const QSet<int> &except) const;
    // The name of a template whose certificate number this is, or empty.
    QString templateWithNumber(const QString &number) const;
    // For each new number another document holds, a line for the user: "Номер свидетельства
    // 000105 уже указан в документе «Сидоров Иван Ильич»." The documents renumbered do not
    // count: their own numbers are replaced.
    QStringList collisions(const QVector<DocumentStore::NumberChange> &changes) const;

private:
    struct Holder
    {
        int id;
        QString name;
    };
    static QStringList holders(const QHash<QString, QList<Holder>> &numbers,
                               const QString &number,
                               const QSet<int> &except);

    QHash<QString, QList<Holder>> m_numbers;
    QHash<QString, QList<Holder>> m_regNumbers;
    QHash<QString, QString> m_templateNumbers; // a template's name is kept in its surname
};
