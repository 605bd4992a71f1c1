#include "pupilgender.h"

#include <QRegularExpression>
#include <QStringList>

PupilGender::Value PupilGender::fromPatronymic(const QString &patronymic)
{
    static const QRegularExpression separators(QStringLiteral("[\\s\\-‐–—]+"));
    const QStringList words = patronymic.toLower().split(separators, Qt::SkipEmptyParts);
    // "Гусейн оглы", "Алиевна-кызы": the Turkic word says it whatever stands before it.
    for (const QString &word : words) {
        const Value told = ofTurkicWord(word);
        if (told != Unknown)
            return told;
    }
    if (words.isEmpty())
        return Unknown;
    const QString &last = words.last();
    const auto endsIn = [&last](const char *ending) {
        const QString suffix = QString::fromUtf8(ending);
        // The ending alone ("ич") is not a patronymic.
        return last.size() > suffix.size() && last.endsWith(suffix);
    };
    // "-ович", "-евич" and "-ич" all end in "ич"; "-овна", "-евна", "-ична", "-инична" in "на".
    if (endsIn("ич"))
        return Boy;
    if (endsIn("овна") || endsIn("евна") || endsIn("ична"))
        return Girl;
    return Unknown;
}

PupilGender::Value PupilGender::ofTurkicWord(const QString &word)
{
    const QString lower = word.toLower();
    if (lower == QStringLiteral("оглы") || lower == QStringLiteral("улы"))
        return Boy;
    if (lower == QStringLiteral("кызы") || lower == QStringLiteral("гызы"))
        return Girl;
    return Unknown;
}

PupilGender::Value PupilGender::of(const QString &patronymic, Value stored)
{
    const Value told = fromPatronymic(patronymic);
    return told != Unknown ? told : stored;
}

QString PupilGender::toStored(Value value)
{
    switch (value) {
    case Boy:
        return QStringLiteral("m");
    case Girl:
        return QStringLiteral("f");
    case Unknown:
        break;
    }
    return QStringLiteral("");
}

PupilGender::Value PupilGender::fromStored(const QString &stored)
{
    if (stored == QLatin1String("m"))
        return Boy;
    if (stored == QLatin1String("f"))
        return Girl;
    return Unknown;
}
