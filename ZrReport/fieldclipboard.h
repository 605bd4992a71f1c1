#pragma once

#include "zrreportlib_export.h"

#include <QList>
#include <QString>

class AbstractField;
class QMimeData;
class ReportPage;

// Fields on the clipboard, in their template form, so that they can be pasted into
// the same template or another one, also in another designer process.
class ZRREPORTLIB_EXPORT FieldClipboard
{
public:
    static QString mimeType();
    // The fields' template form; the caller owns the data.
    static QMimeData *mimeData(const QList<AbstractField *> &fields);
    static bool hasFields(const QMimeData *mime);
    // New fields read from the data and placed on the page, moved by the offset (mm);
    // the caller appends them to the page. Entries that are no field are skipped.
    static QList<AbstractField *> fields(const QMimeData *mime, ReportPage *page, double offset);
};
