#include "messagelines.h"

#include <QMessageBox>
#include <numeric>

namespace {
// What a message box, some 500 pixels wide, shows without growing past a small screen.
constexpr int maxShownLines = 8;
constexpr int maxShownCharacters = 600;
constexpr int summaryLines = 3;
constexpr int summaryLineLength = 100;
} // namespace

void setMessageLines(QMessageBox *box,
                     const QString &before,
                     const QStringList &lines,
                     const QString &after)
{
    const int characters
            = std::accumulate(lines.cbegin(), lines.cend(), 0, [](int sum, const QString &line) {
                  return sum + line.size();
              });
    const bool fits = lines.size() <= maxShownLines && characters <= maxShownCharacters;
    QStringList shown = fits ? lines : QStringList(lines.mid(0, summaryLines));
    if (!fits) {
        for (QString &line : shown) {
            if (line.size() > summaryLineLength)
                line = line.left(summaryLineLength - 1) + QChar(0x2026);
        }
        shown << (lines.size() > summaryLines
                          ? QStringLiteral("…и ещё %1; полный список — в подробностях.")
                                    .arg(lines.size() - summaryLines)
                          : QStringLiteral("Полностью — в подробностях."));
        box->setDetailedText(lines.join(QLatin1Char('\n')));
    }
    QStringList parts;
    if (!before.isEmpty())
        parts << before;
    parts << shown;
    QString text = parts.join(QLatin1Char('\n'));
    if (!after.isEmpty())
        text += QStringLiteral("\n\n") + after;
    // Lines from a register or a file are no markup.
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
}
