#include "database/database.h"
#include "documents/documentstable.h"
#include "documents/documentstore.h"
#include "documents/emptystatewidget.h"
#include "modalanswerer.h"
#include "printing/printdialog.h"
#include "testhome.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <memory>

Q_DECLARE_METATYPE(QDialogButtonBox::StandardButton)

namespace {

struct Doc
{
    QVariant fio1;
    QString fio2;
    QString fio3;
    QString issueDate;
    QVariant schoolClass = QVariant(QVariant::String);
};

int insertDocument(const Doc &doc, int isTemplate = 0)
{
    QSqlQuery query;
    query.prepare("INSERT INTO PsDocuments (isTemplate, fio1, fio2, fio3, issueDate, number, "
                  "regNumber, birthDate, decision, schoolClass) VALUES (?, ?, ?, ?, ?, 'N-1', "
                  "'R-1', '2010-05-01', 'решение', ?)");
    query.addBindValue(isTemplate);
    query.addBindValue(doc.fio1);
    query.addBindValue(doc.fio2);
    query.addBindValue(doc.fio3);
    query.addBindValue(doc.issueDate);
    query.addBindValue(doc.schoolClass);
    if (!query.exec())
        return -1;
    return query.lastInsertId().toInt();
}

void insertDetails(int psId, int count)
{
    for (int i = 0; i < count; ++i) {
        QSqlQuery query;
        query.prepare("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                      "VALUES (?, ?, ?)");
        query.addBindValue(psId);
        query.addBindValue(QString("Предмет %1").arg(i));
        query.addBindValue(QString::number(3 + i % 3));
        query.exec();
    }
}

QString scalar(const QString &sql)
{
    QSqlQuery query(sql);
    return query.next() ? query.value(0).toString() : QStringLiteral("<no row>");
}

int count(const QString &sql)
{
    return scalar(sql).toInt();
}

FilterList filters(const QString &fio,
                   const QDate &from = QDate(),
                   const QDate &to = QDate(),
                   const QString &schoolClass = QString())
{
    FilterList list;
    if (from.isValid())
        list.append({"dateFrom", from});
    if (to.isValid())
        list.append({"dateTo", to});
    list.append({"fio", fio});
    if (!schoolClass.isNull())
        list.append({"schoolClass", schoolClass});
    return list;
}

} // namespace

class TestDocumentsTable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void columnsAndHeaders();
    void templatesAreNotListed();
    void filter_data();
    void filter();
    void filterKeysInAnyOrder();
    void filterReachesRowsBeyondFirstFetch();
    void largeRegisterIsReadOnInTheBackground();
    void filterSurvivesReload();
    void russianOrder_data();
    void russianOrder();
    void resetShowsEveryRow();
    void contextMenu_data();
    void contextMenu();
    void selectAllSkipsFilteredRows();
    void copy_data();
    void copy();
    void copyOfVanishedDocumentWritesNothing();
    void remove_data();
    void remove();
    void deleteNeverTouchesFilteredRows();
    void failureLeavesRegisterIntact_data();
    void failureLeavesRegisterIntact();
    void editAndAddAskForDocuments();
    void printRequest_data();
    void printRequest();
    void reloadAfterModelIsDropped();
    void registerReadInPartIsTold();
    void olderRegisterGetsNewColumns_data();
    void olderRegisterGetsNewColumns();

private:
    std::unique_ptr<DocumentsTable> makeTable();
    QStringList visibleNames(DocumentsTable *table) const;
    void selectRows(DocumentsTable *table, const QList<int> &rows);

    std::unique_ptr<QTemporaryDir> m_data;
};

void TestDocumentsTable::init()
{
    Database::destroy();
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    QSettings(Database::userPath() + "//settings.ini", QSettings::IniFormat).clear();
    QVERIFY(Database::create());
}

void TestDocumentsTable::cleanup()
{
    Database::destroy();
    m_data.reset();
}

std::unique_ptr<DocumentsTable> TestDocumentsTable::makeTable()
{
    auto table = std::make_unique<DocumentsTable>();
    table->resize(800, 600);
    table->show();
    return table;
}

QStringList TestDocumentsTable::visibleNames(DocumentsTable *table) const
{
    QStringList names;
    QAbstractItemModel *model = table->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (!table->isRowHidden(row))
            names << model->index(row, 1).data().toString().trimmed();
    }
    names.sort();
    return names;
}

