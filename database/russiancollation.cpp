#include "russiancollation.h"

#include "app/debuglog.h"

#include <QCollator>
#include <QSqlDatabase>
#include <QVector>
#include <algorithm>
#include <array>
#include <sqlite3.h>

namespace {

const QString sqliteCollation = QStringLiteral("russian");

// The collator of the Russian locale, with a quicker way to its answer for most pairs of
// names: they differ at the first level (the letter, whatever its case or Ё/Е) within the
// plain letters they are made of, whose weights are learnt from the collator itself. Any
// other pair goes to the collator.
class RussianOrder
{
public:
    RussianOrder()
        : m_collator(QLocale(QLocale::Russian, QLocale::Russia))
    {
        QVector<QChar> plain{QLatin1Char(' '), QLatin1Char('-'), QChar(0x0401), QChar(0x0451)};
        for (char c = '0'; c <= '9'; ++c)
            plain << QLatin1Char(c);
        for (char c = 'A'; c <= 'Z'; ++c)
            plain << QLatin1Char(c) << QLatin1Char(char(c + 'a' - 'A'));
        for (ushort c = 0x0410; c <= 0x044F; ++c) // А to я
            plain << QChar(c);
        std::sort(plain.begin(), plain.end(), [this](QChar a, QChar b) {
            return m_collator.compare(QString(a), QString(b)) < 0;
        });
        // Two neighbours share a first-level weight when a later letter still decides
        // between them: "ея" sorts after "ёа".
        quint8 weight = 1;
        for (int i = 0; i < plain.size(); ++i) {
            if (i > 0
                && m_collator.compare(QString(plain.at(i - 1)) + QChar(0x044F),
                                      QString(plain.at(i)) + QChar(0x0430))
                           < 0)
                ++weight;
            m_weights[plain.at(i).unicode()] = weight;
        }
    }

    int compareUtf8(const char *a, int aSize, const char *b, int bSize) const
    {
        // What both begin with byte for byte weighs the same in both: the first character
        // that differs decides.
        const int common = qMin(aSize, bSize);
        int same = 0;
        while (same < common && a[same] == b[same])
            ++same;
        if (same == aSize && same == bSize)
            return 0;
        while (same > 0 && same < common && (uchar(a[same]) & 0xC0) == 0x80)
            --same;
        int i = same;
        int j = same;
        for (;;) {
            // A name that is the beginning of the other sorts first, unless what follows in
            // the other is a mark that joins its last letter.
            if (i >= aSize || j >= bSize) {
                if (i >= aSize && j < bSize && plainOrEnd(b, bSize, j))
                    return -1;
                if (j >= bSize && i < aSize && plainOrEnd(a, aSize, i))
                    return 1;
                break;
            }
            const int wa = next(a, aSize, &i);
            const int wb = next(b, bSize, &j);
            if (wa == 0 || wb == 0)
                break;
            if (wa != wb) {
                // A combining mark after either letter would make one character with it.
                if (plainOrEnd(a, aSize, i) && plainOrEnd(b, bSize, j))
                    return wa < wb ? -1 : 1;
                break;
            }
        }
        return m_collator.compare(QString::fromUtf8(a, aSize), QString::fromUtf8(b, bSize));
    }

private:
    // The first-level weight of the character at `*at`, moving past it; 0 for a character
    // outside the table, which only the collator can place.
    int next(const char *text, int size, int *at) const
    {
        const uchar lead = uchar(text[*at]);
        uint code = lead;
        int length = 1;
        if (lead >= 0x80) {
            if ((lead & 0xE0) != 0xC0 || *at + 1 >= size || (uchar(text[*at + 1]) & 0xC0) != 0x80)
                return 0;
            code = (uint(lead & 0x1F) << 6) | (uchar(text[*at + 1]) & 0x3F);
            length = 2;
        }
        *at += length;
        return code < m_weights.size() ? m_weights[code] : 0;
    }

    bool plainOrEnd(const char *text, int size, int at) const
    {
        return at >= size || next(text, size, &at) != 0;
    }

    QCollator m_collator;
    std::array<quint8, 0x0452> m_weights{};
};

const RussianOrder &russianOrder()
{
    static const RussianOrder order;
    return order;
}

int compareInSqlite(void *, int aSize, const void *a, int bSize, const void *b)
{
    return russianOrder().compareUtf8(
            static_cast<const char *>(a), aSize, static_cast<const char *>(b), bSize);
}

int registerOnConnection(sqlite3 *db, const char **, const sqlite3_api_routines *)
{
    return sqlite3_create_collation_v2(db,
                                       sqliteCollation.toUtf8().constData(),
                                       SQLITE_UTF8,
                                       nullptr,
                                       compareInSqlite,
                                       nullptr);
}

} // namespace

bool RussianCollation::install()
{
    // Qt's SQLite driver and the program share the system's SQLite library, so an entry on
    // its list of what every new connection gets reaches the driver's connections too.
    static const bool installed = [] {
        const int result
                = sqlite3_auto_extension(reinterpret_cast<void (*)()>(&registerOnConnection));
        if (result != SQLITE_OK)
            ZR_LOG() << "russian collation not installed" << result;
        return result == SQLITE_OK;
    }();
    return installed;
}

QString RussianCollation::collated(const QString &expression, const QSqlDatabase &db)
{
    // The one place that names the collation: an engine with one of its own (PostgreSQL's
    // "ru-x-icu") answers here.
    if (db.driverName() == QLatin1String("QSQLITE") && install())
        return expression + QStringLiteral(" COLLATE ") + sqliteCollation;
    if (db.driverName() == QLatin1String("QPSQL"))
        return expression + QStringLiteral(" COLLATE \"ru-x-icu\"");
    return expression;
}
