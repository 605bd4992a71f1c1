#include "importmapping.h"

#include "database/database.h"
#include "documents/disciplinenames.h"
#include "importnormalizer.h"
#include "importtable.h"

#include <QHash>
#include <QSettings>

namespace {

const QString settingsGroup = QStringLiteral("ImportColumns");
const QString subjectsGroup = QStringLiteral("ImportSubjects");

struct FieldInfo
{
    ImportMapping::Field field;
    const char *key; // in the settings
    const char *title;
};

const FieldInfo fieldInfo[]
        = {{ImportMapping::Ignore, "ignore", "Не загружать"},
           {ImportMapping::Surname, "surname", "Фамилия"},
           {ImportMapping::Name, "name", "Имя"},
           {ImportMapping::Patronymic, "patronymic", "Отчество"},
           {ImportMapping::FullName, "fullName", "ФИО в одном столбце"},
           {ImportMapping::BirthDate, "birthDate", "Дата рождения"},
           {ImportMapping::Number, "number", "Номер свидетельства"},
           {ImportMapping::RegNumber, "regNumber", "Регистрационный номер"},
           {ImportMapping::IssueDate, "issueDate", "Дата выдачи"},
           {ImportMapping::SchoolClass, "schoolClass", "Класс"},
           {ImportMapping::Section1, "add1", "Курсы внеурочной деятельности"},
           {ImportMapping::Section2, "add2", "Программы дополнительного образования"},
           {ImportMapping::Section3, "add3", "Результаты олимпиад, конкурсов, соревнований"},
           {ImportMapping::Section4, "add4", "Метапредметные результаты"},
           {ImportMapping::Section5, "add5", "Личностные результаты"},
           {ImportMapping::Discipline, "discipline", "Оценка по дисциплине"}};

// A bare "Номер" heads a class teacher's row counter as often as certificate numbers: the
// column is left unloaded until the user chooses.
const QString numberOrCounter = QStringLiteral("номер");

// Headers as they come in class teachers' tables and school system exports, reduced by
// ImportNormalizer::key.
const QHash<QString, ImportMapping::Field> &knownHeaders()
{
    static const QHash<QString, ImportMapping::Field> headers{
            {QStringLiteral("фамилия"), ImportMapping::Surname},
            {QStringLiteral("фамилия ученика"), ImportMapping::Surname},
            {QStringLiteral("фамилия обучающегося"), ImportMapping::Surname},
            {QStringLiteral("имя"), ImportMapping::Name},
            {QStringLiteral("отчество"), ImportMapping::Patronymic},
            {QStringLiteral("фио"), ImportMapping::FullName},
            {QStringLiteral("ф и о"), ImportMapping::FullName},
            {QStringLiteral("фамилия имя отчество"), ImportMapping::FullName},
            {QStringLiteral("фио ученика"), ImportMapping::FullName},
            {QStringLiteral("фио обучающегося"), ImportMapping::FullName},
            {QStringLiteral("фио учащегося"), ImportMapping::FullName},
            {QStringLiteral("ученик"), ImportMapping::FullName},
            {QStringLiteral("учащийся"), ImportMapping::FullName},
            {QStringLiteral("обучающийся"), ImportMapping::FullName},
            {QStringLiteral("дата рождения"), ImportMapping::BirthDate},
            {QStringLiteral("дата рожд"), ImportMapping::BirthDate},
            {QStringLiteral("д р"), ImportMapping::BirthDate},
            {QStringLiteral("номер свидетельства"), ImportMapping::Number},
            {QStringLiteral("№ свидетельства"), ImportMapping::Number},
            {QStringLiteral("номер документа"), ImportMapping::Number},
            {QStringLiteral("№ документа"), ImportMapping::Number},
            {QStringLiteral("номер бланка"), ImportMapping::Number},
            {QStringLiteral("№ бланка"), ImportMapping::Number},
            {QStringLiteral("регистрационный номер"), ImportMapping::RegNumber},
            {QStringLiteral("рег номер"), ImportMapping::RegNumber},
            {QStringLiteral("рег №"), ImportMapping::RegNumber},
            {QStringLiteral("регистрационный №"), ImportMapping::RegNumber},
            {QStringLiteral("дата выдачи"), ImportMapping::IssueDate},
            {QStringLiteral("выдан"), ImportMapping::IssueDate},
            {QStringLiteral("класс"), ImportMapping::SchoolClass},
            {QStringLiteral("курсы внеурочной деятельности"), ImportMapping::Section1},
            {QStringLiteral("внеурочная деятельность"), ImportMapping::Section1},
            {QStringLiteral("программы дополнительного образования"), ImportMapping::Section2},
            {QStringLiteral("дополнительное образование"), ImportMapping::Section2},
            {QStringLiteral("результаты олимпиад конкурсов соревнований"), ImportMapping::Section3},
            {QStringLiteral("результаты олимпиад"), ImportMapping::Section3},
            {QStringLiteral("метапредметные результаты"), ImportMapping::Section4},
            {QStringLiteral("личностные результаты"), ImportMapping::Section5},
            // Counters and facts a certificate does not print.
            {numberOrCounter, ImportMapping::Ignore},
            {QStringLiteral("№"), ImportMapping::Ignore},
            {QStringLiteral("№ п п"), ImportMapping::Ignore},
            {QStringLiteral("номер п п"), ImportMapping::Ignore},
            {QStringLiteral("порядковый номер"), ImportMapping::Ignore},
            {QStringLiteral("п п"), ImportMapping::Ignore},
            {QStringLiteral("n"), ImportMapping::Ignore},
            {QStringLiteral("пол"), ImportMapping::Ignore},
            {QStringLiteral("снилс"), ImportMapping::Ignore}};
    return headers;
}

const char *fieldKey(ImportMapping::Field field)
{
    for (const FieldInfo &info : fieldInfo)
        if (info.field == field)
            return info.key;
    return "ignore";
}

// Share of the column's non-empty cells below the header that `test` accepts; 0 when none.
// The first rows tell a column's kind well enough; a whole large table would take seconds.
template<typename Test> double shareOf(const ImportTable &table, int column, bool header, Test test)
{
    const int sampleRows = 200;
    int filled = 0;
    int accepted = 0;
    const int end = qMin(int(table.rows.size()), sampleRows + 1);
    for (int row = header ? 1 : 0; row < end; ++row) {
        const QString cell = table.cell(row, column).trimmed();
        if (cell.isEmpty())
            continue;
        ++filled;
        accepted += test(cell) ? 1 : 0;
    }
    return filled > 0 ? double(accepted) / filled : 0;
}

bool isGrade(const QString &cell)
{
    bool ok = false;
    ImportNormalizer::grade(cell, &ok);
    return ok;
}

bool isDate(const QString &cell, ImportTable::DaySerials daySerials)
{
    bool ok = false;
    return ImportNormalizer::date(cell, daySerials, &ok).isValid();
}

// The subject a header's column was given last time (in the settings' current group), else
// the one the header names.
QString subjectOf(const QString &header, QSettings *settings)
{
    const QString key = ImportNormalizer::key(header);
    if (settings->contains(key)) {
        const QString remembered = settings->value(key).toString();
        if (remembered.isEmpty() || DisciplineNames::subjects().contains(remembered))
            return remembered;
    }
    return DisciplineNames::subject(header);
}

bool isFullName(const QString &cell)
{
    const QStringList words = cell.simplified().split(QLatin1Char(' '));
    if (words.size() < 2 || words.size() > 4)
        return false;
    for (const QString &word : words)
        for (const QChar c : word)
            if (!c.isLetter() && c != QLatin1Char('-'))
                return false;
    return true;
}

} // namespace

