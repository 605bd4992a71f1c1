#include "database/database.h"
#include "documents/documenteditdialog.h"
#include "documents/documentstable.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/printdialog.h"
#include "printingfixture.h"
#include "testhome.h"

#include <QCheckBox>
#include <QGraphicsPixmapItem>
#include <QGraphicsView>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <memory>

class TestPrintDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void zoomLimits_data();
    void zoomLimits();
    void previewSwitch_data();
    void previewSwitch();
    void previewFollowsTheCurrentForm();
    void settingsPersist();
    void choice_data();
    void choice();
    void printWithoutCurrentItemDoesNothing();
    void editTemplateMode();
    void preselection_data();
    void preselection();
    void screenshot();

private:
    template<typename T> static T *child(PrintDialog *dialog, const char *name)
    {
        return dialog->findChild<T *>(QString::fromLatin1(name));
    }
    static QPixmap previewImage(PrintDialog *dialog)
    {
        auto *view = child<QGraphicsView>(dialog, "graphicsView");
        for (QGraphicsItem *item : view->scene()->items()) {
            if (auto *pixmap = dynamic_cast<QGraphicsPixmapItem *>(item))
                return pixmap->pixmap();
        }
        return QPixmap();
    }
    static void setPreviewEnabled(bool on)
    {
        Database::userSettings()->setValue("PrintDialog/previewEnabled", on);
    }

    PrintingFixture m_fixture;
};

void TestPrintDialog::init()
{
    m_fixture.start();
    DefaultTemplates::install();
}

void TestPrintDialog::cleanup()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    m_fixture.stop();
}

void TestPrintDialog::zoomLimits_data()
{
    QTest::addColumn<QString>("clicks"); // + and - in order
    QTest::addColumn<bool>("plusEnabled");
    QTest::addColumn<bool>("minusEnabled");

    QTest::newRow("fresh dialog: both enabled") << "" << true << true;
    QTest::newRow("three in: still enabled") << "+++" << true << true;
    QTest::newRow("four in reach 2.07: plus disabled") << "++++" << false << true;
    QTest::newRow("four in, one out: plus enabled again") << "++++-" << true << true;
    QTest::newRow("five out: still enabled") << "-----" << true << true;
    QTest::newRow("six out reach 0.33: minus disabled") << "------" << true << false;
    QTest::newRow("six out, one in: minus enabled again") << "------+" << true << true;
}

void TestPrintDialog::zoomLimits()
{
    QFETCH(QString, clicks);
    QFETCH(bool, plusEnabled);
    QFETCH(bool, minusEnabled);

    setPreviewEnabled(true);
    QPointer<PrintDialog> dialog = new PrintDialog;
    dialog->show();
    auto *plus = child<QPushButton>(dialog, "pushButtonScalePlus");
    auto *minus = child<QPushButton>(dialog, "pushButtonScaleMinus");
    auto *view = child<QGraphicsView>(dialog, "graphicsView");
    for (QChar c : clicks) {
        QPushButton *button = c == '+' ? plus : minus;
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QCOMPARE(plus->isEnabled(), plusEnabled);
    QCOMPARE(minus->isEnabled(), minusEnabled);
    const double expected = std::pow(1.2, clicks.count('+') - clicks.count('-'));
    QVERIFY(qAbs(dialog->currentScale() - expected) < 1e-9);
    QVERIFY(qAbs(view->transform().m11() - expected) < 1e-9);
    dialog->close();
}

void TestPrintDialog::previewSwitch_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("visible");

    QTest::newRow("preview off: view and zoom hidden, no image") << false << false;
    QTest::newRow("preview on: image of the first form at once") << true << true;
}

void TestPrintDialog::previewSwitch()
{
    QFETCH(bool, stored);
    QFETCH(bool, visible);

    setPreviewEnabled(stored);
    QPointer<PrintDialog> dialog = new PrintDialog;
    dialog->show();
    QCOMPARE(child<QCheckBox>(dialog, "checkBoxPreview")->isChecked(), stored);
    QCOMPARE(child<QGraphicsView>(dialog, "graphicsView")->isVisible(), visible);
    QCOMPARE(child<QPushButton>(dialog, "pushButtonScalePlus")->isVisible(), visible);
    QCOMPARE(child<QPushButton>(dialog, "pushButtonScaleMinus")->isVisible(), visible);
    QCOMPARE(previewImage(dialog).isNull(), !visible);

    // Changing the form with the preview off computes nothing either.
    child<QListWidget>(dialog, "listWidget")->setCurrentRow(2);
    QCOMPARE(previewImage(dialog).isNull(), !visible);

    child<QCheckBox>(dialog, "checkBoxPreview")->setChecked(true);
    QVERIFY(child<QGraphicsView>(dialog, "graphicsView")->isVisible());
    QCOMPARE(previewImage(dialog).toImage(), Engine::templatePixmap(303).toImage());
    dialog->close();
}

