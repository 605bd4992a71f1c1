#include "spellchecker.h"

#include "app/debuglog.h"
#include "database/database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QSettings>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextEdit>
#include <QTextStream>
#include <hunspell.hxx>

namespace {

const char defaultEncoding[] = "ISO8859-15";
const char dictionaryName[] = "ru_RU";
const qint64 eventSliceMs = 4;

std::unique_ptr<SpellChecker> &theInstance()
{
    static std::unique_ptr<SpellChecker> instance;
    return instance;
}

bool isWordCharacter(QChar c)
{
    const ushort u = c.unicode();
    if (u < 128)
        return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9');
    return c.isLetterOrNumber();
}

bool isLetter(QChar c)
{
    const ushort u = c.unicode();
    if (u < 128)
        return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
    return c.isLetter();
}

// Where the editor's own word motion stops: white space and the ASCII
// punctuation it treats as separators.
bool isWordBreak(QChar c)
{
    static const QString separators = QStringLiteral(".,?!@#$:;-<>[](){}=/+%&^*'\"`~|\\");
    return c.isSpace() || separators.contains(c);
}

bool isRegularFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

// The user's word list is kept in CP1251, whatever the system's encoding: the lists
// users already have are in it.
QTextCodec *userDictionaryCodec()
{
    return QTextCodec::codecForName("CP1251");
}

} // namespace

SpellChecker::SpellChecker(const QString &dictionaryPath, const QString &userDictionaryPath)
    : m_userDictionaryPath(userDictionaryPath)
    , m_encoding(QString::fromLatin1(defaultEncoding))
{
    const QString affPath = dictionaryPath + ".aff";
    m_hunspell = std::make_unique<Hunspell>(QFile::encodeName(affPath).constData(),
                                            QFile::encodeName(dictionaryPath + ".dic").constData());

    QFile aff(affPath);
    if (aff.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QRegularExpression setLine(QStringLiteral("^\\s*SET\\s+([A-Z0-9\\-]+)\\s*"));
        QTextStream stream(&aff);
        while (!stream.atEnd()) {
            const QString line = stream.readLine();
            if (line.isEmpty())
                break;
            const QRegularExpressionMatch match = setLine.match(line);
            if (match.hasMatch()) {
                m_encoding = match.captured(1);
                ZR_LOG() << "Encoding set to" << m_encoding;
                break;
            }
        }
    }
    m_codec = QTextCodec::codecForName(m_encoding.toLatin1());
    if (!m_codec) {
        // A name Qt has no codec for: Latin-9 at least keeps ASCII words working.
        ZR_LOG() << "no text codec for" << m_encoding << "using" << defaultEncoding;
        m_encoding = QString::fromLatin1(defaultEncoding);
        m_codec = QTextCodec::codecForName(defaultEncoding);
    }

    if (m_userDictionaryPath.isEmpty()) {
        ZR_LOG() << "User dictionary not set.";
        return;
    }
    QFile userDictionary(m_userDictionaryPath);
    if (!userDictionary.open(QIODevice::ReadOnly | QIODevice::Text)) {
        zrLogStream(qWarning(), __FILE__, __LINE__)
                << "User dictionary in" << m_userDictionaryPath << "could not be opened";
        return;
    }
    QTextStream stream(&userDictionary);
    stream.setCodec(userDictionaryCodec());
    while (!stream.atEnd()) {
        const QString word = stream.readLine().trimmed();
        if (word.isEmpty())
            break;
        addWord(word);
    }
}

SpellChecker::~SpellChecker() = default;

bool SpellChecker::initialize()
{
    return initialize(Database::dataPath(), Database::userPath());
}

