#pragma once

#include <QDate>
#include <QString>

class ReportPage;

// Hands one document and the organisation's data to a report page: the variables
// templates refer to by name, and the appendix rows as the table model "view".
class ReportInfo
{
public:
    // With useDocument false the first stored row of any kind serves as a sample and
    // the appendix list stays empty (the designer's case, sqlDocId 0).
    static void loadData(ReportPage *page, int sqlDocId, bool useDocument);

    // Deletes the models a fill gave the page, once nothing will draw it with data again:
    // no query is left open on the register after a print.
    static void releaseData(ReportPage *page);

    // "07 января 2003"; empty for an invalid date.
    static QString genitiveDate(const QDate &date);
    // "Фамилия И. О.": the last one or two words become upper-case initials.
    static QString shortName(const QString &text);

    // The name of the appendix model and its statement, for the fill and the tests.
    static QString viewModelName();
};
