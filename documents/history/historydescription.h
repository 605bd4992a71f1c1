#pragma once

#include "documenthistory.h"

#include <QString>
#include <QStringList>

// What a version changed, in plain words: "Оценка по предмету «Математика»: 4 → 5".
namespace HistoryDescription {
// The differences from `before` to `after`, one text each, fields first, then the sections,
// then the appendix rows.
QStringList differences(const DocumentRecord &before, const DocumentRecord &after);
// The version's line: what kind of change it was and, for a change of values, what changed
// since `previous` (null for the first version).
QString of(const DocumentHistory::Version &version, const DocumentHistory::Version *previous);
enum class Length { Shortened, Whole };
// "label: before → after", each value on one line, none as a dash, a long one shortened
// unless asked whole.
QString valueChange(const QString &label,
                    const QString &before,
                    const QString &after,
                    Length length = Length::Shortened);
// "dd.MM.yyyy hh:mm:ss" of a stored moment.
QString momentText(const QString &stored);
// The labelled values of a document, as a version is shown whole: (label, value).
QVector<QPair<QString, QString>> fields(const DocumentRecord &document);
// The titles of the appendix sections add1 to add5.
QStringList sectionTitles();
} // namespace HistoryDescription
