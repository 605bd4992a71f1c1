#include "registernumbers.h"

#include "database/database.h"
#include "documentbin.h"
#include "documentnumber.h"
#include "personname.h"

#include <QSqlQuery>
#include <QVariant>

bool RegisterNumbers::read()
{
    m_numbers.clear();
    m_regNumbers.clear();
    m_templateNumbers.clear();
    QSqlQuery query;
    // A document in the bin holds no number: restored, it is checked again.
    query.prepare(QStringLiteral("SELECT psId, fio1, fio2, fio3, number, regNumber, "
                                 "COALESCE(isTemplate, 0) = 1 FROM PsDocuments WHERE %1 "
                                 "ORDER BY psId;")
                          .arg(DocumentBin::outsideCondition()));
    if (!Database::exec(query))
        return false;
    while (query.next()) {
        const QString number = DocumentNumber::comparable(query.value(4).toString());
        if (query.value(6).toBool()) {
            if (!number.isEmpty())
                m_templateNumbers.insert(number, query.value(1).toString());
            continue;
        }
        const Holder holder{query.value(0).toInt(),
                            PersonName{query.value(1).toString(),
                                       query.value(2).toString(),
                                       query.value(3).toString()}
                                    .full()};
        if (!number.isEmpty())
            m_numbers[number].append(holder);
        const QString regNumber = DocumentNumber::comparable(query.value(5).toString());
        if (!regNumber.isEmpty())
            m_regNumbers[regNumber].append(holder);
    }
    return Database::readToEnd(query);
}

QStringList RegisterNumbers::holdersOfNumber(const QString &number, const QSet<int> &except) const
{
    return holders(m_numbers, number, except);
}

QStringList RegisterNumbers::holdersOfRegNumber(const QString &regNumber,
                                                const QSet<int> &except) const
{
    return holders(m_regNumbers, regNumber, except);
}

QString RegisterNumbers::templateWithNumber(const QString &number) const
{
    return m_templateNumbers.value(DocumentNumber::comparable(number));
}

QStringList RegisterNumbers::collisions(const QVector<DocumentStore::NumberChange> &changes) const
{
    QSet<int> renumbered;
    for (const DocumentStore::NumberChange &change : changes)
        renumbered.insert(change.id);
    QStringList lines;
    const auto tell
            = [&lines](const QString &what, const QString &number, const QStringList &names) {
                  if (names.isEmpty())
                      return;
                  QStringList quoted;
                  for (const QString &name : names)
                      quoted << QStringLiteral("«%1»").arg(name);
                  lines << QStringLiteral("%1 %2 уже указан в документе %3.")
                                   .arg(what, number.trimmed(), quoted.join(QStringLiteral(", ")));
              };
    for (const DocumentStore::NumberChange &change : changes) {
        if (!change.number.isNull())
            tell(QStringLiteral("Номер свидетельства"),
                 change.number,
                 holdersOfNumber(change.number, renumbered));
        if (!change.regNumber.isNull())
            tell(QStringLiteral("Регистрационный номер"),
                 change.regNumber,
                 holdersOfRegNumber(change.regNumber, renumbered));
    }
    return lines;
}

QStringList RegisterNumbers::holders(const QHash<QString, QList<Holder>> &numbers,
                                     const QString &number,
                                     const QSet<int> &except)
{
    QStringList names;
    for (const Holder &holder : numbers.value(DocumentNumber::comparable(number))) {
        if (!except.contains(holder.id))
            names << holder.name;
    }
    return names;
}