QList<ImportMapping::Field> ImportMapping::fields()
{
    QList<Field> list;
    for (const FieldInfo &info : fieldInfo)
        list << info.field;
    return list;
}

QString ImportMapping::title(Field field)
{
    for (const FieldInfo &info : fieldInfo)
        if (info.field == field)
            return QString::fromUtf8(info.title);
    return QString();
}

QList<int> ImportMapping::columnsOf(Field field) const
{
    QList<int> list;
    for (int column = 0; column < columns.size(); ++column)
        if (columns.at(column) == field)
            list << column;
    return list;
}

bool ImportMapping::knownHeader(const QString &key, Field *field)
{
    const auto known = knownHeaders().constFind(key);
    if (known != knownHeaders().cend()) {
        *field = known.value();
        return true;
    }
    // "Дата рождения (дд.мм.гггг)", "Фамилия, имя, отчество ученика".
    for (auto it = knownHeaders().cbegin(); it != knownHeaders().cend(); ++it) {
        if (it.key().contains(QLatin1Char(' ')) && key.startsWith(it.key() + QLatin1Char(' '))) {
            *field = it.value();
            return true;
        }
    }
    return false;
}

bool ImportMapping::firstRowIsHeader(const ImportTable &table)
{
    if (table.rows.isEmpty())
        return false;
    QSettings *settings = Database::userSettings();
    settings->beginGroup(settingsGroup);
    const QStringList remembered = settings->childKeys();
    settings->endGroup();
    for (const QString &cell : table.rows.first()) {
        const QString key = ImportNormalizer::key(cell);
        Field field = Ignore;
        if (!key.isEmpty() && (knownHeader(key, &field) || remembered.contains(key)))
            return true;
    }
    if (table.rows.size() < 2)
        return false;
    for (int column = 0; column < table.columnCount; ++column) {
        const QString first = table.cell(0, column).trimmed();
        const QString second = table.cell(1, column).trimmed();
        if (!first.isEmpty() && !isGrade(first) && !isDate(first, table.daySerials)
            && (isGrade(second) || isDate(second, table.daySerials)))
            return true;
    }
    return false;
}

