// Checking 1,000 appendices (form 304, 20 disciplines each) before printing, texts measured
// at the printer's resolution, beside filling the same pages with the documents' data: what
// the check adds to what any print of them must do anyway.
#include "benchreport.h"
#include "database/database.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/printcheck.h"
#include "printing/reportlist.h"
#include "testhome.h"

#include "ZrReport/reportpage.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

QList<int> fillRegister(int documents, int disciplines)
{
    Database::setVariable("Data/Boss_1", QStringLiteral("Сидорова Анна Ивановна"));
    Database::setVariable("Data/City", QStringLiteral("Рязань"));
    Database::setVariable("Data/OrgName_1", QStringLiteral("МБОУ \"СОШ № 1\""));
    Database::setVariable("Data/OrgName_2", QStringLiteral("МБОУ \"СОШ № 1\""));
    Database::setVariable("Data/OrgName_3", QStringLiteral("МБОУ \"СОШ № 1\""));
    QSqlDatabase::database().transaction();
    QList<int> ids;
    for (int d = 0; d < documents; ++d) {
        QSqlQuery doc;
        doc.prepare("INSERT INTO PsDocuments (isTemplate, fio1, fio2, fio3, birthDate, number, "
                    "regNumber, issueDate, add1, add2, add3, add4, add5) "
                    "VALUES (0, ?, ?, ?, '2013-01-07', ?, ?, '2024-05-25', ?, ?, ?, ?, ?)");
        doc.addBindValue(QStringLiteral("Петров%1").arg(d));
        doc.addBindValue(QStringLiteral("Пётр"));
        doc.addBindValue(QStringLiteral("Петрович"));
        doc.addBindValue(QString::number(770000 + d));
        doc.addBindValue(QString::number(d + 1));
        for (int s = 0; s < 5; ++s)
            doc.addBindValue(QStringLiteral("Раздел %1 документа %2: несколько слов о нём.")
                                     .arg(s + 1)
                                     .arg(d));
        doc.exec();
        const int id = doc.lastInsertId().toInt();
        ids << id;
        QSqlQuery detail;
        detail.prepare("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                       "VALUES (?, ?, ?)");
        for (int i = 0; i < disciplines; ++i) {
            detail.addBindValue(id);
            detail.addBindValue(QStringLiteral("Учебный предмет %1").arg(i + 1));
            detail.addBindValue(QString::number(2 + i % 4));
            detail.exec();
        }
    }
    QSqlDatabase::database().commit();
    return ids;
}

} // namespace

int main(int argc, char **argv)
{
    TestHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!Database::create())
        return 1;
    Database::migrateLegacySettings(Database::dataPath() + "/ZrPs.ini");
    DefaultTemplates::install();
    const QList<int> ids = fillRegister(1000, 20);

    int problems = 0;
    const double check = BenchReport::medianMs(3, [&] {
        PrintCheck checker(ReportList::Id3382);
        problems = checker.check(ids).size();
    });
    ReportPage page;
    page.loadFromFile(Engine::templatePath(ReportList::Id3382));
    const double fill = BenchReport::medianMs(3, [&] {
        for (int id : ids)
            Engine::fillReport(ReportList::Id3382, &page, id, true);
    });
    BenchReport::figure("check 1000 documents, form 304, 20 disciplines, at 600 dpi (baseline: "
                        "filling the 1000 pages)",
                        "< 2000 ms",
                        check,
                        fill);
    BenchReport::figure("check cost per document (baseline: filling one page)",
                        "-",
                        check / ids.size(),
                        fill / ids.size());
    if (problems != 0)
        QTextStream(stderr) << "unexpected problems: " << problems << '\n';
    Database::destroy();
    return problems == 0 ? 0 : 1;
}
