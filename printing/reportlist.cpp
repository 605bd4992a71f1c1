#include "reportlist.h"

#include "printing/reportinfo.h"

#include <memory>
#include <vector>

namespace {

struct Storage
{
    std::vector<std::unique_ptr<ReportListEntry>> owned;
    QList<const ReportListEntry *> list;
    QMap<int, const ReportListEntry *> byType;
};

Storage &storage()
{
    static Storage s;
    return s;
}

} // namespace

void ReportList::init()
{
    Storage &s = storage();
    if (!s.list.isEmpty())
        return;
    const auto doNothing = [](ReportPage *, int, bool) {};
    const QString prefix = QStringLiteral("Бланк свидетельства об окончании начальной школы");
    s.owned.push_back(std::make_unique<ReportListEntry>(ReportListEntry{
            Id253,
            prefix + QStringLiteral(" для мальчиков"),
            QStringLiteral("id253"),
            prefix
                    + QStringLiteral(", без обложки (ФЗ №273 от 29.12.12, установленный образец, "
                                     "вариант \"для мальчиков\")"),
            doNothing}));
    s.owned.push_back(std::make_unique<ReportListEntry>(ReportListEntry{
            Id254,
            prefix + QStringLiteral(" для девочек"),
            QStringLiteral("id254"),
            prefix
                    + QStringLiteral(", без обложки (ФЗ №273 от 29.12.12, установленный образец, "
                                     "вариант \"для девочек\")"),
            doNothing}));
    s.owned.push_back(std::make_unique<ReportListEntry>(ReportListEntry{
            Id3339,
            prefix + QStringLiteral(" второго вида"),
            QStringLiteral("id3339"),
            prefix + QStringLiteral(" (ФЗ №273 от 29.12.12, установленный образец, второго вида)"),
            doNothing}));
    s.owned.push_back(std::make_unique<ReportListEntry>(ReportListEntry{
            Id3382,
            QStringLiteral("Бланк приложения к свидетельству об окончании начальной школы"),
            QStringLiteral("id3382"),
            QStringLiteral("Бланк приложения к свидетельству об окончании начальной школы "
                           "(ФЗ №273 от 29.12.12, установленный образец)"),
            doNothing}));
    for (const auto &entry : s.owned)
        s.list << entry.get();
    for (const auto &entry : s.owned) {
        entry->fill = &ReportInfo::loadData;
        s.byType.insert(entry->type, entry.get());
    }
}

const QList<const ReportListEntry *> &ReportList::entries()
{
    init();
    return storage().list;
}

const ReportListEntry *ReportList::entry(int type)
{
    init();
    return storage().byType.value(type, nullptr);
}

const ReportListEntry *ReportList::find(const QString &typeOrId)
{
    const QString wanted = typeOrId.trimmed();
    bool isNumber = false;
    const int type = wanted.toInt(&isNumber);
    if (isNumber)
        return entry(type);
    for (const ReportListEntry *e : entries()) {
        if (e->id.compare(wanted, Qt::CaseInsensitive) == 0)
            return e;
    }
    return nullptr;
}

PupilGender::Value ReportList::blankGender(int type)
{
    switch (type) {
    case Id253:
        return PupilGender::Boy;
    case Id254:
        return PupilGender::Girl;
    default:
        return PupilGender::Unknown;
    }
}