void TestDocumentsTable::selectRows(DocumentsTable *table, const QList<int> &rows)
{
    table->clearSelection();
    for (int row : rows)
        table->selectionModel()->select(table->model()->index(row, 1),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!rows.isEmpty())
        table->selectionModel()->setCurrentIndex(table->model()->index(rows.first(), 1),
                                                 QItemSelectionModel::NoUpdate);
}

void TestDocumentsTable::columnsAndHeaders()
{
    insertDocument({"Иванов", "Пётр", "Ильич", "2024-05-30"});
    auto table = makeTable();
    QAbstractItemModel *model = table->model();
    const QStringList expected{
            "docID", "ФИО", "Дата выдачи", "Номер", "Рег номер", "Дата изменения", "Класс"};
    QCOMPARE(model->columnCount(), expected.size());
    for (int column = 0; column < expected.size(); ++column)
        QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), expected.at(column));
    QVERIFY(table->isColumnHidden(0));
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(table->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(model->index(0, 1).data().toString(), QString("Иванов Пётр Ильич"));
}

void TestDocumentsTable::templatesAreNotListed()
{
    insertDocument({"Иванов", "Пётр", "", "2024-05-30"});
    insertDocument({"Шаблон 4А", "", "", ""}, 1);
    auto table = makeTable();
    QCOMPARE(visibleNames(table.get()), QStringList{"Иванов Пётр"});
}

void TestDocumentsTable::filter_data()
{
    QTest::addColumn<FilterList>("filterList");
    QTest::addColumn<QStringList>("visible");

    const QStringList all{"ИВАНОВА Мария", "Иванов Пётр", "Петров Иван", "Сидоров"};
    QTest::newRow("empty name keeps every row") << filters("") << all;
    QTest::newRow("ив matches upper and mixed case Cyrillic")
            << filters("ив") << QStringList{"ИВАНОВА Мария", "Иванов Пётр", "Петров Иван"};
    QTest::newRow("ё and е are one letter")
            << filters("пётр") << QStringList{"Иванов Пётр", "Петров Иван"};
    QTest::newRow("name inside the full name") << filters("ов п") << QStringList{"Иванов Пётр"};
    QTest::newRow("nothing matches") << filters("Кузнецов") << QStringList{};
    QTest::newRow("inclusive bounds keep both end days")
            << filters("", QDate(2024, 5, 30), QDate(2024, 6, 15))
            << QStringList{"Иванов Пётр", "Петров Иван"};
    QTest::newRow("from equals to keeps that day only")
            << filters("", QDate(2024, 6, 15), QDate(2024, 6, 15)) << QStringList{"Петров Иван"};
    QTest::newRow("a day outside every issue date hides all")
            << filters("", QDate(2024, 6, 16), QDate(2024, 6, 16)) << QStringList{};
    QTest::newRow("document without issue date fails a date filter")
            << filters("", QDate(2017, 1, 1), QDate(2999, 12, 31))
            << QStringList{"ИВАНОВА Мария", "Иванов Пётр", "Петров Иван"};
    QTest::newRow("name and dates together")
            << filters("ИВ", QDate(2024, 5, 30), QDate(2024, 6, 15))
            << QStringList{"Иванов Пётр", "Петров Иван"};
    QTest::newRow("only one date given means no date filter")
            << filters("", QDate(2024, 6, 15)) << all;
    QTest::newRow("one class, written with a blank and in small letters")
            << filters("", QDate(), QDate(), "4А") << QStringList{"ИВАНОВА Мария", "Иванов Пётр"};
    QTest::newRow("class and name together")
            << filters("петр", QDate(), QDate(), "4 а") << QStringList{"Иванов Пётр"};
    QTest::newRow("a class nobody is in") << filters("", QDate(), QDate(), "9Я") << QStringList{};
    QTest::newRow("an empty class is no class filter") << filters("", QDate(), QDate(), "") << all;
}

void TestDocumentsTable::filter()
{
    QFETCH(FilterList, filterList);
    QFETCH(QStringList, visible);

    insertDocument({"Иванов", "Пётр", "", "2024-05-30", "4А"});
    insertDocument({"ИВАНОВА", "Мария", "", "2024-05-29", "4 а"});
    insertDocument({"Петров", "Иван", "", "2024-06-15", "4Б"});
    insertDocument({"Сидоров", "", "", "", "10В"});
    auto table = makeTable();
    selectRows(table.get(), {0});
    QSignalSpy unselect(table.get(), &DocumentsTableAbstract::unselect);

    table->onFiltersChanged(filterList);
    QCOMPARE(visibleNames(table.get()), visible);
    QCOMPARE(unselect.count(), 1);
    QCOMPARE(table->selectedCount(), 0);
    // What the dock offers: one spelling of each class, in the order a school counts them.
    QCOMPARE(table->schoolClasses(), (QStringList{"4А", "4Б", "10В"}));
}

