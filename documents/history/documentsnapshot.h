#pragma once

#include "documents/documentrecord.h"

#include <QString>

// A document as the history keeps it: its fields, sections and appendix rows in one text,
// so that any version can be shown whole and made current again. The change date is the
// version's own and is not part of it. A version may carry a note beside the document.
namespace DocumentSnapshot {
QString toText(const DocumentRecord &document, const QString &note = QString());
// False when the text is no snapshot.
bool fromText(const QString &text, DocumentRecord *document, QString *note = nullptr);
} // namespace DocumentSnapshot
