// Spell checking while the user types: a line edit re-checked on every change
// and a long plain-text section, each next to Hunspell's own time for the
// same words measured in the same run.
#include "benchprogram.h"
#include "benchreport.h"
#include "database/database.h"
#include "settings/spellchecker.h"

#include <QLineEdit>
#include <QTextEdit>
#include <algorithm>
#include <hunspell.hxx>
#include <string>

namespace {

QStringList sampleWords(int count)
{
    // Mostly correct words with every seventh one misspelt, as typed text is.
    const QStringList words
            = QStringLiteral(
                      "ученик окончил начальную школу с отличными оценками по всем предметам и "
                      "принимал участие в олимпиадах по математике русскому языку чтению проявил "
                      "интерес к рисованию музыке физической культуре посещал кружки "
                      "дополнительного "
                      "образования")
                      .split(' ');
    QStringList result;
    for (int i = 0; i < count; ++i) {
        QString word = words.at(i % words.size());
        if (i % 7 == 6)
            word = word.left(1) + "ъ" + word.mid(1);
        result << word;
    }
    return result;
}

// Runs the work and Hunspell's lookups of the same words turn about, so that
// both medians see the same load on the machine.
std::pair<double, double> medianPair(int runs,
                                     const std::function<void()> &work,
                                     Hunspell &hunspell,
                                     const QStringList &words)
{
    std::vector<std::string> bytes;
    for (const QString &word : words)
        bytes.push_back(word.toStdString());
    std::vector<double> measured;
    std::vector<double> baseline;
    for (int i = 0; i < runs; ++i) {
        measured.push_back(BenchReport::medianMs(1, work));
        baseline.push_back(BenchReport::medianMs(1, [&] {
            for (const std::string &word : bytes)
                hunspell.spell(word);
        }));
    }
    std::sort(measured.begin(), measured.end());
    std::sort(baseline.begin(), baseline.end());
    return {measured[measured.size() / 2], baseline[baseline.size() / 2]};
}

} // namespace

int main(int argc, char **argv)
{
    // Never the real home: the dictionary is installed into a throw-away data folder.
    const BenchProgram program(argc, argv);
    if (!SpellChecker::initialize()) {
        QTextStream(stderr) << "no Russian Hunspell dictionary in "
                            << SpellChecker::systemDictionaryFolder() << "\n";
        return 1;
    }
    const QString dictionary = Database::dataPath() + "/dict/ru_RU";
    Hunspell hunspell(QFile::encodeName(dictionary + ".aff").constData(),
                      QFile::encodeName(dictionary + ".dic").constData());

    const int runs = 41;
    const QStringList lineWords = sampleWords(30);
    QLineEdit lineEdit;
    lineEdit.setText(lineWords.join(' '));
    const auto line = medianPair(
            runs, [&] { checkLineEdit(&lineEdit); }, hunspell, lineWords);
    BenchReport::figure("line edit re-check, 30 words", "< 2 ms", line.first, line.second);

    const int textCount = 1000;
    const QStringList textWords = sampleWords(textCount);
    QString text;
    for (int i = 0; i < textWords.size(); ++i)
        text += textWords.at(i) + (i % 12 == 11 ? QStringLiteral(".\n") : QStringLiteral(" "));
    QTextEdit textEdit;
    textEdit.setPlainText(text);
    const auto check = medianPair(
            runs, [&] { checkTextEdit(&textEdit); }, hunspell, textWords);
    BenchReport::figure("text edit check, 1000 words", "< 300 ms", check.first, check.second);
    // Per word in microseconds: the same figures divided by the 1000 words.
    BenchReport::figure(
            "text edit check per word [us]", "overhead < 2x", check.first, check.second);
    return 0;
}