void TestDocumentsTable::filterKeysInAnyOrder()
{
    insertDocument({"Иванов", "Пётр", "", "2024-05-30"});
    insertDocument({"Иванов", "Олег", "", "2024-07-01"});
    auto table = makeTable();
    FilterList list{{"fio", "иванов"},
                    {"colour", "green"},
                    {"dateTo", QDate(2024, 6, 1)},
                    {"dateFrom", QDate(2024, 5, 1)}};
    table->onFiltersChanged(list);
    QCOMPARE(visibleNames(table.get()), QStringList{"Иванов Пётр"});
}

void TestDocumentsTable::filterReachesRowsBeyondFirstFetch()
{
    QSqlDatabase::database().transaction();
    for (int i = 0; i < 1000; ++i)
        insertDocument({i % 10 == 0 ? "Петров" : "Иванов", QString::number(i), "", "2024-05-30"});
    QSqlDatabase::database().commit();
    auto table = makeTable();
    // Filtered before the rest of the register has come in.
    table->onFiltersChanged(filters("петров"));
    QCOMPARE(table->model()->rowCount(), 1000);
    QCOMPARE(visibleNames(table.get()).size(), 100);
    // Scrolling must not bring unfiltered rows in.
    table->scrollToBottom();
    QCoreApplication::processEvents();
    QCOMPARE(table->model()->rowCount(), 1000);
    QCOMPARE(visibleNames(table.get()).size(), 100);
}

void TestDocumentsTable::largeRegisterIsReadOnInTheBackground()
{
    QSqlDatabase::database().transaction();
    for (int i = 0; i < 3000; ++i)
        insertDocument({"Иванов", QString::number(i), "", "2024-05-30"});
    QSqlDatabase::database().commit();
    auto table = makeTable();
    QSignalSpy counted(table.get(), &DocumentsTable::countChanged);
    // Shown with its first rows; the count waits for the whole register.
    QVERIFY(table->model()->rowCount() < 3000);
    QVERIFY(!table->isComplete());
    QVERIFY(counted.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(table->isComplete(), 10000);
    QCOMPARE(table->model()->rowCount(), 3000);
    QCOMPARE(visibleNames(table.get()).size(), 3000);
    QCOMPARE(counted.size(), 1);
    QCOMPARE(counted.first(), (QVariantList{3000, 3000}));
    QVERIFY(!table->emptyState()->isVisible());
}

void TestDocumentsTable::filterSurvivesReload()
{
    insertDocument({"Иванов", "Пётр", "", "2024-05-30"});
    insertDocument({"Петров", "Иван", "", "2024-05-30"});
    insertDocument({"Сидоров", "Олег", "", "2024-05-30"});
    auto table = makeTable();
    table->onFiltersChanged(filters("ов п"));
    QCOMPARE(visibleNames(table.get()), QStringList{"Иванов Пётр"});

    insertDocument({"Смирнов", "Павел", "", "2024-05-30"});
    QSignalSpy reselected(table.get(), &DocumentsTableAbstract::reselected);
    table->updateData();
    QCOMPARE(reselected.count(), 1);
    QCOMPARE(visibleNames(table.get()), (QStringList{"Иванов Пётр", "Смирнов Павел"}));

    // A header click re-reads the model too.
    table->sortByColumn(1, Qt::AscendingOrder);
    QCOMPARE(visibleNames(table.get()), (QStringList{"Иванов Пётр", "Смирнов Павел"}));
}

void TestDocumentsTable::russianOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("sorted");

    const int up = Qt::AscendingOrder;
    QTest::newRow("Ё with Е, after А and before Ж")
            << QStringList{"Жуков", "Ёлкин", "Абрамов", "Елисеев"} << up
            << QStringList{"Абрамов", "Елисеев", "Ёлкин", "Жуков"};
    QTest::newRow("Ё and Е are one letter: the next letters decide")
            << QStringList{"Ельцин", "Ёлочкин", "Елисеев"} << up
            << QStringList{"Елисеев", "Ёлочкин", "Ельцин"};
    QTest::newRow("descending is the same order turned round")
            << QStringList{"Ёлкин", "Абрамов", "Жуков", "Елисеев"} << int(Qt::DescendingOrder)
            << QStringList{"Жуков", "Ёлкин", "Елисеев", "Абрамов"};
    QTest::newRow("a surname typed in small letters sorts among the others")
            << QStringList{"Ивашов", "иванов", "Жуков"} << up
            << QStringList{"Жуков", "иванов", "Ивашов"};
    QTest::newRow("surname first, then name, then patronymic")
            << QStringList{"Иванова Анна",
                           "Иванов Яков Петрович",
                           "Иванов Яков Андреевич",
                           "Иванов Ефим"}
            << up
            << QStringList{"Иванов Ефим",
                           "Иванов Яков Андреевич",
                           "Иванов Яков Петрович",
                           "Иванова Анна"};
}