bool SpellChecker::initialize(const QString &dataFolder, const QString &userFolder)
{
    if (theInstance())
        return true;
    const QString dictFolder = dataFolder + "/dict";
    installDictionary(dictFolder, systemDictionaryFolder());

    const QString dictionaryPath = dictFolder + "/" + QString::fromLatin1(dictionaryName);
    const QString userDictFolder = userFolder + "/dict";
    const QString userDictionaryPath = userDictFolder + "/user.dic";
    if (!isRegularFile(dictionaryPath + ".dic"))
        return false;
    // Hunspell without its affix file rejects every word: better no checking at all.
    if (!isRegularFile(dictionaryPath + ".aff")) {
        ZR_LOG() << "affix file missing" << dictionaryPath + ".aff";
        return false;
    }
    QDir().mkpath(userDictFolder);
    if (!isRegularFile(userDictionaryPath)) {
        QFile create(userDictionaryPath);
        if (!create.open(QIODevice::WriteOnly))
            ZR_LOG() << "cant create" << userDictionaryPath << create.errorString();
    }
    theInstance() = std::make_unique<SpellChecker>(dictionaryPath, userDictionaryPath);
    return true;
}

SpellChecker *SpellChecker::instance()
{
    return theInstance().get();
}

void SpellChecker::shutdown()
{
    theInstance().reset();
}

QString SpellChecker::systemDictionaryFolder()
{
    return QStringLiteral("/usr/share/hunspell");
}

bool SpellChecker::installDictionary(const QString &dictFolder, const QString &sourceFolder)
{
    if (QFileInfo::exists(dictFolder))
        return false;
    const QString name = QString::fromLatin1(dictionaryName);
    const QStringList files{name + ".aff", name + ".dic"};
    for (const QString &file : files) {
        if (!isRegularFile(sourceFolder + "/" + file))
            return false;
    }
    if (!QDir().mkpath(dictFolder)) {
        ZR_LOG() << "cant create" << dictFolder;
        return false;
    }
    for (const QString &file : files) {
        if (!QFile::copy(sourceFolder + "/" + file, dictFolder + "/" + file)) {
            ZR_LOG() << "cant install dictionary file" << sourceFolder + "/" + file << "into"
                     << dictFolder;
            // Half a dictionary is worse than none; the next start tries again.
            for (const QString &copied : files)
                QFile::remove(dictFolder + "/" + copied);
            QDir().rmdir(dictFolder);
            return false;
        }
    }
    ZR_LOG() << "dictionary installed into" << dictFolder;
    return true;
}

QByteArray SpellChecker::toDictionary(const QString &word) const
{
    return m_codec->fromUnicode(word);
}

bool SpellChecker::spell(const QString &word) const
{
    const QByteArray bytes = toDictionary(word);
    return m_hunspell->spell(std::string(bytes.constData(), size_t(bytes.size())));
}

void SpellChecker::addWord(const QString &word)
{
    const QByteArray bytes = toDictionary(word);
    m_hunspell->add(std::string(bytes.constData(), size_t(bytes.size())));
}

void SpellChecker::addToUserWordlist(const QString &word)
{
    // An empty line ends the word list when it is read back, so an empty word
    // written here would hide every word added after it.
    const QString trimmed = word.trimmed();
    if (trimmed.isEmpty())
        return;
    addWord(trimmed);
    if (m_userDictionaryPath.isEmpty()) {
        ZR_LOG() << "User dictionary not set.";
        return;
    }
    QFile file(m_userDictionaryPath);
    bool needsNewline = false;
    if (file.open(QIODevice::ReadOnly) && file.size() > 0) {
        file.seek(file.size() - 1);
        needsNewline = file.read(1) != "\n";
    }
    file.close();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        zrLogStream(qWarning(), __FILE__, __LINE__)
                << "User dictionary in" << m_userDictionaryPath
                << "could not be opened for appending a new word";
        return;
    }
    QTextStream stream(&file);
    stream.setCodec(userDictionaryCodec());
    if (needsNewline)
        stream << "\n";
    stream << trimmed << "\n";
}

QTextCharFormat spellCheckFormat()
{
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    format.setUnderlineColor(QColor(QStringLiteral("red")));
    return format;
}

QList<QTextLayout::FormatRange> misspeltRanges(const QString &text)
{
    QList<QTextLayout::FormatRange> ranges;
    SpellChecker *checker = SpellChecker::instance();
    if (!checker)
        return ranges;
    const QTextCharFormat format = spellCheckFormat();
    const int length = text.size();
    int i = 0;
    while (i < length) {
        while (i < length && !isWordCharacter(text.at(i)))
            ++i;
        const int start = i;
        while (i < length && isWordCharacter(text.at(i)))
            ++i;
        if (i > start && !checker->spell(text.mid(start, i - start))) {
            QTextLayout::FormatRange range;
            range.start = start;
            range.length = i - start;
            range.format = format;
            ranges.append(range);
        }
    }
    return ranges;
}

