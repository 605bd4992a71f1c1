#include "documents/filterdockwidget.h"
#include "testhome.h"
#include "typetext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

namespace {

// The dock's form, reached by object names as a user's tools would.
struct Form
{
    explicit Form(QWidget *dock)
        : label(dock->findChild<QLabel *>("label"))
        , label_2(dock->findChild<QLabel *>("label_2"))
        , label_3(dock->findChild<QLabel *>("label_3"))
        , lineEditFio1(dock->findChild<QLineEdit *>("lineEditFio1"))
        , checkBox(dock->findChild<QCheckBox *>("checkBox"))
        , dateEditFrom(dock->findChild<QDateEdit *>("dateEditFrom"))
        , dateEditTo(dock->findChild<QDateEdit *>("dateEditTo"))
        , pushButtonClear(dock->findChild<QPushButton *>("pushButtonClear"))
    {
        Q_ASSERT(label && label_2 && label_3 && lineEditFio1 && checkBox && dateEditFrom
                 && dateEditTo && pushButtonClear);
    }
    Form *operator->() { return this; }

    QLabel *label;
    QLabel *label_2;
    QLabel *label_3;
    QLineEdit *lineEditFio1;
    QCheckBox *checkBox;
    QDateEdit *dateEditFrom;
    QDateEdit *dateEditTo;
    QPushButton *pushButtonClear;
};

} // namespace

class TestFilterDock : public QObject
{
    Q_OBJECT

private slots:
    void startsWithTodayAndNoDateFilter();
    void form();
    void currentFilters_data();
    void currentFilters();
    void datesBoundEachOther_data();
    void datesBoundEachOther();
    void editsSendFilters();
    void clearKeepsDates();
    void preferredWidth();
    void classList_data();
    void classList();
};

void TestFilterDock::startsWithTodayAndNoDateFilter()
{
    FilterDockWidget dock;
    Form ui(&dock);
    QCOMPARE(ui->dateEditFrom->date(), QDate::currentDate());
    QCOMPARE(ui->dateEditTo->date(), QDate::currentDate());
    QVERIFY(!ui->checkBox->isChecked());
    QVERIFY(!ui->dateEditFrom->isEnabled());
    QVERIFY(!ui->dateEditTo->isEnabled());
    QCOMPARE(dock.currentFilters(), (FilterList{{"fio", QString()}}));
}

void TestFilterDock::form()
{
    FilterDockWidget dock;
    Form ui(&dock);
    QCOMPARE(dock.objectName(), QString("FilterDockWidget"));
    QCOMPARE(dock.windowTitle(), QString("Фильтры"));
    QCOMPARE(dock.features(), QDockWidget::DockWidgetClosable);
    QCOMPARE(dock.allowedAreas(), Qt::AllDockWidgetAreas);
    QCOMPARE(dock.minimumSize(), QSize(342, 583));
    QCOMPARE(ui->label->text(), QString("ФИО"));
    QCOMPARE(ui->checkBox->text(), QString("По дате выдачи:"));
    QCOMPARE(ui->label_2->text(), QString("C"));
    QCOMPARE(ui->label_3->text(), QString("По"));
    QCOMPARE(ui->pushButtonClear->text(), QString("Сбросить фильтры"));
    for (QDateEdit *edit : {ui->dateEditFrom, ui->dateEditTo}) {
        QVERIFY(edit->calendarPopup());
        QCOMPARE(edit->minimumHeight(), 30);
    }
    QCOMPARE(ui->dateEditFrom->minimumDate(), QDate(2017, 1, 1));
    QCOMPARE(ui->dateEditTo->maximumDate(), QDate(2999, 12, 31));
}

void TestFilterDock::currentFilters_data()
{
    QTest::addColumn<bool>("byDate");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<FilterList>("expected");

    const QDate from(2024, 5, 1);
    const QDate to(2024, 6, 30);
    QTest::newRow("name only, trimmed")
            << false << "  Иванов \t" << FilterList{{"fio", QString("Иванов")}};
    QTest::newRow("dates come first, then the name")
            << true << "ив"
            << FilterList{{"dateFrom", from}, {"dateTo", to}, {"fio", QString("ив")}};
    QTest::newRow("blank name is sent empty")
            << true << "   "
            << FilterList{{"dateFrom", from}, {"dateTo", to}, {"fio", QString("")}};
}

void TestFilterDock::currentFilters()
{
    QFETCH(bool, byDate);
    QFETCH(QString, typed);
    QFETCH(FilterList, expected);

    FilterDockWidget dock;
    Form ui(&dock);
    ui->dateEditFrom->setDate(QDate(2024, 5, 1));
    ui->dateEditTo->setDate(QDate(2024, 6, 30));
    ui->checkBox->setChecked(byDate);
    ui->lineEditFio1->setText(typed);
    QCOMPARE(dock.currentFilters(), expected);
}