void TestDocumentsTable::russianOrder()
{
    QFETCH(QStringList, names);
    QFETCH(int, order);
    QFETCH(QStringList, sorted);

    QHash<QString, int> ids;
    for (const QString &name : names) {
        const QStringList parts = name.split(' ');
        ids[name] = insertDocument({parts.value(0), parts.value(1), parts.value(2), "2024-05-30"});
    }
    auto table = makeTable();
    table->sortByColumn(1, Qt::SortOrder(order));
    QStringList shown;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        shown << table->model()->index(row, 1).data().toString().trimmed();
    QCOMPARE(shown, sorted);

    // A batch print and the check take the selected documents in the table's order.
    table->selectAll();
    QList<int> expectedIds;
    for (const QString &name : sorted)
        expectedIds << ids.value(name);
    QCOMPARE(table->actedOnIds(), expectedIds);
}

void TestDocumentsTable::resetShowsEveryRow()
{
    for (const char *name : {"Иванов", "Петров", "Сидоров"})
        insertDocument({QString::fromUtf8(name), "", "", "2024-05-30"});
    auto table = makeTable();
    table->onFiltersChanged(filters("иванов", QDate(2024, 1, 1), QDate(2024, 1, 2)));
    QVERIFY(visibleNames(table.get()).isEmpty());
    table->onFiltersChanged(filters(""));
    QCOMPARE(visibleNames(table.get()).size(), 3);
}

void TestDocumentsTable::contextMenu_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<bool>("onRow");
    QTest::addColumn<bool>("copyEdit");
    QTest::addColumn<bool>("printCheckRemove");

    QTest::newRow("one row selected, click on a row") << QList<int>{0} << true << true << true;
    QTest::newRow("two rows selected print as a batch, no copy or edit")
            << QList<int>{0, 1} << true << false << true;
    QTest::newRow("nothing selected") << QList<int>{} << true << false << false;
    QTest::newRow("empty area disables all even with a selection")
            << QList<int>{0} << false << false << false;
}

void TestDocumentsTable::contextMenu()
{
    QFETCH(QList<int>, selected);
    QFETCH(bool, onRow);
    QFETCH(bool, copyEdit);
    QFETCH(bool, printCheckRemove);

    for (const char *name : {"Иванов", "Петров", "Сидоров"})
        insertDocument({QString::fromUtf8(name), "", "", "2024-05-30"});
    auto table = makeTable();
    selectRows(table.get(), selected);
    const QPoint pos = onRow ? table->visualRect(table->model()->index(0, 1)).center()
                             : QPoint(10, table->viewport()->height() - 5);
    table->prepareContextMenu(pos);
    QCOMPARE(table->actionCopy()->isEnabled(), copyEdit);
    QCOMPARE(table->actionEdit()->isEnabled(), copyEdit);
    QCOMPARE(table->actionHistory()->isEnabled(), copyEdit);
    QCOMPARE(table->actionPrint()->isEnabled(), printCheckRemove);
    QCOMPARE(table->actionCheck()->isEnabled(), printCheckRemove);
    QCOMPARE(table->actionDelete()->isEnabled(), printCheckRemove);
    QCOMPARE(table->actionNumber()->isEnabled(), printCheckRemove);
    QVERIFY(table->actionAdd()->isEnabled());
    QVERIFY(table->actionSelectAll()->isEnabled());

    QStringList texts;
    for (QAction *action : table->contextMenu()->actions())
        texts << (action->isSeparator() ? "-" : action->text());
    QCOMPARE(texts,
             (QStringList{"Добавить новый",
                          "Создать копию записи",
                          "-",
                          "Редактировать",
                          "Удалить",
                          "Печатать",
                          "Проверить документы",
                          "Присвоить номера...",
                          "История изменений",
                          "-",
                          "Выделить всё"}));
}