void attachSpellChecker(QWidget *root, const QList<QWidget *> &exclude)
{
    if (!root)
        return;
    if (!Database::userSettings()->value(QStringLiteral("SpellChecker/enabled"), true).toBool())
        return;
    if (auto edit = qobject_cast<QLineEdit *>(root)) {
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { checkLineEdit(edit); });
        return;
    }
    for (QLineEdit *edit : root->findChildren<QLineEdit *>()) {
        if (!exclude.contains(edit))
            QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { checkLineEdit(edit); });
    }
    for (QTextEdit *edit : root->findChildren<QTextEdit *>()) {
        if (!exclude.contains(edit))
            QObject::connect(edit, &QTextEdit::textChanged, edit, [edit] { checkTextEdit(edit); });
    }
}

void checkLineEdit(QLineEdit *edit)
{
    if (!edit || !SpellChecker::instance())
        return;
    setLineEditFormats(edit, misspeltRanges(edit->text()));
}

void setLineEditFormats(QLineEdit *edit, const QList<QTextLayout::FormatRange> &ranges)
{
    if (!edit)
        return;
    // Input-method formats are the one way to style part of a line edit's text
    // without touching the text; their positions count from the cursor.
    QList<QInputMethodEvent::Attribute> attributes;
    const int cursor = edit->cursorPosition();
    for (const QTextLayout::FormatRange &range : ranges) {
        attributes.append(QInputMethodEvent::Attribute(
                QInputMethodEvent::TextFormat, range.start - cursor, range.length, range.format));
    }
    QInputMethodEvent event(QString(), attributes);
    QCoreApplication::sendEvent(edit, &event);
}

void checkTextEdit(QTextEdit *edit)
{
    SpellChecker *checker = SpellChecker::instance();
    if (!edit || !checker)
        return;
    QPointer<QTextEdit> guard(edit);
    QTextDocument *document = edit->document();
    // Typing goes on while events are processed. The user's caret is never
    // moved here (a keystroke would land in the middle of the text), and a run
    // whose text changed under it stops: the change has started a newer run.
    bool changed = false;
    const QMetaObject::Connection watch = QObject::connect(
            document, &QTextDocument::contentsChanged, [&changed] { changed = true; });
    const auto stale = [&] { return !guard || guard->document() != document || changed; };

    const QTextCharFormat format = spellCheckFormat();
    QList<QTextEdit::ExtraSelection> selections;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        const int length = text.size();
        int i = 0;
        while (i < length) {
            while (i < length && isWordBreak(text.at(i)))
                ++i;
            int start = i;
            while (i < length && !isWordBreak(text.at(i)))
                ++i;
            int end = i;
            if (start == end)
                continue;
            // A pass through the event loop costs several times a Hunspell
            // lookup, so pending input is served every few milliseconds
            // rather than after every word: typing stays just as responsive.
            if (sinceEvents.hasExpired(eventSliceMs)) {
                QCoreApplication::processEvents();
                sinceEvents.restart();
                if (stale()) {
                    QObject::disconnect(watch);
                    return;
                }
            }
            // Quotes and digits in front, closing quotes behind are not the word.
            while (start < end && !isLetter(text.at(start)))
                ++start;
            while (end > start && !isWordCharacter(text.at(end - 1)))
                --end;
            if (start < end && !checker->spell(text.mid(start, end - start))) {
                QTextEdit::ExtraSelection selection;
                selection.cursor = QTextCursor(document);
                selection.cursor.setPosition(block.position() + start);
                selection.cursor.setPosition(block.position() + end, QTextCursor::KeepAnchor);
                selection.format = format;
                selections.append(selection);
            }
        }
    }
    QObject::disconnect(watch);
    edit->setExtraSelections(selections);
    QCoreApplication::processEvents();
}
