#pragma once

#include <QString>

// A pupil's surname, first name and patronymic.
struct PersonName
{
    QString surname;
    QString name;
    QString patronymic;

    // Splits a full name written in one text, as it is pasted or kept in one table column:
    // the last word is the patronymic and the one before it the first name when there are
    // three words or more, the last word is the first name when there are two, and whatever
    // remains is the surname (a double surname keeps its words). A Turkic patronymic ("Гусейн
    // оглы", "Ахмед кызы") is two words. Blanks are collapsed.
    static PersonName split(const QString &fullName);
    // The three joined by single blanks, as the name is shown and printed in one line.
    QString full() const;
};
