#pragma once

#include "printing/printjournal.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

// Changes of the print journal the register turned away, kept to be written again: in
// memory and in a small file of the user's data folder, so that a restart loses none.
// They are written at the next start and when the user asks, all in one transaction.
class JournalBacklog : public QObject
{
    Q_OBJECT
public:
    static JournalBacklog &instance();

    // Keeps changes that could not be written, for `reason`; rows added get keys below 0.
    void keep(QList<PrintJournal::Change> &changes, const QString &reason);
    int count() const;
    // Why the last changes were kept, in the driver's words.
    QString reason() const { return m_reason; }
    // The id a kept row got once written; any other id as it is.
    int resolve(int id) const { return m_written.value(id, id); }
    // Writes every kept change; true when none is left.
    bool retry();

    // Where the kept changes wait between runs of the program.
    static QString fileName();

signals:
    // Changes were kept or written.
    void changed();

private:
    JournalBacklog() = default;
    void load() const;
    void save();

    mutable bool m_loaded = false;
    mutable QList<PrintJournal::Change> m_changes;
    QHash<int, int> m_written; // keys of rows written since to their ids
    QString m_reason;
};
