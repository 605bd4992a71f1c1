#include "documents/pupilgender.h"
#include "testhome.h"

// Boy or girl from the patronymic as a secretary would tell it, and where nobody can.
class TestPupilGender : public QObject
{
    Q_OBJECT

private slots:
    void fromPatronymic_data();
    void fromPatronymic();
};

Q_DECLARE_METATYPE(PupilGender::Value)

void TestPupilGender::fromPatronymic_data()
{
    QTest::addColumn<QString>("patronymic");
    QTest::addColumn<PupilGender::Value>("answer"); // kept with the document
    QTest::addColumn<PupilGender::Value>("gender");

    const auto boy = PupilGender::Boy;
    const auto girl = PupilGender::Girl;
    const auto unknown = PupilGender::Unknown;
    QTest::newRow("-ович") << "Петрович" << unknown << boy;
    QTest::newRow("-евич") << "Сергеевич" << unknown << boy;
    QTest::newRow("-ич") << "Ильич" << unknown << boy;
    QTest::newRow("-овна") << "Петровна" << unknown << girl;
    QTest::newRow("-евна") << "Сергеевна" << unknown << girl;
    QTest::newRow("-ична") << "Никитична" << unknown << girl;
    QTest::newRow("-инична") << "Ильинична" << unknown << girl;
    QTest::newRow("capitals") << "ПЕТРОВНА" << unknown << girl;
    QTest::newRow("blanks around") << "  Петрович " << unknown << boy;
    QTest::newRow("оглы as a word") << "Гусейн оглы" << unknown << boy;
    QTest::newRow("оглы hyphenated, capitals") << "Гусейн-ОГЛЫ" << unknown << boy;
    QTest::newRow("улы") << "Нурлан улы" << unknown << boy;
    QTest::newRow("кызы") << "Ахмед кызы" << unknown << girl;
    QTest::newRow("гызы hyphenated") << "Ахмед-гызы" << unknown << girl;
    QTest::newRow("кызы wins over a name ending in -ич") << "Бахрам-Ильич кызы" << unknown << girl;
    QTest::newRow("the patronymic wins over a wrong answer") << "Петровна" << boy << girl;
    QTest::newRow("no patronymic: unknown") << "" << unknown << unknown;
    QTest::newRow("no patronymic: the answer kept") << "" << girl << girl;
    QTest::newRow("a foreign patronymic: unknown") << "Джон" << unknown << unknown;
    QTest::newRow("a foreign patronymic: the answer kept") << "Smith" << boy << boy;
    QTest::newRow("the ending alone tells nothing") << "ич" << unknown << unknown;
    QTest::newRow("оглы inside a word tells nothing") << "Оглымов" << unknown << unknown;
}

void TestPupilGender::fromPatronymic()
{
    QFETCH(QString, patronymic);
    QFETCH(PupilGender::Value, answer);
    QFETCH(PupilGender::Value, gender);
    QCOMPARE(PupilGender::of(patronymic, answer), gender);
    // What the register keeps comes back as it was.
    QCOMPARE(PupilGender::fromStored(PupilGender::toStored(answer)), answer);
}

ZR_TEST_MAIN(TestPupilGender)
#include "tst_pupilgender.moc"