void TestDocumentsTable::selectAllSkipsFilteredRows()
{
    for (const char *name : {"Иванов", "Петров", "Сидоров", "Иваненко"})
        insertDocument({QString::fromUtf8(name), "", "", "2024-05-30"});
    auto table = makeTable();
    table->onFiltersChanged(filters("иван"));
    table->actionSelectAll()->trigger();
    QCOMPARE(table->selectedCount(), 2);
    QCOMPARE(table->selectionModel()->selectedRows().size(), 2);
}

void TestDocumentsTable::copy_data()
{
    QTest::addColumn<QVariant>("surname");
    QTest::addColumn<int>("details");
    QTest::addColumn<QString>("copiedSurname");

    QTest::newRow("surname with appendix rows") << QVariant("Иванов") << 3 << "КОПИЯ Иванов";
    QTest::newRow("NULL surname gives the bare prefix")
            << QVariant(QVariant::String) << 2 << "КОПИЯ ";
    QTest::newRow("no appendix rows") << QVariant("Петров") << 0 << "КОПИЯ Петров";
}

void TestDocumentsTable::copy()
{
    QFETCH(QVariant, surname);
    QFETCH(int, details);
    QFETCH(QString, copiedSurname);

    const int other = insertDocument({"Сидоров", "", "", "2024-05-30"});
    insertDetails(other, 4);
    const int id = insertDocument({surname, "Пётр", "Ильич", "2024-05-30", "4А"});
    insertDetails(id, details);
    auto table = makeTable();
    QSignalSpy clicked(table.get(), &DocumentsTableAbstract::documentClicked);
    const int row
            = table->model()->match(table->model()->index(0, 0), Qt::DisplayRole, id).first().row();
    selectRows(table.get(), {row});
    table->onCopyRecordAction();

    QCOMPARE(clicked.count(), 1);
    const int newId = clicked.first().first().toInt();
    QVERIFY(newId > id);
    QCOMPARE(scalar(QString("SELECT fio1 FROM PsDocuments WHERE psId = %1").arg(newId)),
             copiedSurname);
    QCOMPARE(scalar(QString("SELECT fio2 || fio3 || issueDate || number || regNumber || "
                            "birthDate || decision || isTemplate || schoolClass FROM PsDocuments "
                            "WHERE psId = %1")
                            .arg(newId)),
             QString("ПётрИльич2024-05-30N-1R-12010-05-01решение04А"));
    QCOMPARE(count(QString("SELECT COUNT(*) FROM PsDocumentDetails WHERE psId = %1").arg(newId)),
             details);
    QCOMPARE(scalar(QString("SELECT group_concat(disciplineName || disciplineRate, ';') FROM "
                            "PsDocumentDetails WHERE psId = %1")
                            .arg(newId)),
             scalar(QString("SELECT group_concat(disciplineName || disciplineRate, ';') FROM "
                            "PsDocumentDetails WHERE psId = %1")
                            .arg(id)));
    QCOMPARE(count("SELECT COUNT(*) FROM PsDocumentDetails"), 4 + 2 * details);
    QCOMPARE(table->model()->rowCount(), 3);
}

void TestDocumentsTable::copyOfVanishedDocumentWritesNothing()
{
    const int kept = insertDocument({"Сидоров", "", "", "2024-05-30"});
    insertDetails(kept, 2);
    const int gone = insertDocument({"Иванов", "", "", "2024-05-30"});
    auto table = makeTable();
    const int row = table->model()
                            ->match(table->model()->index(0, 0), Qt::DisplayRole, gone)
                            .first()
                            .row();
    selectRows(table.get(), {row});
    // Deleted behind the table's back, for example by a restore elsewhere.
    QSqlQuery(QString("DELETE FROM PsDocuments WHERE psId = %1").arg(gone));
    insertDetails(gone, 3);
    QSignalSpy clicked(table.get(), &DocumentsTableAbstract::documentClicked);
    ModalAnswerer answerer;
    answerer.expectButton("Ошибка", "Не удалось создать копию", QDialogButtonBox::Ok);
    table->onCopyRecordAction();
    QCOMPARE(answerer.pending(), 0);

    QCOMPARE(clicked.count(), 0);
    QCOMPARE(count("SELECT COUNT(*) FROM PsDocuments"), 1);
    QCOMPARE(count(QString("SELECT COUNT(*) FROM PsDocumentDetails WHERE psId = %1").arg(kept)), 2);
    QCOMPARE(count("SELECT COUNT(*) FROM PsDocumentDetails"), 5);
}

