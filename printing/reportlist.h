#pragma once

#include "documents/pupilgender.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <functional>

class ReportPage;

struct ReportListEntry;

// The blank forms the program prints on. Built once, never changed afterwards.
class ReportList
{
    Q_GADGET
public:
    enum ReportType { Id253 = 301, Id254 = 302, Id3339 = 303, Id3382 = 304 };
    Q_ENUM(ReportType)

    using Fill = std::function<void(ReportPage *page, int sqlDocId, bool useDocument)>;

    static void init();
    // In the order the print dialog lists them.
    static const QList<const ReportListEntry *> &entries();
    // Null for a type that is not in the list.
    static const ReportListEntry *entry(int type);
    // A type number ("304") or an identifier ("id3382", any case); null when neither.
    static const ReportListEntry *find(const QString &typeOrId);
    // The pupils a blank is made for: the boys' and the girls' certificate; Unknown for a
    // blank made for all.
    static PupilGender::Value blankGender(int type);
};

struct ReportListEntry
{
    ReportList::ReportType type;
    QString name;
    QString id;
    QString description;
    ReportList::Fill fill;
};

Q_DECLARE_METATYPE(ReportList::ReportType)
