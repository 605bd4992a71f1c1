#include "gendersplit.h"

#include "documents/documentstore.h"
#include "printing/reportlist.h"

GenderSplit::GenderSplit(int type, const QList<int> &ids)
    : m_type(type)
{
    const PupilGender::Value blank = ReportList::blankGender(type);
    if (blank == PupilGender::Unknown) {
        m_batches << Batch{type, ids};
        return;
    }
    Batch boys{ReportList::Id253, {}};
    Batch girls{ReportList::Id254, {}};
    for (int id : ids) {
        PupilGender::Value gender = DocumentStore::gender(id);
        m_boys += gender == PupilGender::Boy;
        m_girls += gender == PupilGender::Girl;
        // Nobody can tell: the blank the user chose, where the check before the print names it.
        if (gender == PupilGender::Unknown) {
            ++m_unknown;
            gender = blank;
        }
        (gender == PupilGender::Boy ? boys : girls).ids << id;
    }
    if (m_boys == 0 || m_girls == 0) {
        m_batches << Batch{type, ids};
        return;
    }
    m_batches << boys << girls;
}

QString GenderSplit::text() const
{
    if (!isSplit())
        return QString();
    QString text = QStringLiteral("Мальчики: %1 — бланк для мальчиков; девочки: %2 — бланк для "
                                  "девочек")
                           .arg(m_boys)
                           .arg(m_girls);
    if (m_unknown > 0)
        text += QStringLiteral("; пол не определён: %1 — выбранный бланк для %2")
                        .arg(m_unknown)
                        .arg(ReportList::blankGender(m_type) == PupilGender::Boy
                                     ? QStringLiteral("мальчиков")
                                     : QStringLiteral("девочек"));
    return text;
}