void TestDocumentsTable::remove_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer");
    QTest::addColumn<QStringList>("remaining");

    const QString singular = "Вы уверены, что хотите удалить выделеннный документ?";
    const QString plural = "Вы уверены, что хотите удалить выделеннные документы?";
    QTest::newRow("one row asks the singular question")
            << QList<int>{0} << singular << QDialogButtonBox::Ok << QStringList{"Иванов", "Петров"};
    QTest::newRow("two rows ask the plural question")
            << QList<int>{0, 2} << plural << QDialogButtonBox::Ok << QStringList{"Петров"};
    QTest::newRow("cancel keeps everything")
            << QList<int>{0, 1, 2} << plural << QDialogButtonBox::Cancel
            << QStringList{"Иванов", "Петров", "Сидоров"};
}

void TestDocumentsTable::remove()
{
    QFETCH(QList<int>, rows);
    QFETCH(QString, question);
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(QStringList, remaining);

    for (const char *name : {"Сидоров", "Петров", "Иванов"})
        insertDetails(insertDocument({QString::fromUtf8(name), "", "", "2024-05-30"}), 2);
    auto table = makeTable();
    table->sortByColumn(1, Qt::DescendingOrder);
    selectRows(table.get(), rows);
    QSignalSpy unselect(table.get(), &DocumentsTableAbstract::unselect);

    ModalAnswerer answerer;
    answerer.expectButton("Внимание!", question, answer);
    table->onDeleteAction();
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));

    QCOMPARE(visibleNames(table.get()), remaining);
    // Deleted documents wait in the bin, their appendix with them.
    QCOMPARE(count("SELECT COUNT(*) FROM PsDocuments WHERE deletedAt IS NULL"), remaining.size());
    QCOMPARE(count("SELECT COUNT(*) FROM PsDocuments"), 3);
    QCOMPARE(count("SELECT COUNT(*) FROM PsDocumentDetails"), 6);
    if (answer == QDialogButtonBox::Ok)
        QVERIFY(unselect.count() >= 1);
}

void TestDocumentsTable::deleteNeverTouchesFilteredRows()
{
    for (const char *name : {"Иванов", "Петров", "Сидоров", "Иваненко"})
        insertDocument({QString::fromUtf8(name), "", "", "2024-05-30"});
    auto table = makeTable();
    table->sortByColumn(1, Qt::AscendingOrder);
    table->onFiltersChanged(filters("иван"));
    // A plain range over every row, as a shift-click across hidden rows makes.
    table->selectionModel()->select(
            QItemSelection(table->model()->index(0, 0),
                           table->model()->index(3, table->model()->columnCount() - 1)),
            QItemSelectionModel::Select);
    ModalAnswerer answerer;
    answerer.expectButton("Внимание!", "выделеннные документы?", QDialogButtonBox::Ok);
    table->onDeleteAction();
    QCOMPARE(answerer.pending(), 0);
    table->onFiltersChanged(filters(""));
    QCOMPARE(visibleNames(table.get()), (QStringList{"Петров", "Сидоров"}));
}

void TestDocumentsTable::failureLeavesRegisterIntact_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("copy");

    QTest::newRow("delete that cannot mark the rows keeps the documents")
            << "BEFORE UPDATE ON PsDocuments" << false;
    QTest::newRow("copy whose appendix cannot be written leaves no half copy")
            << "BEFORE INSERT ON PsDocumentDetails" << true;
}

