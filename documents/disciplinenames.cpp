#include "disciplinenames.h"

#include "documents/import/importnormalizer.h"

#include <QHash>
#include <QRegularExpression>
#include <QVector>

namespace {

struct Subject
{
    const char *name;
    QVector<const char *> otherNames; // as written; compared as ImportNormalizer::key reduces them
};

const QVector<Subject> &table()
{
    static const QVector<Subject> subjects{
            {"Русский язык", {"Русский", "Рус. язык", "Рус. яз.", "Русск. язык", "Русск. яз."}},
            {"Литературное чтение",
             {"Лит. чтение", "Литер. чтение", "Литерат. чтение", "Лит. чт.", "Литчтение"}},
            {"Родной язык",
             {"Родной язык (русский)",
              "Родной русский язык",
              "Род. язык",
              "Род. яз.",
              "Родн. язык",
              "Родн. яз."}},
            {"Литературное чтение на родном языке",
             {"Литературное чтение на родном (русском) языке",
              "Литературное чтение на родном русском языке",
              "Лит. чтение на родном языке",
              "Лит. чтение на род. языке",
              "Лит. чтение на родн. языке",
              "Лит. чтение на род. яз.",
              "Лит. чт. на род. яз.",
              "Литер. чтение на родном языке"}},
            {"Иностранный язык", {"Иностр. язык", "Иностр. яз.", "Ин. яз.", "Иняз"}},
            {"Английский язык",
             {"Английский",
              "Англ. язык",
              "Англ. яз.",
              "Англ.",
              "Иностранный язык (английский)",
              "Иностранный язык (английский язык)",
              "Иностр. яз. (англ.)",
              "Ин. яз. (англ.)"}},
            {"Немецкий язык",
             {"Немецкий",
              "Нем. язык",
              "Нем. яз.",
              "Иностранный язык (немецкий)",
              "Иностранный язык (немецкий язык)"}},
            {"Французский язык",
             {"Французский",
              "Франц. язык",
              "Франц. яз.",
              "Фр. яз.",
              "Иностранный язык (французский)",
              "Иностранный язык (французский язык)"}},
            {"Математика", {"Матем.", "Математ."}},
            {"Окружающий мир", {"Окр. мир", "Окруж. мир"}},
            {"Основы религиозных культур и светской этики",
             {"ОРКСЭ", "ОРКиСЭ", "О.Р.К.С.Э.", "Основы религиозной культуры и светской этики"}},
            {"Изобразительное искусство", {"ИЗО", "Изобр. искусство", "Изобразит. искусство"}},
            {"Музыка", {}},
            {"Технология", {"Труд (технология)", "Труд", "Технол.", "Трудовое обучение"}},
            {"Физическая культура",
             {"Физкультура", "Физ. культура", "Физ-ра", "Физра", "Физ. к-ра"}},
    };
    return subjects;
}

// Every name of every subject, reduced, to the subject's full name.
const QHash<QString, QString> &byKey()
{
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> map;
        for (const Subject &subject : table()) {
            const QString name = QString::fromUtf8(subject.name);
            map.insert(ImportNormalizer::key(name), name);
            for (const char *other : subject.otherNames)
                map.insert(ImportNormalizer::key(QString::fromUtf8(other)), name);
        }
        return map;
    }();
    return names;
}

} // namespace

QStringList DisciplineNames::subjects()
{
    QStringList names;
    for (const Subject &subject : table())
        names << QString::fromUtf8(subject.name);
    return names;
}

QString DisciplineNames::subject(const QString &name)
{
    const QString known = byKey().value(ImportNormalizer::key(name));
    if (!known.isEmpty())
        return known;
    if (!name.contains(QLatin1Char('(')))
        return QString();
    // "Окружающий мир (человек, природа, общество)", "ОРКСЭ (модуль «Основы светской этики»)"
    static const QRegularExpression remark(QStringLiteral("\\([^)]*\\)"));
    return byKey().value(ImportNormalizer::key(QString(name).remove(remark)));
}

bool DisciplineNames::sameSubject(const QString &a, const QString &b)
{
    return !repeats({a, b}).isEmpty();
}

QList<QPair<QString, QString>> DisciplineNames::repeats(const QStringList &names)
{
    QList<QPair<QString, QString>> found;
    // Reduced names and known subjects to the name that gave them first.
    QHash<QString, QString> byWriting;
    QHash<QString, QString> bySubject;
    for (const QString &name : names) {
        const QString key = ImportNormalizer::key(name);
        if (key.isEmpty())
            continue;
        const QString known = subject(name);
        QString first = byWriting.value(key);
        if (first.isEmpty() && !known.isEmpty())
            first = bySubject.value(known);
        if (!first.isEmpty()) {
            found.append({first, name});
            continue;
        }
        byWriting.insert(key, name);
        if (!known.isEmpty())
            bySubject.insert(known, name);
    }
    return found;
}