void TestPrintDialog::previewFollowsTheCurrentForm()
{
    setPreviewEnabled(true);
    QFile::remove(Engine::templatePath(302));
    QPointer<PrintDialog> dialog = new PrintDialog;
    auto *list = child<QListWidget>(dialog, "listWidget");
    auto *name = child<QPlainTextEdit>(dialog, "plainTextEdit");
    QCOMPARE(list->count(), 4);
    QCOMPARE(name->toPlainText(), ReportList::entry(301)->description);
    QCOMPARE(previewImage(dialog).size(), QSize(1123, 794));

    list->setCurrentRow(3);
    QCOMPARE(list->currentItem()->data(Qt::UserRole).toInt(), 304);
    QCOMPARE(name->toPlainText(), ReportList::entry(304)->description);
    QCOMPARE(previewImage(dialog).size(), QSize(794, 1123));

    // A template that cannot be used still offers the form, with the reason instead of a
    // picture.
    auto *unusable = child<QLabel>(dialog, "labelUnusable");
    QVERIFY(unusable);
    QVERIFY(unusable->isHidden());
    list->setCurrentRow(1);
    QCOMPARE(name->toPlainText(), ReportList::entry(302)->description);
    QCOMPARE(unusable->text(),
             QString("Шаблон отчёта %1 не найден.").arg(Engine::templatePath(302)));
    QVERIFY(!unusable->isHidden());
    QVERIFY(previewImage(dialog).isNull());
    {
        QFile broken(Engine::templatePath(303));
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write(R"({"textFields": [{"id": "$V{fio}"}, {"id")");
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused"));
    list->setCurrentRow(2);
    QVERIFY2(unusable->text().startsWith(QString("Шаблон отчёта %1 не открыт: неверный формат")
                                                 .arg(Engine::templatePath(303))),
             qPrintable(unusable->text()));
    QVERIFY(previewImage(dialog).isNull());
    list->setCurrentRow(3);
    QVERIFY(unusable->isHidden());
    dialog->close();
}

void TestPrintDialog::settingsPersist()
{
    setPreviewEnabled(false);
    {
        auto *dialog = new PrintDialog;
        dialog->show();
        dialog->resize(700, 500);
        child<QCheckBox>(dialog, "checkBoxPreview")->setChecked(true);
        QTest::mouseClick(child<QPushButton>(dialog, "pushButtonScalePlus"), Qt::LeftButton);
        dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QSettings *settings = Database::userSettings();
    QCOMPARE(settings->value("PrintDialog/previewEnabled").toBool(), true);
    QVERIFY(!settings->value("PrintDialog/geometry").toByteArray().isEmpty());

    QPointer<PrintDialog> again = new PrintDialog;
    again->show();
    QVERIFY(child<QCheckBox>(again, "checkBoxPreview")->isChecked());
    QCOMPARE(again->size(), QSize(700, 500));
    // The zoom is not kept.
    QCOMPARE(again->currentScale(), 1.0);
    again->close();
}

void TestPrintDialog::choice_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("background");
    QTest::addColumn<bool>("doubleClick");

    QTest::newRow("Print with background") << 3 << true << false;
    QTest::newRow("Print without background") << 0 << false << false;
    QTest::newRow("double-click prints like Print") << 2 << true << true;
}

void TestPrintDialog::choice()
{
    QFETCH(int, row);
    QFETCH(bool, background);
    QFETCH(bool, doubleClick);

    QPointer<PrintDialog> dialog = new PrintDialog;
    dialog->show();
    QSignalSpy chosen(dialog.data(), &PrintDialog::reportTypeSelected);
    bool disabledWhileWorking = false;
    connect(dialog.data(), &PrintDialog::reportTypeSelected, this, [&] {
        disabledWhileWorking = !dialog->isEnabled();
    });
    auto *list = child<QListWidget>(dialog, "listWidget");
    child<QCheckBox>(dialog, "checkBoxBackground")->setChecked(background);
    list->setCurrentRow(row);
    if (doubleClick) {
        // QTest's double click does not reach a list's item signal; the view's own does.
        emit list->itemDoubleClicked(list->item(row));
    } else {
        QTest::mouseClick(child<QPushButton>(dialog, "pushButtonPrint"), Qt::LeftButton);
    }
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).value<ReportList::ReportType>(),
             ReportList::entries().at(row)->type);
    QCOMPARE(chosen.at(0).at(1).toBool(), background);
    QVERIFY(disabledWhileWorking);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog.isNull());
}