void TestFilterDock::datesBoundEachOther_data()
{
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QDate>("tryFrom");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("tryTo");
    QTest::addColumn<QDate>("finalTo");

    QTest::newRow("from cannot pass to, to cannot go before from")
            << QDate(2024, 6, 30) << QDate(2024, 7, 15) << QDate(2024, 6, 30) << QDate(2024, 6, 1)
            << QDate(2024, 6, 30);
    QTest::newRow("dates inside the bounds are taken")
            << QDate(2024, 6, 30) << QDate(2024, 6, 1) << QDate(2024, 6, 1) << QDate(2024, 6, 2)
            << QDate(2024, 6, 2);
}

void TestFilterDock::datesBoundEachOther()
{
    QFETCH(QDate, to);
    QFETCH(QDate, tryFrom);
    QFETCH(QDate, from);
    QFETCH(QDate, tryTo);
    QFETCH(QDate, finalTo);

    FilterDockWidget dock;
    Form ui(&dock);
    ui->dateEditFrom->setDate(QDate(2020, 1, 1));
    ui->dateEditTo->setDate(to);
    ui->dateEditFrom->setDate(tryFrom);
    QCOMPARE(ui->dateEditFrom->date(), from);
    ui->dateEditTo->setDate(tryTo);
    QCOMPARE(ui->dateEditTo->date(), finalTo);
    QVERIFY(ui->dateEditFrom->date() <= ui->dateEditTo->date());
}

void TestFilterDock::editsSendFilters()
{
    FilterDockWidget dock;
    dock.show();
    Form ui(&dock);
    QSignalSpy spy(&dock, &FilterDockWidgetAbstract::filtersChanged);

    typeText(ui->lineEditFio1, "ив");
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.last().first().value<FilterList>(), (FilterList{{"fio", QString("ив")}}));

    ui->checkBox->setChecked(true);
    QCOMPARE(spy.count(), 3);
    QVERIFY(ui->dateEditFrom->isEnabled());
    QCOMPARE(spy.last().first().value<FilterList>().size(), 3);

    ui->dateEditFrom->setDate(QDate(2024, 1, 1));
    QCOMPARE(spy.count(), 4);
    QCOMPARE(spy.last().first().value<FilterList>().first().second.toDate(), QDate(2024, 1, 1));
}

void TestFilterDock::clearKeepsDates()
{
    FilterDockWidget dock;
    Form ui(&dock);
    ui->dateEditFrom->setDate(QDate(2024, 1, 1));
    ui->checkBox->setChecked(true);
    ui->lineEditFio1->setText("Иванов");
    QSignalSpy spy(&dock, &FilterDockWidgetAbstract::filtersChanged);

    QTest::mouseClick(ui->pushButtonClear, Qt::LeftButton);
    QVERIFY(spy.count() >= 1);
    QCOMPARE(spy.last().first().value<FilterList>(), (FilterList{{"fio", QString()}}));
    QVERIFY(!ui->checkBox->isChecked());
    QVERIFY(ui->lineEditFio1->text().isEmpty());
    QCOMPARE(ui->dateEditFrom->date(), QDate(2024, 1, 1));
    QVERIFY(!ui->dateEditFrom->isEnabled());
}

void TestFilterDock::preferredWidth()
{
    FilterDockWidget dock;
    QCOMPARE(dock.sizeHint().width(), 400);
}

void TestFilterDock::classList_data()
{
    QTest::addColumn<QString>("chosen"); // from 4А, 4Б; empty: all classes
    QTest::addColumn<QStringList>("classes");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("sent"); // the class of each filter sent after the choice

    QTest::newRow("a class chosen is sent with the filters")
            << "4Б" << QStringList{"4А", "4Б"} << "4Б" << QStringList{"4Б"};
    QTest::newRow("the class chosen stays while the register holds it")
            << "4Б" << QStringList{"2В", "4А", "4б"} << "4б" << QStringList{"4Б"};
    QTest::newRow("the class chosen is gone: all classes again")
            << "4Б" << QStringList{"4А"} << "Все классы" << QStringList{"4Б", ""};
    QTest::newRow("all classes send none")
            << "" << QStringList{"4А"} << "Все классы" << QStringList{};
}

void TestFilterDock::classList()
{
    QFETCH(QString, chosen);
    QFETCH(QStringList, classes);
    QFETCH(QString, shown);

    FilterDockWidget dock;
    auto *box = dock.findChild<QComboBox *>("comboBoxClass");
    QVERIFY(box);
    dock.setClasses({"4А", "4Б"});
    QSignalSpy spy(&dock, &FilterDockWidgetAbstract::filtersChanged);
    if (!chosen.isEmpty())
        box->setCurrentText(chosen);
    dock.setClasses(classes);
    QCOMPARE(box->currentText(), shown);
    QCOMPARE(dock.classes(), classes);
    QStringList sent;
    for (const QList<QVariant> &arguments : qAsConst(spy)) {
        QString schoolClass;
        for (const auto &filter : arguments.first().value<FilterList>()) {
            if (filter.first == "schoolClass")
                schoolClass = filter.second.toString();
        }
        sent << schoolClass;
    }
    QTEST(sent, "sent");
    // Reset, the dock shows every class.
    dock.clearForms();
    QCOMPARE(box->currentIndex(), 0);
}

ZR_TEST_MAIN(TestFilterDock)
#include "tst_filterdock.moc"
