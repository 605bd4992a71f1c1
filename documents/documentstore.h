#pragma once

#include "documents/documentrecord.h"

#include <QPair>
#include <QSqlQuery>
#include <QStringList>

// Reads and writes documents of the register with their appendix. An object keeps its
// prepared statements, so that a run of many writes (an import) prepares each once.
// Failures are logged by the database service and reported through the return values.
class DocumentStore
{
public:
    // The row and its appendix rows; false when there is no such row or, with `failed` set,
    // when the register could not be read.
    static bool read(int id, DocumentRecord *record, bool *failed = nullptr);
    // Why read() gave no document `id`: "Документ 12 не найден в реестре." or, when the
    // register refused it (`failed`), that it could not be read.
    static QString notReadText(int id, bool failed);
    // False when the appendix rows could not be read: none is taken for "no grades".
    static bool readDisciplines(int id, QVector<DocumentRecord::Discipline> *disciplines);
    // The fields and sections of a row read with all its columns; no appendix rows.
    static DocumentRecord fromRow(const QSqlQuery &query);
    // Binds :fio1, :fio2, :fio3, :birthDate, :number, :regNumber, :issueDate, :decision,
    // :schoolClass, :gender and :editDate (this moment) of an insert or update of PsDocuments.
    static void bindFields(QSqlQuery &query, const DocumentRecord &record);
    // The document templates as (psId, name), in the order the register keeps them.
    static QVector<QPair<int, QString>> templates();
    // A copy of the row, its name marked "КОПИЯ " and its change date now; the new id, or -1
    // (also for no such row).
    static int copyRow(int id);
    static bool copyDisciplines(int fromId, int toId);
    // The pupil's gender, as PupilGender::of tells it from the stored row; Unknown for no row.
    static PupilGender::Value gender(int id);

    // New numbers for documents; a null text keeps the number the document has.
    struct NumberChange
    {
        int id = 0;
        QString number;
        QString regNumber;
    };
    enum class NumberingResult { Assigned, Collides, Failed };
    // The one write of numbers given in bulk, in one transaction: every document gets its
    // numbers or none does. Refused, with the texts in `collisions`, when a new number is one
    // another document of the register holds (those being renumbered do not count).
    static NumberingResult assignNumbers(const QVector<NumberChange> &changes,
                                         QStringList *collisions);

    // New documents with their sections and appendix rows, in a few statements whatever
    // their number (an import): their ids in the order of `records`, or false (logged) with
    // none; the caller's transaction is then rolled back.
    static bool insertAll(const QVector<DocumentRecord> &records, QList<int> *ids);

    // Inserts the row without its sections and appendix; the new id, or -1.
    int insert(const DocumentRecord &record, bool isTemplate);
    bool writeSections(int id, const QStringList &sections);
    bool addDiscipline(int id, const DocumentRecord::Discipline &discipline);

private:
    QSqlQuery m_insert;
    QSqlQuery m_sections;
    QSqlQuery m_discipline;
};
