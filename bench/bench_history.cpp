// A file register of 100,000 documents, first without history, then with ten versions of
// every document: opening the register, saving a document in the edit dialog and the
// program's start, each beside the same on the register without the versions; and a
// document's history as its dialog shows it; and a write while the whole file is checked
// in the background.
#include "benchprogram.h"
#include "benchregister.h"
#include "benchreport.h"
#include "database/database.h"
#include "database/integritycheck.h"
#include "documents/documenteditdialog.h"
#include "documents/documentstore.h"
#include "documents/history/documentsnapshot.h"
#include "documents/history/historydialog.h"
#include "modalanswerer.h"
#include "programstart.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QSqlQuery>
#include <QThread>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

const int documents = 100000;
const int versionsEach = 10;
const int historyOf = documents / 2;

// Ten versions of every document in one statement: a document with eight subjects whose
// grades change from version to version, the first one imported.
bool addHistory()
{
    QStringList groups;
    QVariantList values;
    for (int v = 0; v < versionsEach; ++v) {
        DocumentRecord document;
        document.fio1 = QStringLiteral("Фамилия1");
        document.fio2 = QStringLiteral("Имя1");
        document.fio3 = QStringLiteral("Отчество1");
        document.birthDate = QDate(2013, 2, 11);
        document.issueDate = QDate(2024, 5, 25);
        document.number = QString::number(3100000 + v);
        document.regNumber = QString::number(v);
        document.decision = QStringLiteral("Решение педагогического совета от 25.05.2024 № 9");
        for (int d = 0; d < 8; ++d)
            document.disciplines.append({QStringLiteral("Учебный предмет %1").arg(d + 1),
                                         QString::number(3 + (d + v) % 3)});
        groups << QStringLiteral("(%1, ?, ?, ?)").arg(v);
        values << QStringLiteral("2024-05-%1 10:00:00").arg(10 + v)
               << (v == 0 ? QStringLiteral("imported") : QStringLiteral("edited"))
               << DocumentSnapshot::toText(document);
    }
    QSqlQuery insert;
    insert.prepare(QStringLiteral("INSERT INTO PsDocumentHistory (psId, changedAt, changedBy, "
                                  "kind, snapshot) SELECT p.psId, v.column2, 'secretary@ws1', "
                                  "v.column3, v.column4 FROM PsDocuments p, (VALUES %1) v "
                                  "ORDER BY v.column1, p.psId")
                           .arg(groups.join(QStringLiteral(", "))));
    for (const QVariant &value : values)
        insert.addBindValue(value);
    return Database::exec(insert);
}

struct Figures
{
    double open = -1;
    double save = -1;
    double start = -1;
    double openingCheck = -1;
    double wholeCheck = -1;
    qint64 megabytes = 0;
};

