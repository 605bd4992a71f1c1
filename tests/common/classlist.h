#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// A class list as a class teacher exports it: a header row, then a row per pupil with the
// counter, surname, name, patronymic, birth date, certificate number and the grades of
// `disciplines` subjects the register does not know ("Учебный предмет 1"...).
namespace ClassList {

inline QString grade(int pupil, int discipline)
{
    static const QStringList grades{"5", "4", "3", "отлично", "хорошо", "зачёт"};
    return grades.at((pupil + discipline) % grades.size());
}

inline QVector<QStringList> rows(int pupils, int disciplines)
{
    QVector<QStringList> rows;
    QStringList header{"№", "Фамилия", "Имя", "Отчество", "Дата рождения", "Номер свидетельства"};
    for (int d = 0; d < disciplines; ++d)
        header << QStringLiteral("Учебный предмет %1").arg(d + 1);
    rows << header;
    for (int p = 0; p < pupils; ++p) {
        QStringList row{QString::number(p + 1),
                        QStringLiteral("Петров%1").arg(p),
                        QStringLiteral("Пётр"),
                        QStringLiteral("Петрович"),
                        QStringLiteral("%1.%2.2014").arg(1 + p % 28).arg(1 + p % 12),
                        QString::number(770000 + p)};
        for (int d = 0; d < disciplines; ++d)
            row << grade(p, d);
        rows << row;
    }
    return rows;
}

// The rows as a CSV file holds them: ";" between cells, CRLF after each row.
inline QByteArray csv(const QVector<QStringList> &rows)
{
    QByteArray bytes;
    for (const QStringList &row : rows)
        bytes += row.join(QLatin1Char(';')).toUtf8() + "\r\n";
    return bytes;
}

} // namespace ClassList
