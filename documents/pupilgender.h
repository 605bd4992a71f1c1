#pragma once

#include <QString>

// Boy or girl: it decides the certificate's blank. The patronymic tells it where it can;
// otherwise the document keeps what the user answered.
class PupilGender
{
public:
    enum Value { Unknown, Boy, Girl };

    // From the patronymic's ending ("-ович", "-евич", "-ич"; "-овна", "-евна", "-ична") or
    // the word "оглы"/"улы" or "кызы"/"гызы", apart or hyphenated, in any case; Unknown when
    // it tells nothing (none, a foreign one).
    static Value fromPatronymic(const QString &patronymic);
    // What the word that follows the father's name in a Turkic patronymic says ("оглы",
    // "улы": son; "кызы", "гызы": daughter, any case); Unknown for any other word.
    static Value ofTurkicWord(const QString &word);
    // A document's gender: its patronymic's, else the answer stored with it.
    static Value of(const QString &patronymic, Value stored);

    // As the register keeps it: "m", "f", or empty when nobody knows.
    static QString toStored(Value value);
    static Value fromStored(const QString &stored);
};
