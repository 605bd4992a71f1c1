#pragma once

#include <QList>
#include <QString>
#include <QTextLayout>
#include <memory>

class Hunspell;
class QLineEdit;
class QTextCodec;
class QTextEdit;
class QWidget;

// One Russian Hunspell dictionary for the whole process plus the user's own
// word list. Every user tests instance() for null: without a dictionary the
// program simply does not check spelling.
class SpellChecker
{
public:
    SpellChecker(const QString &dictionaryPath, const QString &userDictionaryPath);
    ~SpellChecker();

    // Creates the instance when the data folder holds the dictionary; installs
    // the system's dictionary into a data folder that has no "dict" folder yet.
    static bool initialize();
    // The same with the data and user folders given, for a start that reads the
    // dictionary on a thread of its own while the register is opened.
    static bool initialize(const QString &dataFolder, const QString &userFolder);
    static SpellChecker *instance();
    // Tests only: the program keeps its checker until the process ends.
    static void shutdown();

    // Copies ru_RU.aff/.dic from sourceFolder into dictFolder, but only when
    // dictFolder does not exist yet, so that a user who removed or replaced the
    // dictionary keeps that decision. Returns true when it copied both files.
    static bool installDictionary(const QString &dictFolder, const QString &sourceFolder);
    static QString systemDictionaryFolder();

    bool spell(const QString &word) const;
    void addWord(const QString &word);
    void addToUserWordlist(const QString &word);

    QString encoding() const { return m_encoding; }
    QString userDictionaryPath() const { return m_userDictionaryPath; }

private:
    QByteArray toDictionary(const QString &word) const;

    std::unique_ptr<Hunspell> m_hunspell;
    QString m_userDictionaryPath;
    QString m_encoding;
    QTextCodec *m_codec = nullptr;
};

// The red wavy underline both checks draw.
QTextCharFormat spellCheckFormat();

// Words of a line edit: runs of ASCII letters and digits and of non-ASCII
// letters and numbers. Returns the ranges the checker rejects.
QList<QTextLayout::FormatRange> misspeltRanges(const QString &text);

void attachSpellChecker(QWidget *root, const QList<QWidget *> &exclude = {});
void checkLineEdit(QLineEdit *edit);
void checkTextEdit(QTextEdit *edit);
void setLineEditFormats(QLineEdit *edit, const QList<QTextLayout::FormatRange> &ranges);
