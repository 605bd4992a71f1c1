#include "importplan.h"

#include "database/database.h"
#include "documents/disciplinenames.h"
#include "documents/documentnumber.h"
#include "documents/documentstore.h"
#include "documents/personname.h"
#include "documents/registernumbers.h"
#include "importnormalizer.h"
#include "importtable.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace {

QString columnNames(const QList<int> &columns)
{
    QStringList names;
    for (int column : columns)
        names << ImportTable::columnName(column);
    return names.join(QStringLiteral(", "));
}

// The name a discipline column's grades go under: its known subject, or else its header.
QString disciplineName(const ImportTable &table, const ImportMapping &mapping, int column)
{
    const QString subject = mapping.subject(column);
    return subject.isEmpty() ? table.cell(0, column).simplified() : subject;
}

bool isTemplate(int id)
{
    QSqlQuery query;
    query.prepare(
            QStringLiteral("SELECT psId FROM PsDocuments WHERE psId = ? AND isTemplate = 1;"));
    query.addBindValue(id);
    return Database::exec(query) && query.next();
}

// Certificate or registration numbers, each to be given to one document only: those of the
// documents already issued (not of templates) and the file's own.
struct NumberCheck
{
    ImportMapping::Field field;
    // Who in the register holds a number already.
    QStringList (RegisterNumbers::*holders)(const QString &, const QSet<int> &) const;
    QString issuedText; // %1 the number
    QString twiceText;  // %1 the number, %2 the other lines
    QHash<QString, QList<int>> lines;
};

} // namespace

bool ImportPlan::canImport(bool skipErrors) const
{
    return blockers.isEmpty() && !entries.isEmpty() && (skipErrors || problemCount == 0);
}

QStringList ImportPlan::problemTexts() const
{
    QStringList texts = blockers;
    for (const Problem &problem : problems)
        texts << QStringLiteral("Строка %1: %2").arg(problem.line).arg(problem.text);
    if (problemCount > problems.size())
        texts << QStringLiteral("...и ещё ошибок: %1.").arg(problemCount - problems.size());
    return texts;
}

void ImportPlan::checkMapping(const ImportTable &table, const ImportMapping &mapping)
{
    const QList<int> fullName = mapping.columnsOf(ImportMapping::FullName);
    const bool separateNames = !mapping.columnsOf(ImportMapping::Surname).isEmpty()
                               || !mapping.columnsOf(ImportMapping::Name).isEmpty()
                               || !mapping.columnsOf(ImportMapping::Patronymic).isEmpty();
    if (fullName.isEmpty() && mapping.columnsOf(ImportMapping::Surname).isEmpty())
        blockers << QStringLiteral("Не выбран столбец с фамилией или с ФИО в одном столбце.");
    if (!fullName.isEmpty() && separateNames)
        blockers << QStringLiteral("ФИО в одном столбце нельзя выбрать вместе со столбцами "
                                   "фамилии, имени или отчества.");
    for (ImportMapping::Field field : ImportMapping::fields()) {
        const QList<int> columns = mapping.columnsOf(field);
        if (field != ImportMapping::Ignore && field != ImportMapping::Discipline
            && columns.size() > 1)
            blockers << QStringLiteral("«%1» выбрано для нескольких столбцов: %2.")
                                .arg(ImportMapping::title(field), columnNames(columns));
    }
    const QList<int> disciplines = mapping.columnsOf(ImportMapping::Discipline);
    if (disciplines.isEmpty())
        return;
    if (!mapping.header || table.rows.isEmpty()) {
        blockers << QStringLiteral("Оценки по дисциплинам загружаются только из таблицы с "
                                   "заголовками: название дисциплины берётся из первой строки.");
        return;
    }
    QHash<QString, QList<int>> byName;
    QStringList order;
    for (int column : disciplines) {
        if (table.cell(0, column).simplified().isEmpty()) {
            blockers << QStringLiteral("Столбец %1: в первой строке нет названия дисциплины.")
                                .arg(ImportTable::columnName(column));
            continue;
        }
        // "Окр. мир" and "Окружающий мир" are one subject too.
        const QString key = ImportNormalizer::key(disciplineName(table, mapping, column));
        if (!byName.contains(key))
            order << key;
        byName[key] << column;
    }
    for (const QString &key : qAsConst(order)) {
        const QList<int> columns = byName.value(key);
        if (columns.size() > 1)
            blockers << QStringLiteral("Дисциплина «%1» выбрана в нескольких столбцах: %2.")
                                .arg(table.cell(0, columns.first()).simplified(),
                                     columnNames(columns));
    }
}