Figures measure(const TestHome &home)
{
    Figures figures;
    figures.open = BenchReport::medianMs(5, [] {
        Database::create();
        Database::destroy();
    });
    figures.openingCheck = BenchReport::medianMs(
            5, [] { BenchRegister::quickCheckAlone(IntegrityScope::WithoutHistory); });
    figures.wholeCheck = BenchReport::medianMs(5, [] { BenchRegister::quickCheckAlone(); });
    figures.megabytes = QFileInfo(Database::databasePath()).size() / (1024 * 1024);
    {
        Database::create();
        // A message box of a failed save is closed, so that nothing waits for a click.
        const ModalAnswerer answerer;
        DocumentEditDialog dialog;
        int round = 0;
        figures.save = BenchReport::medianMs(
                9,
                [&] {
                    dialog.loadDocument(1 + (++round * 7919) % documents);
                    dialog.setEditable(true);
                    dialog.findChild<QLineEdit *>(QStringLiteral("lineEditFio_2"))
                            ->setText(QStringLiteral("Павел%1").arg(round));
                },
                [&] {
                    if (!dialog.saveDocument())
                        QTextStream(stderr) << "save failed\n";
                });
        Database::destroy();
    }
    // A first start writes the templates and the dictionary into the data folder.
    ProgramStart::programShown(home.dataHome());
    std::vector<double> shown;
    for (int run = 0; run < 5; ++run)
        shown.push_back(ProgramStart::programShown(home.dataHome()).shown);
    std::sort(shown.begin(), shown.end());
    figures.start = shown.at(shown.size() / 2);
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    if (ProgramStart::isChild())
        return ProgramStart::runChild(argc, argv);
    const BenchProgram program(argc, argv);
    if (!Database::create() || !BenchRegister::fillDocuments(documents, 8))
        return 1;
    Database::userSettings()->setValue(QStringLiteral("ZrPs/showTipsOnStartup"), false);
    Database::userSettings()->sync();
    Database::destroy();
    const Figures plain = measure(program.home());

    if (!Database::create() || !addHistory())
        return 1;
    Database::destroy();
    const Figures kept = measure(program.home());

    const QString with = QStringLiteral("%1 documents with %2 versions each (baseline: "
                                        "without history)")
                                 .arg(documents)
                                 .arg(versionsEach);
    BenchReport::figure(QStringLiteral("history: open the register, ") + with,
                        QStringLiteral("< 1.1 x base"),
                        kept.open,
                        plain.open);
    const QString sizes = QStringLiteral(", %1 MB with the versions (baseline: %2 MB without)")
                                  .arg(kept.megabytes)
                                  .arg(plain.megabytes);
    BenchReport::figure(QStringLiteral("history: the opening's integrity check alone") + sizes,
                        QStringLiteral("-"),
                        kept.openingCheck,
                        plain.openingCheck);
    BenchReport::figure(QStringLiteral("history: the background check of the whole file") + sizes,
                        QStringLiteral("-"),
                        kept.wholeCheck,
                        plain.wholeCheck);
    BenchReport::figure(QStringLiteral("history: save a document in the edit dialog, ") + with,
                        QStringLiteral("< 1.1 x base"),
                        kept.save,
                        plain.save);
    BenchReport::figure(QStringLiteral("history: program start to the register shown, ") + with,
                        QStringLiteral("< 1.1 x base"),
                        kept.start,
                        plain.start);

    Database::create();
    // A write of the program while the background check reads the whole file, which takes
    // the check's read lock: the check gives way.
    int round = 0;
    const auto write = [&round] {
        QSqlQuery update;
        update.prepare(QStringLiteral("UPDATE PsDocuments SET fio2 = ? WHERE psId = ?;"));
        update.addBindValue(QStringLiteral("Пётр%1").arg(++round));
        update.addBindValue(1 + (round * 7919) % documents);
        if (!Database::exec(update))
            QTextStream(stderr) << "write failed\n";
    };
    const double writeAlone = BenchReport::medianMs(9, write);
    std::unique_ptr<IntegrityCheck> check;
    const double writeDuringCheck = BenchReport::medianMs(
            9,
            [&check] {
                check = std::make_unique<IntegrityCheck>(SqliteEngine::instance(),
                                                         Database::databasePath());
                check->start();
                // Well into the reading of the whole file.
                QThread::msleep(150);
            },
            write);
    check.reset();
    BenchReport::figure(QStringLiteral("history: a write while the background check reads the "
                                       "whole file (baseline: the write alone)"),
                        QStringLiteral("< base+50"),
                        writeDuringCheck,
                        writeAlone);
    const double dialog = BenchReport::medianMs(9, [] { HistoryDialog shown(historyOf); });
    const double read = BenchReport::medianMs(9, [] {
        DocumentRecord document;
        DocumentStore::read(historyOf, &document);
    });
    BenchReport::figure(QStringLiteral("history: a document's %1 versions in the history "
                                       "dialog (baseline: reading the document)")
                                .arg(versionsEach),
                        QStringLiteral("< 100 ms"),
                        dialog,
                        read);
    Database::destroy();
    return 0;
}