void TestDocumentsTable::failureLeavesRegisterIntact()
{
    QFETCH(QString, trigger);
    QFETCH(bool, copy);

    const int id = insertDocument({"Иванов", "", "", "2024-05-30"});
    insertDetails(id, 3);
    insertDocument({"Петров", "", "", "2024-05-30"});
    QVERIFY(QSqlQuery().exec("CREATE TRIGGER refuse " + trigger
                             + " BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    auto table = makeTable();
    QSignalSpy clicked(table.get(), &DocumentsTableAbstract::documentClicked);
    selectRows(table.get(), {0, 1});
    if (copy) {
        selectRows(table.get(),
                   {table->model()
                            ->match(table->model()->index(0, 0), Qt::DisplayRole, id)
                            .first()
                            .row()});
        ModalAnswerer answerer;
        answerer.expectButton("Ошибка", "Не удалось создать копию", QDialogButtonBox::Ok);
        table->onCopyRecordAction();
        QCOMPARE(answerer.pending(), 0);
    } else {
        ModalAnswerer answerer;
        answerer.expectButton("Внимание!", "выделеннные документы?", QDialogButtonBox::Ok);
        answerer.expectButton("Ошибка", "Не удалось удалить документы", QDialogButtonBox::Ok);
        table->onDeleteAction();
        QCOMPARE(answerer.pending(), 0);
    }
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(count("SELECT COUNT(*) FROM PsDocuments WHERE deletedAt IS NULL"), 2);
    QCOMPARE(count("SELECT COUNT(*) FROM PsDocumentDetails"), 3);
    QCOMPARE(table->model()->rowCount(), 2);
}

void TestDocumentsTable::editAndAddAskForDocuments()
{
    insertDocument({"Иванов", "", "", "2024-05-30"});
    const int id = insertDocument({"Петров", "", "", "2024-05-30"});
    auto table = makeTable();
    QSignalSpy clicked(table.get(), &DocumentsTableAbstract::documentClicked);
    const int row
            = table->model()->match(table->model()->index(0, 0), Qt::DisplayRole, id).first().row();
    selectRows(table.get(), {row});
    QCOMPARE(table->currentDocId(), id);
    table->onEditAction();
    table->actionAdd()->trigger();
    table->onRowActivated(table->model()->index(row, 3));
    table->onRowActivated(QModelIndex());
    QCOMPARE(clicked.count(), 4);
    QCOMPARE(clicked.at(0).first().toInt(), id);
    QCOMPARE(clicked.at(1).first().toInt(), -1);
    QCOMPARE(clicked.at(2).first().toInt(), id);
    QCOMPARE(clicked.at(3).first().toInt(), 0);
}

void TestDocumentsTable::printRequest_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<bool>("batch");

    QTest::newRow("one row: one document, type first") << QList<int>{1} << false;
    QTest::newRow("rows selected out of order print in the table's order")
            << QList<int>{2, 0} << true;
}

void TestDocumentsTable::printRequest()
{
    QFETCH(QList<int>, rows);
    QFETCH(bool, batch);

    QList<int> ids;
    for (const char *name : {"Иванов", "Петров", "Сидоров"})
        ids << insertDocument({QString::fromUtf8(name), "", "", "2024-05-30"});
    auto table = makeTable();
    selectRows(table.get(), rows);
    qRegisterMetaType<QList<int>>();
    QSignalSpy one(table.get(), &DocumentsTableAbstract::documentPrint);
    QSignalSpy many(table.get(), &DocumentsTableAbstract::documentsPrint);
    table->actionPrint()->trigger();
    auto *dialog = table->findChild<PrintDialog *>();
    QVERIFY(dialog);
    dialog->findChild<QListWidget *>("listWidget")->setCurrentRow(2);
    dialog->findChild<QCheckBox *>("checkBoxBackground")->setChecked(true);
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonPrint"), Qt::LeftButton);

    QList<int> expected;
    for (int row = 0; row < 3; ++row) {
        if (rows.contains(row))
            expected << table->model()->index(row, 0).data().toInt();
    }
    if (batch) {
        QCOMPARE(one.count(), 0);
        QCOMPARE(many.count(), 1);
        QCOMPARE(many.first().at(0).toInt(), 303);
        QCOMPARE(many.first().at(1).value<QList<int>>(), expected);
        QCOMPARE(many.first().at(2).toBool(), true);
    } else {
        QCOMPARE(many.count(), 0);
        QCOMPARE(one.count(), 1);
        QCOMPARE(one.first(), (QList<QVariant>{303, expected.first(), true}));
    }
}

void TestDocumentsTable::reloadAfterModelIsDropped()
{
    insertDocument({"Иванов", "", "", "2024-05-30"});
    auto table = makeTable();
    table->onFiltersChanged(filters("петров"));
    const QString copy = m_data->path() + "/copy.db";
    QVERIFY(Database::backup(copy));
    insertDocument({"Петров", "", "", "2024-05-30"});
    QVERIFY(Database::restore(copy));
    QVERIFY(!table->sqlModel());
    table->onFiltersChanged(filters(""));
    table->onCopyRecordAction();

    insertDocument({"Петров", "", "", "2024-05-30"});
    table->updateData();
    QVERIFY(table->sqlModel());
    QCOMPARE(visibleNames(table.get()), (QStringList{"Иванов", "Петров"}));
    QSignalSpy count(table.get(), &DocumentsTableAbstract::selectedCountChanged);
    selectRows(table.get(), {0, 1});
    QVERIFY(count.count() > 0);
}

void TestDocumentsTable::registerReadInPartIsTold()
{
    QSqlDatabase db = QSqlDatabase::database();
    db.transaction();
    for (int i = 0; i < 1500; ++i)
        insertDocument(
                {QString("Ученик %1 ").arg(i) + QString(200, QChar(0x0436)), "", "", "2024-05-30"});
    db.commit();
    auto table = makeTable();
    QSignalSpy failed(table.get(), &DocumentsTableAbstract::readFailed);
    QTRY_COMPARE(table->model()->rowCount(), 1500);

    // A page in the middle of the documents is overwritten on disk.
    db.close();
    QFile file(Database::databasePath());
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 page = file.size() / 4096 / 2;
    QVERIFY(file.seek(page * 4096 + 12));
    QVERIFY(file.write(QByteArray(4096 - 12, char(0x5a))) == 4096 - 12);
    file.close();
    QVERIFY(db.open());

    table->updateData();
    // Read on in the background, the break shows once it is reached.
    QTRY_COMPARE(failed.count(), 1);
    QVERIFY(table->isComplete());
    QVERIFY(table->model()->rowCount() < 1500);
    QVERIFY2(failed.first().first().toString().contains("показаны не все документы"),
             qPrintable(failed.first().first().toString()));
}

void TestDocumentsTable::olderRegisterGetsNewColumns_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("an older register at start") << "restarted";
    QTest::newRow("an older backup restored") << "restored";
}

