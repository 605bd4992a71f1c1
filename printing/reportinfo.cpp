#include "reportinfo.h"

#include "app/debuglog.h"
#include "database/database.h"

#include "ZrReport/reportpage.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QStringList>
#include <memory>

namespace {

// Marks the models this fill creates, so that a later fill of the same page may
// release them and never touches a model someone else registered.
const char ownedByFill[] = "zrFillModel";

QString columnText(const QSqlQuery &query, const QString &column)
{
    // QSqlRecord::indexOf ignores case: "RegNumber" finds regNumber.
    const int index = query.record().indexOf(column);
    if (index < 0 || !query.isValid())
        return QString();
    return query.value(index).toString();
}

QDate columnDate(const QSqlQuery &query, const QString &column)
{
    return QDate::fromString(columnText(query, column), QStringLiteral("yyyy-MM-dd"));
}

QString digitDate(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

// Templates name the appendix columns as the register spells them; a server that folds
// names hands them out in lower case.
void spellColumnsAsTheRegister(QSqlQueryModel *model)
{
    static const QStringList spelling{QStringLiteral("psId"),
                                      QStringLiteral("psDetId"),
                                      QStringLiteral("disciplineName"),
                                      QStringLiteral("disciplineRateDigit"),
                                      QStringLiteral("rowNumber"),
                                      QStringLiteral("disciplineRateText"),
                                      QStringLiteral("disciplineRate")};
    for (int column = 0; column < model->columnCount(); ++column) {
        const QString given = model->headerData(column, Qt::Horizontal).toString();
        for (const QString &name : spelling)
            if (name != given && name.compare(given, Qt::CaseInsensitive) == 0)
                model->setHeaderData(column, Qt::Horizontal, name);
    }
}

// The page becomes the model's parent: the model goes with the page that shows it.
void registerViewModel(ReportPage *page, int sqlDocId)
{
    auto *model = new QSqlQueryModel;
    model->setProperty(ownedByFill, true);
    model->setQuery(
            QStringLiteral("SELECT * FROM viewPsDocumentDetails WHERE psId = %1;").arg(sqlDocId));
    // The driver hands rows out in batches; a table must see all of them.
    while (model->canFetchMore())
        model->fetchMore();
    if (model->lastError().isValid())
        ZR_LOG() << "SQL ERROR" << model->lastError().text() << model->query().lastQuery();
    spellColumnsAsTheRegister(model);

    QAbstractItemModel *previous = page->getModel(ReportInfo::viewModelName());
    page->addModel(ReportInfo::viewModelName(), model, true);
    if (previous && previous != model && previous->parent() == page
        && previous->property(ownedByFill).toBool())
        delete previous;
}

} // namespace

void ReportInfo::releaseData(ReportPage *page)
{
    if (!page)
        return;
    for (QSqlQueryModel *model :
         page->findChildren<QSqlQueryModel *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (model->property(ownedByFill).toBool())
            delete model;
    }
}

QString ReportInfo::viewModelName()
{
    return QStringLiteral("view");
}

QString ReportInfo::genitiveDate(const QDate &date)
{
    if (!date.isValid())
        return QString();
    static const char *const months[] = {"января",
                                         "февраля",
                                         "марта",
                                         "апреля",
                                         "мая",
                                         "июня",
                                         "июля",
                                         "августа",
                                         "сентября",
                                         "октября",
                                         "ноября",
                                         "декабря"};
    return QStringLiteral("%1%2 %3 %4")
            .arg(date.day() <= 9 ? QStringLiteral("0") : QString(),
                 QString::number(date.day()),
                 QString::fromUtf8(months[date.month() - 1]),
                 QString::number(date.year()));
}

QString ReportInfo::shortName(const QString &text)
{
    QStringList parts = text.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    if (parts.size() == 1)
        return text;
    // A missing word (no patronymic, a double blank) gives no initial rather than a
    // lone full stop on the certificate.
    const auto initial = [](const QString &word) {
        return word.isEmpty() ? word : word.left(1).toUpper() + QLatin1Char('.');
    };
    parts.last() = initial(parts.last());
    if (parts.size() >= 3)
        parts[parts.size() - 2] = initial(parts.at(parts.size() - 2));
    return parts.join(QLatin1Char(' '));
}

void ReportInfo::loadData(ReportPage *page, int sqlDocId, bool useDocument)
{
    if (!page)
        return;
    const QString sql = QStringLiteral("SELECT * FROM PsDocuments ")
                        + (useDocument ? QStringLiteral(" WHERE psId=%1;").arg(sqlDocId)
                                       : QStringLiteral(";"));
    std::unique_ptr<QSqlQuery> query(Database::execQuery(sql));
    if (!query->next() && useDocument)
        return;

    const QString last = columnText(*query, QStringLiteral("fio1"));
    const QString first = columnText(*query, QStringLiteral("fio2"));
    const QString middle = columnText(*query, QStringLiteral("fio3"));
    const QString full = last + QLatin1Char(' ') + first + QLatin1Char(' ') + middle;
    const QDate birth = columnDate(*query, QStringLiteral("birthDate"));
    const QDate issue = columnDate(*query, QStringLiteral("issueDate"));

    page->setReportVariable(QStringLiteral("Last_Name"), last);
    page->setReportVariable(QStringLiteral("First_Name"), first);
    page->setReportVariable(QStringLiteral("Middle_Name"), middle);
    page->setReportVariable(QStringLiteral("Full_Name"), full);
    page->setReportVariable(QStringLiteral("Full_Name_short"), shortName(full));
    page->setReportVariable(QStringLiteral("Number"), columnText(*query, QStringLiteral("number")));
    page->setReportVariable(QStringLiteral("birth_Date"), genitiveDate(birth));
    page->setReportVariable(QStringLiteral("birth_Date_digit"), digitDate(birth));
    page->setReportVariable(QStringLiteral("Issue_Out"), genitiveDate(issue));
    page->setReportVariable(QStringLiteral("Issue_Out_digit"), digitDate(issue));
    page->setReportVariable(QStringLiteral("Issue_Out_year"),
                            issue.isValid() ? issue.toString(QStringLiteral("yyyy")) : QString());
    page->setReportVariable(QStringLiteral("Reg_Number"),
                            columnText(*query, QStringLiteral("RegNumber")));
    page->setReportVariable(QStringLiteral("Decision"),
                            columnText(*query, QStringLiteral("Decision")));
    page->setReportVariable(QStringLiteral("After_Classes_Courses"),
                            columnText(*query, QStringLiteral("add1")));
    page->setReportVariable(QStringLiteral("Programs_Of_Add_Education"),
                            columnText(*query, QStringLiteral("add2")));
    page->setReportVariable(QStringLiteral("Results_Of_Olympiads"),
                            columnText(*query, QStringLiteral("add3")));
    page->setReportVariable(QStringLiteral("Meta_Results"),
                            columnText(*query, QStringLiteral("add4")));
    page->setReportVariable(QStringLiteral("Person_Character"),
                            columnText(*query, QStringLiteral("add5")));
    page->setReportVariable(QStringLiteral("School_Class"),
                            columnText(*query, QStringLiteral("schoolClass")));
    query.reset();

    const QString boss = Database::getVariable(QStringLiteral("Data/boss_1"));
    page->setReportVariable(QStringLiteral("Boss1_short"), shortName(boss));
    page->setReportVariable(QStringLiteral("Boss1"), boss);
    page->setReportVariable(QStringLiteral("City"),
                            Database::getVariable(QStringLiteral("Data/City")));
    page->setReportVariable(QStringLiteral("OrgName"),
                            Database::getVariable(QStringLiteral("Data/OrgName_1")));
    page->setReportVariable(QStringLiteral("OrgName_roditelniy"),
                            Database::getVariable(QStringLiteral("Data/OrgName_2")));
    page->setReportVariable(QStringLiteral("OrgName_predlojniy"),
                            Database::getVariable(QStringLiteral("Data/OrgName_3")));

    registerViewModel(page, sqlDocId);
}