ImportPlan ImportPlan::build(const ImportTable &table, const ImportMapping &mapping, int templateId)
{
    ImportPlan plan;
    DocumentRecord start;
    if (templateId > 0) {
        if (!isTemplate(templateId) || !DocumentStore::read(templateId, &start))
            plan.blockers << QStringLiteral("Шаблон документа %1 не найден.").arg(templateId);
        // A document made from a template starts with empty names (the template's name is
        // kept where a pupil's surname goes). Numbers and the birth date are each pupil's
        // own: the template's number would go to the whole class.
        start.fio1.clear();
        start.fio2.clear();
        start.fio3.clear();
        start.birthDate = QDate();
        start.number.clear();
        start.regNumber.clear();
        start.editDate.clear();
    }
    plan.checkMapping(table, mapping);

    QHash<ImportMapping::Field, int> fieldColumn; // the first column of each field
    for (int column = mapping.columns.size() - 1; column >= 0; --column)
        fieldColumn.insert(mapping.columns.at(column), column);
    const auto cellOf = [&](int row, ImportMapping::Field field) {
        const int column = fieldColumn.value(field, -1);
        return column < 0 ? QString() : table.cell(row, column).trimmed();
    };
    QList<int> mapped;
    for (int column = 0; column < mapping.columns.size(); ++column)
        if (mapping.columns.at(column) != ImportMapping::Ignore)
            mapped << column;
    const auto hasData = [&](int row) {
        for (int column : qAsConst(mapped))
            if (!table.cell(row, column).trimmed().isEmpty())
                return true;
        return false;
    };

    const int firstRow = mapping.header ? 1 : 0;
    // Without a surname column that is said once, not on every line.
    const bool namesMapped = !mapping.columnsOf(ImportMapping::FullName).isEmpty()
                             || !mapping.columnsOf(ImportMapping::Surname).isEmpty();
    NumberCheck numbers{ImportMapping::Number,
                        &RegisterNumbers::holdersOfNumber,
                        QStringLiteral("свидетельство с номером %1 уже есть в реестре"),
                        QStringLiteral("номер %1 указан и в строке %2"),
                        {}};
    NumberCheck regNumbers{ImportMapping::RegNumber,
                           &RegisterNumbers::holdersOfRegNumber,
                           QStringLiteral("регистрационный номер %1 уже есть в реестре"),
                           QStringLiteral("регистрационный номер %1 указан и в строке %2"),
                           {}};
    RegisterNumbers issued;
    if (!issued.read())
        plan.blockers << QStringLiteral("Номера документов не удалось прочитать из реестра, "
                                        "поэтому не проверить, нет ли их уже в реестре. "
                                        "Повторите загрузку позже.");
    for (int row = firstRow; row < table.rows.size(); ++row) {
        for (NumberCheck *check : {&numbers, &regNumbers}) {
            const QString number = DocumentNumber::comparable(cellOf(row, check->field));
            if (!number.isEmpty() && hasData(row))
                check->lines[number] << table.lineNumbers.at(row);
        }
    }
    // The line's number as written; why it cannot be given goes to `errors`.
    const auto checkedNumber = [&issued](const NumberCheck &check,
                                         const QString &number,
                                         int line,
                                         QStringList *errors) {
        const QString key = DocumentNumber::comparable(number);
        if (!(issued.*check.holders)(number, {}).isEmpty())
            *errors << check.issuedText.arg(number);
        QStringList others;
        for (int other : check.lines.value(key))
            if (other != line)
                others << QString::number(other);
        if (!others.isEmpty())
            *errors << check.twiceText.arg(number, others.join(QStringLiteral(", ")));
        return number;
    };
    // A discipline the template has, under whatever name it gives the subject, keeps its
    // place in the appendix with the imported grade; the others follow the template's own, in
    // the table's order.
    struct GradeColumn
    {
        int column;
        QString header; // as the table's problems name the column
        QString name;
        int templateIndex;
    };
    QVector<GradeColumn> gradeColumns;
    for (int column : mapping.columnsOf(ImportMapping::Discipline)) {
        const QString name = disciplineName(table, mapping, column);
        const bool known = !mapping.subject(column).isEmpty();
        int templateIndex = -1;
        for (int i = 0; i < start.disciplines.size() && templateIndex < 0; ++i) {
            const QString &own = start.disciplines.at(i).name;
            if (known ? DisciplineNames::sameSubject(own, name)
                      : ImportNormalizer::key(own) == ImportNormalizer::key(name))
                templateIndex = i;
        }
        gradeColumns.append({column, table.cell(0, column).simplified(), name, templateIndex});
    }
    const QList<ImportMapping::Field> sections{ImportMapping::Section1,
                                               ImportMapping::Section2,
                                               ImportMapping::Section3,
                                               ImportMapping::Section4,
                                               ImportMapping::Section5};

    for (int row = firstRow; row < table.rows.size(); ++row) {
        if (!hasData(row))
            continue;
        ++plan.lineCount;
        const int line = table.lineNumbers.at(row);
        QStringList errors;
        Entry entry{line, start};
        DocumentRecord &record = entry.record;

        if (!mapping.columnsOf(ImportMapping::FullName).isEmpty()) {
            const PersonName person = PersonName::split(cellOf(row, ImportMapping::FullName));
            record.fio1 = person.surname;
            record.fio2 = person.name;
            record.fio3 = person.patronymic;
        } else {
            record.fio1 = cellOf(row, ImportMapping::Surname).simplified();
            record.fio2 = cellOf(row, ImportMapping::Name).simplified();
            record.fio3 = cellOf(row, ImportMapping::Patronymic).simplified();
        }
        if (record.fio1.isEmpty() && namesMapped)
            errors << QStringLiteral("не указана фамилия");

        const auto readDate = [&](ImportMapping::Field field, QDate *date, const QString &what) {
            const QString text = cellOf(row, field);
            bool ok = false;
            const QDate value = ImportNormalizer::date(text, table.daySerials, &ok);
            if (!ok)
                errors << QStringLiteral("не удалось прочитать %1 «%2»").arg(what, text);
            else if (value.isValid())
                *date = value;
        };
        readDate(ImportMapping::BirthDate, &record.birthDate, QStringLiteral("дату рождения"));
        readDate(ImportMapping::IssueDate, &record.issueDate, QStringLiteral("дату выдачи"));

        record.number = checkedNumber(numbers, cellOf(row, ImportMapping::Number), line, &errors);
        record.regNumber
                = checkedNumber(regNumbers, cellOf(row, ImportMapping::RegNumber), line, &errors);
        // The class of the table's cell, else the template's.
        const QString schoolClass = cellOf(row, ImportMapping::SchoolClass).simplified();
        if (!schoolClass.isEmpty())
            record.schoolClass = schoolClass;
        for (int i = 0; i < sections.size(); ++i) {
            const QString text = cellOf(row, sections.at(i));
            if (!text.isEmpty())
                record.sections[i] = text;
        }

        for (const GradeColumn &grades : qAsConst(gradeColumns)) {
            const QString cell = table.cell(row, grades.column).trimmed();
            bool ok = false;
            const QString grade = ImportNormalizer::grade(cell, &ok);
            if (!ok)
                errors << QStringLiteral("неизвестная оценка «%1» по дисциплине «%2»")
                                  .arg(cell, grades.header);
            else if (!grade.isEmpty() && grades.templateIndex >= 0)
                record.disciplines[grades.templateIndex].rate = grade;
            else if (!grade.isEmpty())
                record.disciplines.append({grades.name, grade});
        }

        for (const QString &error : qAsConst(errors))
            if (plan.problems.size() < maxListedProblems)
                plan.problems.append({line, error});
        plan.problemCount += errors.size();
        if (errors.isEmpty())
            plan.entries.append(entry);
        else
            ++plan.errorLineCount;
    }
    if (plan.lineCount == 0 && plan.blockers.isEmpty())
        plan.blockers << QStringLiteral("В таблице нет строк с данными учеников.");
    return plan;
}