void TestDocumentsTable::olderRegisterGetsNewColumns()
{
    QFETCH(QString, how);
    const auto columns = [] {
        QStringList names;
        QSqlQuery query("PRAGMA table_info(PsDocuments)");
        while (query.next())
            names << query.value(1).toString() + " " + query.value(2).toString();
        return names;
    };
    const QStringList fresh = columns();
    const int id = insertDocument({"Иванов", "Пётр", "", "2024-05-30"});
    insertDetails(id, 2);
    // The register as the versions before classes, the bin and the save count made it.
    for (const char *sql :
         {"DROP VIEW viewPsDocuments",
          "ALTER TABLE PsDocuments DROP COLUMN schoolClass",
          "ALTER TABLE PsDocuments DROP COLUMN gender",
          "ALTER TABLE PsDocuments DROP COLUMN deletedAt",
          "ALTER TABLE PsDocuments DROP COLUMN deletedBy",
          "ALTER TABLE PsDocuments DROP COLUMN version",
          "CREATE VIEW viewPsDocuments AS SELECT psId, COALESCE(fio1, '') || ' ' || "
          "COALESCE(fio2, '') || ' ' || COALESCE(fio3, '') AS fio, issueDate, number, regNumber, "
          "editDate FROM PsDocuments WHERE COALESCE(isTemplate, 0) != 1"}) {
        QSqlQuery query;
        QVERIFY2(query.exec(QString::fromUtf8(sql)), sql);
    }
    QCOMPARE(columns().size(), fresh.size() - 5);
    const QString older = m_data->path() + "/older.db";
    QVERIFY(Database::backup(older));
    if (how == "restarted") {
        Database::destroy();
        QVERIFY(Database::create());
    } else {
        QVERIFY(Database::restore(older));
    }

    QCOMPARE(columns(), fresh);
    DocumentRecord record;
    QVERIFY(DocumentStore::read(id, &record));
    QCOMPARE(record.fio1, QString("Иванов"));
    QCOMPARE(record.disciplines.size(), 2);
    QCOMPARE(record.schoolClass, QString());
    QCOMPARE(record.gender, PupilGender::Unknown);
    QVERIFY(QSqlQuery().exec(
            QString("UPDATE PsDocuments SET schoolClass = '4А' WHERE psId = %1").arg(id)));
    insertDocument({"Петров", "Иван", "", "2024-05-30", "4Б"});
    auto table = makeTable();
    QCOMPARE(table->schoolClasses(), (QStringList{"4А", "4Б"}));
    table->onFiltersChanged(filters("", QDate(), QDate(), "4А"));
    QCOMPARE(visibleNames(table.get()), QStringList{"Иванов Пётр"});
}

ZR_TEST_MAIN(TestDocumentsTable)
#include "tst_documentstable.moc"
