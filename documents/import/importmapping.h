#pragma once

#include <QList>
#include <QString>
#include <QVector>

struct ImportTable;

// What each column of an imported table fills in a document: a field of the register, the
// grade of a discipline named by the column's header, or nothing.
class ImportMapping
{
public:
    enum Field {
        Ignore,
        Surname,
        Name,
        Patronymic,
        FullName, // surname, first name and patronymic in one cell
        BirthDate,
        Number,
        RegNumber,
        IssueDate,
        SchoolClass,
        Section1, // the five appendix sections, add1 to add5
        Section2,
        Section3,
        Section4,
        Section5,
        Discipline
    };

    static QList<Field> fields();
    static QString title(Field field);

    // The first row names the columns when one of its cells is a header we know, or when it
    // holds text where the next row holds dates or grades.
    static bool firstRowIsHeader(const ImportTable &table);
    // Column by column: the choice remembered for its header, else the field its header
    // names, else a discipline when its header is a subject's name or its cells are grades.
    // Without headers only the full name and the birth date are guessed, from the cells.
    // The subject of each header is the one remembered for it, else the one it names.
    static ImportMapping guess(const ImportTable &table, bool header);
    // Keeps the choice made for each header, and the subject of each discipline, (in the
    // per-user settings) for the next file.
    void remember(const ImportTable &table) const;
    // While no column gives the certificate number, for each column left unloaded whose header
    // may name it but as often heads a class teacher's row counter ("Номер"): what the user
    // is asked to decide.
    QStringList questions(const ImportTable &table) const;

    Field field(int column) const { return columns.value(column, Ignore); }
    // The known subject a discipline column's grades go under (DisciplineNames), or empty for
    // a subject of its own, named as its header.
    QString subject(int column) const { return subjects.value(column); }
    // The columns set to the field, in order.
    QList<int> columnsOf(Field field) const;

    QVector<Field> columns;
    bool header = true;
    QVector<QString> subjects; // by column, as subject() gives them

private:
    // The field a header (reduced by ImportNormalizer::key) names; false for other headers.
    static bool knownHeader(const QString &key, Field *field);
};
