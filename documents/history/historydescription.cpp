#include "historydescription.h"

#include <QDateTime>
#include <algorithm>

namespace {

using Kind = DocumentHistory::Kind;

const QString arrow = QStringLiteral(" → ");
const QString none = QStringLiteral("—");
constexpr int longestValue = 60;

// A value on one line and, unless asked whole, not too long to be read in a list.
QString shown(const QString &value,
              HistoryDescription::Length length = HistoryDescription::Length::Shortened)
{
    const QString line = value.simplified();
    if (line.isEmpty())
        return none;
    return length == HistoryDescription::Length::Shortened && line.size() > longestValue
                   ? line.left(longestValue - 1) + QChar(0x2026)
                   : line;
}

QString dateText(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString genderText(PupilGender::Value gender)
{
    switch (gender) {
    case PupilGender::Boy:
        return QStringLiteral("мальчик");
    case PupilGender::Girl:
        return QStringLiteral("девочка");
    default:
        return QStringLiteral("не указан");
    }
}

void compare(QStringList *lines, const QString &label, const QString &before, const QString &after)
{
    if (before != after)
        *lines << HistoryDescription::valueChange(label, before, after);
}

QString subject(const QString &name)
{
    return QStringLiteral("«%1»").arg(name.simplified());
}

// Rows are matched by subject name, the n-th row of a name to the n-th of the same name;
// a subject renamed reads as one removed and one added.
void compareDisciplines(QStringList *lines,
                        const QVector<DocumentRecord::Discipline> &before,
                        const QVector<DocumentRecord::Discipline> &after)
{
    QVector<bool> matched(before.size(), false);
    QVector<int> matchOrder;
    QStringList added;
    for (const DocumentRecord::Discipline &row : after) {
        int found = -1;
        for (int i = 0; i < before.size() && found < 0; ++i) {
            if (!matched.at(i) && before.at(i).name == row.name)
                found = i;
        }
        if (found < 0) {
            added << QStringLiteral("Добавлен предмет %1: %2")
                             .arg(subject(row.name), shown(row.rate));
            continue;
        }
        matched[found] = true;
        matchOrder << found;
        if (before.at(found).rate != row.rate)
            *lines << QStringLiteral("Оценка по предмету %1: %2")
                              .arg(subject(row.name),
                                   shown(before.at(found).rate) + arrow + shown(row.rate));
    }
    *lines << added;
    for (int i = 0; i < before.size(); ++i) {
        if (!matched.at(i))
            *lines << QStringLiteral("Удалён предмет %1 (%2)")
                              .arg(subject(before.at(i).name), shown(before.at(i).rate));
    }
    if (!std::is_sorted(matchOrder.cbegin(), matchOrder.cend()))
        *lines << QStringLiteral("Изменён порядок предметов");
}

} // namespace

QString HistoryDescription::valueChange(const QString &label,
                                        const QString &before,
                                        const QString &after,
                                        Length length)
{
    return label + QStringLiteral(": ") + shown(before, length) + arrow + shown(after, length);
}

QStringList HistoryDescription::sectionTitles()
{
    return {QStringLiteral("Курсы внеурочной деятельности"),
            QStringLiteral("Программы дополнительного образования"),
            QStringLiteral("Результаты олимпиад, конкурсов, соревнований"),
            QStringLiteral("Метапредметные результаты"),
            QStringLiteral("Личностные результаты")};
}

QVector<QPair<QString, QString>> HistoryDescription::fields(const DocumentRecord &document)
{
    return {{QStringLiteral("Фамилия"), document.fio1},
            {QStringLiteral("Имя"), document.fio2},
            {QStringLiteral("Отчество"), document.fio3},
            {QStringLiteral("Пол"), genderText(PupilGender::of(document.fio3, document.gender))},
            {QStringLiteral("Дата рождения"), dateText(document.birthDate)},
            {QStringLiteral("Класс"), document.schoolClass},
            {QStringLiteral("Номер свидетельства"), document.number},
            {QStringLiteral("Регистрационный номер"), document.regNumber},
            {QStringLiteral("Дата выдачи"), dateText(document.issueDate)},
            {QStringLiteral("Решение"), document.decision}};
}

QStringList HistoryDescription::differences(const DocumentRecord &before,
                                            const DocumentRecord &after)
{
    QStringList lines;
    const auto old = fields(before);
    const auto now = fields(after);
    for (int i = 0; i < now.size(); ++i)
        compare(&lines, now.at(i).first, old.at(i).second, now.at(i).second);
    const QStringList titles = sectionTitles();
    for (int i = 0; i < titles.size(); ++i)
        compare(&lines, titles.at(i), before.sections.value(i), after.sections.value(i));
    compareDisciplines(&lines, before.disciplines, after.disciplines);
    return lines;
}

QString HistoryDescription::of(const DocumentHistory::Version &version,
                               const DocumentHistory::Version *previous)
{
    switch (version.kind) {
    case Kind::Existing:
        return QStringLiteral("Существовал до начала ведения истории");
    case Kind::Created:
        return QStringLiteral("Создан");
    case Kind::Imported:
        return QStringLiteral("Загружен из таблицы");
    case Kind::Copied:
        return QStringLiteral("Создан как копия другого документа");
    case Kind::MovedToBin:
        return QStringLiteral("Перемещён в «Удалённые документы»");
    case Kind::RestoredFromBin:
        return QStringLiteral("Восстановлен из «Удалённых документов»");
    case Kind::BlankSpoiled:
        return QStringLiteral("Бланк отмечен испорченным в журнале печати (%1)").arg(version.note);
    default:
        break;
    }
    const QStringList changes
            = previous ? differences(previous->document, version.document) : QStringList();
    const QString changed = changes.join(QStringLiteral("; "));
    if (version.kind == Kind::VersionRestored)
        return QStringLiteral("Восстановлена прежняя версия")
               + (changed.isEmpty() ? QString() : QStringLiteral(": ") + changed);
    return changed.isEmpty() ? QStringLiteral("Сохранён без изменений") : changed;
}

QString HistoryDescription::momentText(const QString &stored)
{
    const QDateTime moment = QDateTime::fromString(stored, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return moment.isValid() ? moment.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) : stored;
}
