#include "documents/datelineedit.h"
#include "testhome.h"

#include <QAction>
#include <QCalendarWidget>

class TestDateLineEdit : public QObject
{
    Q_OBJECT

private slots:
    void typing_data();
    void typing();
    void setAndClear();
    void calendarPicksADate();
};

void TestDateLineEdit::typing_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("whileTyping");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("invalid");

    QTest::newRow("digits only get their dots") << "14032013"
                                                << "14.03.2013"
                                                << "14.03.2013" << QDate(2013, 3, 14) << false;
    QTest::newRow("dots typed as well") << "14.03.2013"
                                        << "14.03.2013"
                                        << "14.03.2013" << QDate(2013, 3, 14) << false;
    QTest::newRow("single-digit day and month") << "1.3.2013"
                                                << "1.3.2013"
                                                << "01.03.2013" << QDate(2013, 3, 1) << false;
    QTest::newRow("two-digit year of this century") << "140313"
                                                    << "14.03.13"
                                                    << "14.03.2013" << QDate(2013, 3, 14) << false;
    QTest::newRow("two-digit year still to come is last century")
            << "01.01.98"
            << "01.01.98"
            << "01.01.1998" << QDate(1998, 1, 1) << false;
    // An issue date is typed months ahead for the end of the school year.
    const QString next = QString::number((QDate::currentDate().year() + 1) % 100);
    QTest::newRow("two-digit year of next year is next year, as in the import")
            << "2505" + next.rightJustified(2, '0') << "25.05." + next.rightJustified(2, '0')
            << "25.05." + QString::number(QDate::currentDate().year() + 1)
            << QDate(QDate::currentDate().year() + 1, 5, 25) << false;
    QTest::newRow("a day that does not exist stays as typed") << "31022013"
                                                              << "31.02.2013"
                                                              << "31.02.2013" << QDate() << true;
    QTest::newRow("half a date is no date") << "1403"
                                            << "14.03"
                                            << "14.03" << QDate() << true;
    QTest::newRow("letters are not taken") << "abc"
                                           << ""
                                           << "" << QDate() << false;
    QTest::newRow("nothing typed is no date") << ""
                                              << ""
                                              << "" << QDate() << false;
}

void TestDateLineEdit::typing()
{
    QFETCH(QString, keys);
    QFETCH(QString, whileTyping);
    QFETCH(QString, shown);
    QFETCH(QDate, date);
    QFETCH(bool, invalid);

    DateLineEdit edit;
    edit.show();
    edit.setFocus();
    QTest::keyClicks(&edit, keys);
    QCOMPARE(edit.text(), whileTyping);
    emit edit.editingFinished();
    QCOMPARE(edit.text(), shown);
    QCOMPARE(edit.date(), date);
    QCOMPARE(edit.hasInvalidDate(), invalid);
}

void TestDateLineEdit::setAndClear()
{
    DateLineEdit edit;
    QVERIFY(edit.text().isEmpty());
    QVERIFY(!edit.date().isValid());
    edit.setDate(QDate(2013, 11, 5));
    QCOMPARE(edit.text(), QString("05.11.2013"));
    edit.setDate(QDate());
    QVERIFY(edit.text().isEmpty());
    QVERIFY(!edit.hasInvalidDate());
}

void TestDateLineEdit::calendarPicksADate()
{
    DateLineEdit edit;
    edit.setCalendarStart(QDate(2014, 6, 1));
    edit.show();
    edit.actions().first()->trigger();
    auto calendar = edit.findChild<QCalendarWidget *>();
    QVERIFY(calendar && calendar->isVisible());
    // An empty field opens the calendar where pupils' birthdays are, not today.
    QCOMPARE(calendar->selectedDate(), QDate(2014, 6, 1));
    emit calendar->clicked(QDate(2014, 6, 17));
    QCOMPARE(edit.date(), QDate(2014, 6, 17));
    QTRY_VERIFY(!edit.findChild<QCalendarWidget *>());
}

ZR_TEST_MAIN(TestDateLineEdit)
#include "tst_datelineedit.moc"
