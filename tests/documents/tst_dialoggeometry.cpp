#include "documents/additionaleditdialog.h"
#include "documents/documenteditdialog.h"
#include "documents/selecttemplatedialog.h"
#include "editfixture.h"
#include "settings/widgetgeometry.h"
#include "testhome.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class TestDialogGeometry : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fixture.start(); }
    void cleanup() { m_fixture.stop(); }

    void reopensWhereLeft_data();
    void reopensWhereLeft();
    void nullWidgetIsIgnored();

private:
    EditFixture m_fixture;
};

using Factory = std::function<QDialog *()>;
Q_DECLARE_METATYPE(Factory)

void TestDialogGeometry::reopensWhereLeft_data()
{
    QTest::addColumn<Factory>("create");
    QTest::addColumn<QString>("key");

    QTest::newRow("document edit dialog")
            << Factory([] { return new DocumentEditDialog; }) << "ZrPs/DocumentEditDialogGeometry";
    QTest::newRow("appendix editor") << Factory([] { return new AdditionalEditDialog; })
                                     << "ZrPs/AdditionalEditDialogGeometry";
    QTest::newRow("template chooser") << Factory([] { return new SelectTemplateDialog; })
                                      << "ZrPs/SelectTemplateDialogGeometry";
}

void TestDialogGeometry::reopensWhereLeft()
{
    QFETCH(Factory, create);
    QFETCH(QString, key);

    QPointer<QDialog> first = create();
    const QSize initial = first->size();
    first->show();
    first->setGeometry(QRect(QPoint(37, 41), initial + QSize(20, 10)));
    const QRect placed = first->geometry();
    // Closing goes through the event loop, as it does for the user.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
    QVERIFY(Database::userSettings()->contains(key));

    std::unique_ptr<QDialog> second(create());
    QCOMPARE(second->geometry(), placed);
}

void TestDialogGeometry::nullWidgetIsIgnored()
{
    saveWidgetGeometry(nullptr);
    restoreWidgetGeometry(nullptr);
    QVERIFY(!Database::userSettings()->childGroups().contains("ZrPs")
            || Database::userSettings()->allKeys().filter("Geometry").isEmpty());
}

ZR_TEST_MAIN(TestDialogGeometry)
#include "tst_dialoggeometry.moc"