void TestPrintDialog::printWithoutCurrentItemDoesNothing()
{
    QPointer<PrintDialog> dialog = new PrintDialog;
    dialog->show();
    QSignalSpy chosen(dialog.data(), &PrintDialog::reportTypeSelected);
    child<QListWidget>(dialog, "listWidget")->setCurrentItem(nullptr);
    QTest::mouseClick(child<QPushButton>(dialog, "pushButtonPrint"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(chosen.size(), 0);

    QTest::mouseClick(child<QPushButton>(dialog, "pushButtonCancel"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog.isNull());
    QCOMPARE(chosen.size(), 0);
}

void TestPrintDialog::editTemplateMode()
{
    QPointer<PrintDialog> dialog = new PrintDialog;
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Печать"));
    QVERIFY(dialog->isModal() || dialog->windowModality() == Qt::ApplicationModal);
    dialog->setEditTemplateMode();
    dialog->show();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Редактировать шаблон"));
    QCOMPARE(child<QPushButton>(dialog, "pushButtonPrint")->text(),
             QStringLiteral("Редактировать"));
    QCOMPARE(child<QGroupBox>(dialog, "groupBox_3")->title(),
             QStringLiteral("Выберите шаблон, который нужно отредактировать:"));
    QVERIFY(!child<QCheckBox>(dialog, "checkBoxBackground")->isVisible());
    QSignalSpy chosen(dialog.data(), &PrintDialog::reportTypeSelected);
    QTest::mouseClick(child<QPushButton>(dialog, "pushButtonPrint"), Qt::LeftButton);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).value<ReportList::ReportType>(), ReportList::Id253);
}

// Not a check: leaves a picture for a person to look at when ZR_SCREENSHOTS names a folder.
void TestPrintDialog::preselection_data()
{
    QTest::addColumn<QStringList>("pupils"); // "patronymic|answer kept" of each document printed
    QTest::addColumn<int>("form");           // current as the dialog opens
    QTest::addColumn<bool>("fromEditDialog");

    QTest::newRow("a boy: the boys' certificate") << QStringList{"Петрович|"} << 301 << false;
    QTest::newRow("a girl: the girls' certificate") << QStringList{"Петровна|"} << 302 << false;
    QTest::newRow("a girl from her edit dialog") << QStringList{"Петровна|"} << 302 << true;
    QTest::newRow("a girl by the answer kept") << QStringList{"Smith|f"} << 302 << false;
    QTest::newRow("two girls") << QStringList{"Петровна|", "Ильинична|"} << 302 << false;
    QTest::newRow("a boy and a girl: the first form")
            << QStringList{"Петровна|", "Петрович|"} << 301 << false;
    QTest::newRow("nobody knows: the first form") << QStringList{"|"} << 301 << false;
}

void TestPrintDialog::preselection()
{
    QFETCH(QStringList, pupils);
    QFETCH(bool, fromEditDialog);

    int id = 0;
    for (const QString &pupil : pupils)
        id = PrintingFixture::addDocument({{"fio1", QStringLiteral("Ученик")},
                                           {"fio3", pupil.section('|', 0, 0)},
                                           {"gender", pupil.section('|', 1, 1)}});
    DocumentsTable table;
    std::unique_ptr<DocumentEditDialog> edit;
    if (fromEditDialog) {
        edit = std::make_unique<DocumentEditDialog>();
        edit->loadDocument(id);
        edit->show();
        edit->findChild<QPushButton *>("pushButtonPrint")->click();
    } else {
        table.show();
        table.selectAll();
        table.onPrintAction();
    }
    PrintDialog *dialog = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (!dialog)
            dialog = qobject_cast<PrintDialog *>(widget);
        if (!dialog)
            dialog = widget->findChild<PrintDialog *>();
    }
    QVERIFY(dialog);
    QTEST(child<QListWidget>(dialog, "listWidget")->currentItem()->data(Qt::UserRole).toInt(),
          "form");
    dialog->close();
    if (edit)
        edit.release()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestPrintDialog::screenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOTS to a folder to get a screenshot");
    setPreviewEnabled(true);
    auto *dialog = new PrintDialog;
    dialog->resize(900, 560);
    dialog->show();
    child<QListWidget>(dialog, "listWidget")->setCurrentRow(3);
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(child<QPushButton>(dialog, "pushButtonScaleMinus"), Qt::LeftButton);
    QTest::qWait(50);
    QVERIFY(dialog->grab().save(folder + "/printdialog.png"));
    dialog->setEditTemplateMode();
    QVERIFY(dialog->grab().save(folder + "/printdialog-edit.png"));
    dialog->close();
}

ZR_TEST_MAIN(TestPrintDialog)
#include "tst_printdialog.moc"
