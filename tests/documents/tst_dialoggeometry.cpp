#include "app/mainwindow.h"
#include "documents/additionaleditdialog.h"
#include "documents/documenteditdialog.h"
#include "documents/selecttemplatedialog.h"
#include "editfixture.h"
#include "guide/userguidewindow.h"
#include "printing/printdialog.h"
#include "settings/preferencesdialog.h"
#include "settings/widgetgeometry.h"
#include "testhome.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScreen>
#include <functional>

class TestDialogGeometry : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fixture.start(); }
    void cleanup() { m_fixture.stop(); }

    void fitsTheScreen_data();
    void fitsTheScreen();
    void reopensWhereLeft_data();
    void reopensWhereLeft();
    void nullWidgetIsIgnored();
    void screenshots();

private:
    EditFixture m_fixture;
};

using Factory = std::function<QWidget *()>;
Q_DECLARE_METATYPE(Factory)

namespace {

// What QWidget::saveGeometry gives for a window at this place, as another screen left it.
QByteArray savedGeometry(const QRect &rect)
{
    QWidget window;
    window.setGeometry(rect);
    window.show();
    window.setGeometry(rect);
    return window.saveGeometry();
}

QString describe(const QRect &r)
{
    return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

void TestDialogGeometry::fitsTheScreen_data()
{
    QTest::addColumn<Factory>("create");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QRect>("saved");

    const QList<QPair<const char *, Factory>> windows{
            {"main window", [] { return new MainWindow; }},
            {"edit dialog", [] { return new DocumentEditDialog; }},
            {"appendix editor", [] { return new AdditionalEditDialog; }},
            {"print dialog", [] { return new PrintDialog; }},
            {"preferences", [] { return new PreferencesDialog; }},
            {"user guide", [] { return new UserGuideWindow; }}};
    const QHash<QString, QString> keys{{"main window", "ZrPs/geometry"},
                                       {"edit dialog", "ZrPs/DocumentEditDialogGeometry"},
                                       {"appendix editor", "ZrPs/AdditionalEditDialogGeometry"},
                                       {"print dialog", "PrintDialog/geometry"},
                                       {"user guide", "ZrPs/UserGuideWindowGeometry"}};
    // The test screen is 800 x 600: smaller than the main window's 1000 x 700 and the
    // appendix editor's 870 x 505, and than both saved sizes below.
    for (const auto &window : windows) {
        const QString name = window.first;
        QTest::newRow(qPrintable(name + ", first start")) << window.second << "" << QRect();
        if (!keys.contains(name))
            continue;
        QTest::newRow(qPrintable(name + ", saved on a larger monitor to the right"))
                << window.second << keys.value(name) << QRect(1700, 300, 1500, 1000);
        QTest::newRow(qPrintable(name + ", saved above and left of the screen"))
                << window.second << keys.value(name) << QRect(-900, -500, 1100, 650);
    }
}

void TestDialogGeometry::fitsTheScreen()
{
    QFETCH(Factory, create);
    QFETCH(QString, key);
    QFETCH(QRect, saved);

    if (!key.isEmpty())
        Database::userSettings()->setValue(key, savedGeometry(saved));
    std::unique_ptr<QWidget> window(create());
    window->show();
    // The main window restores its geometry 100 ms after it is built.
    QTest::qWait(qobject_cast<MainWindow *>(window.get()) ? 200 : 0);
    const QRect available = window->screen()->availableGeometry();
    QVERIFY2(available.contains(window->frameGeometry()),
             qPrintable(describe(window->frameGeometry()) + " on " + describe(available)));
    // Shrunk no more than the screen asks for.
    QVERIFY(window->width() > qMin(360, available.width() / 2));
    QVERIFY(window->height() > qMin(260, available.height() / 2));
}

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
    QTest::newRow("user guide") << Factory([] { return new UserGuideWindow; })
                                << "ZrPs/UserGuideWindowGeometry";
}

void TestDialogGeometry::reopensWhereLeft()
{
    QFETCH(Factory, create);
    QFETCH(QString, key);

    QPointer<QWidget> first = create();
    first->show();
    // Within the screen, so that nothing needs fitting.
    QRect rect(QPoint(), QSize(560, 400).expandedTo(first->minimumSize()));
    rect.moveCenter(first->screen()->availableGeometry().center());
    first->setGeometry(rect);
    const QRect placed = first->geometry();
    QVERIFY(first->screen()->availableGeometry().contains(first->frameGeometry()));
    // Closing goes through the event loop, as it does for the user.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
    QVERIFY(Database::userSettings()->contains(key));

    std::unique_ptr<QWidget> second(create());
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
