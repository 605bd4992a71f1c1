#include "documents/additionaleditdialog.h"
#include "documents/documenteditdialog.h"
#include "documents/selecttemplatedialog.h"
#include "editfixture.h"
#include "settings/widgetgeometry.h"
#include "testhome.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
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
    void screenshots();

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

// With ZR_SCREENSHOT_DIR set, saves a picture of each dialog in its usual states
// (in the program's own font) for a person to look at.
void TestDialogGeometry::screenshots()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("ZR_SCREENSHOT_DIR not set");
    QDir().mkpath(folder);
    const QFont oldFont = QApplication::font();
    QFont font;
    font.fromString(QStringLiteral("MS Shell Dlg 2,8.25,-1,5,50,0,0,0,0,0"));
    QApplication::setFont(font);
    const auto shoot = [&folder](QWidget *w, const QString &name) {
        w->show();
        QApplication::processEvents();
        QVERIFY(w->grab().save(folder + "/" + name + ".png"));
    };

    EditFixture::Row tpl;
    tpl.isTemplate = 1;
    tpl.fio1 = "Основной 2024";
    tpl.number = "0012345";
    tpl.regNumber = "17";
    tpl.birthDate = "2013-04-05";
    tpl.issueDate = "2024-05-25";
    tpl.decision = "Освоил образовательную программу начального общего образования";
    tpl.sections = QStringList{"Шахматы, хор", "", "Призёр муниципальной олимпиады", "", ""};
    const int templateId = EditFixture::insertRow(tpl);
    const QStringList disciplines{"Русский язык:5",
                                  "Литературное чтение:4",
                                  "Иностранный язык (английский):Освоено",
                                  "Математика:3",
                                  "Окружающий мир:Отлично"};
    for (const QString &d : disciplines)
        EditFixture::insertDetail(templateId, d.section(':', 0, 0), d.section(':', 1));

    auto *chooser = new SelectTemplateDialog;
    chooser->findChild<QListWidget *>("listWidget")->setCurrentRow(0);
    shoot(chooser, "selecttemplatedialog");
    delete chooser;

    auto *edit = new DocumentEditDialog;
    edit->createFromTemplate(templateId);
    QApplication::clipboard()->setText("Иванова  Мария   Петровна ");
    edit->findChild<QLineEdit *>("lineEditFio_1")->paste();
    edit->onFocusChanged(nullptr, edit->findChild<QLineEdit *>("lineEditNumber"));
    shoot(edit, "documenteditdialog-new");
    edit->on_pushButtonSave_clicked();
    shoot(edit, "documenteditdialog-saved");
    auto *appendix = new AdditionalEditDialog(edit);
    appendix->loadAppendix(edit->documentId());
    shoot(appendix, "additionaleditdialog-view");
    appendix->on_pushButtonEditForm_clicked();
    shoot(appendix, "additionaleditdialog-edit");
    delete edit;

    edit = new DocumentEditDialog;
    edit->loadDocument(templateId);
    edit->setTemplateMode(true);
    shoot(edit, "documenteditdialog-template");
    delete edit;
    QApplication::setFont(oldFont);
}

ZR_TEST_MAIN(TestDialogGeometry)
#include "tst_dialoggeometry.moc"
