#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The subjects of primary school under the names and short forms class teachers and school
// systems give them: "ОРКСЭ", "Окр. мир", "Англ. яз.", "Физ-ра".
class DisciplineNames
{
public:
    // Their full names, in the order of the curriculum.
    static QStringList subjects();
    // The full name of the subject `name` stands for, whatever its case and punctuation;
    // empty for a name that is none of them.
    static QString subject(const QString &name);
    // Whether two names in one appendix stand for one subject: written alike, or two names
    // of one known subject.
    static bool sameSubject(const QString &a, const QString &b);
    // The names of a list that give again a subject given before them, each with the name
    // that gave it first: ("ОРКСЭ", "Основы религиозных культур и светской этики").
    static QList<QPair<QString, QString>> repeats(const QStringList &names);
};