ImportMapping ImportMapping::guess(const ImportTable &table, bool header)
{
    ImportMapping mapping;
    mapping.header = header;
    mapping.columns.fill(Ignore, table.columnCount);
    mapping.subjects.fill(QString(), table.columnCount);
    QSettings *settings = Database::userSettings();
    if (header) {
        settings->beginGroup(subjectsGroup);
        for (int column = 0; column < table.columnCount; ++column)
            mapping.subjects[column] = subjectOf(table.cell(0, column), settings);
        settings->endGroup();
    }
    settings->beginGroup(settingsGroup);
    for (int column = 0; column < table.columnCount; ++column) {
        if (!header) {
            if (shareOf(table, column, false, isFullName) >= 0.8
                && mapping.columnsOf(FullName).isEmpty())
                mapping.columns[column] = FullName;
            else if (shareOf(table,
                             column,
                             false,
                             [&table](const QString &cell) {
                                 return isDate(cell, table.daySerials);
                             })
                             >= 0.8
                     && mapping.columnsOf(BirthDate).isEmpty())
                mapping.columns[column] = BirthDate;
            continue;
        }
        const QString key = ImportNormalizer::key(table.cell(0, column));
        if (key.isEmpty())
            continue;
        const QString remembered = settings->value(key).toString();
        if (!remembered.isEmpty()) {
            for (const FieldInfo &info : fieldInfo)
                if (remembered == QLatin1String(info.key))
                    mapping.columns[column] = info.field;
            continue;
        }
        Field named = Ignore;
        if (knownHeader(key, &named))
            mapping.columns[column] = named;
        // Most cells, not all: a misspelt grade is reported on the check page, not lost.
        else if (!DisciplineNames::subject(table.cell(0, column)).isEmpty()
                 || shareOf(table, column, true, isGrade) >= 0.5)
            mapping.columns[column] = Discipline;
    }
    settings->endGroup();
    return mapping;
}

QStringList ImportMapping::questions(const ImportTable &table) const
{
    QStringList texts;
    // With the numbers in a column of their own, "Номер" counts the rows.
    if (!header || table.rows.isEmpty() || columns.contains(Number))
        return texts;
    for (int column = 0; column < columns.size(); ++column) {
        const QString name = table.cell(0, column).simplified();
        if (ImportNormalizer::key(name) == numberOrCounter && columns.at(column) == Ignore)
            texts << QStringLiteral("Столбец %1 «%2» не загружается: в нём может быть номер "
                                    "ученика по порядку. Если в нём номера свидетельств, "
                                    "выберите «%3».")
                             .arg(ImportTable::columnName(column), name, title(Number));
    }
    return texts;
}

void ImportMapping::remember(const ImportTable &table) const
{
    if (!header || table.rows.isEmpty())
        return;
    QSettings *settings = Database::userSettings();
    settings->beginGroup(settingsGroup);
    for (int column = 0; column < columns.size(); ++column) {
        const QString key = ImportNormalizer::key(table.cell(0, column));
        if (!key.isEmpty())
            settings->setValue(key, QString::fromLatin1(fieldKey(columns.at(column))));
    }
    settings->endGroup();
    settings->beginGroup(subjectsGroup);
    for (int column = 0; column < columns.size(); ++column) {
        const QString key = ImportNormalizer::key(table.cell(0, column));
        if (!key.isEmpty() && columns.at(column) == Discipline)
            settings->setValue(key, subject(column));
    }
    settings->endGroup();
    settings->sync();
}
