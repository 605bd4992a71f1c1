#include "../ZrReport/reporttestutil.h"
#include "database/database.h"
#include "faultchild.h"
#include "modalanswerer.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/printcheck.h"
#include "printing/printjournal.h"
#include "printing/reportlist.h"
#include "printingfixture.h"
#include "testhome.h"

#include "ZrReport/reportpage.h"
#include "ZrReport/reportwindow.h"

#include <QPointer>
#include <QPrintPreviewDialog>
#include <QSignalSpy>
#include <QSqlQueryModel>

Q_DECLARE_METATYPE(QDialogButtonBox::StandardButton)

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pageSequence_data();
    void pageSequence();
    void overflowAnsweredNoEndsSequence();
    void failures_data();
    void failures();
    void vanishedDocumentStillPreviews();
    void eachPrintReleasesThePreviousPage();
    void templatePixmap();
    void defaultTemplatesNeverOverwrite();
    void brokenTemplateIsRefusedEverywhere_data();
    void brokenTemplateIsRefusedEverywhere();
    void missingTemplatesToldOnceAtStartup_data();
    void missingTemplatesToldOnceAtStartup();
    void previewScreenshot();

private:
    struct Step
    {
        QString title;
        QString text;
        QDialogButtonBox::StandardButton button;
    };
    // Queues the answers and records which page each preview showed.
    void expectSteps(ModalAnswerer &answerer,
                     const QList<Step> &steps,
                     Engine &engine,
                     QList<int> *previewedPages);

    PrintingFixture m_fixture;
    QString m_previewTitle;
    QTemporaryDir m_out;
};

void TestEngine::init()
{
    m_fixture.start();
    QPrinter printer;
    QPrintPreviewDialog probe(&printer);
    m_previewTitle = probe.windowTitle();
}

void TestEngine::cleanup()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_fixture.stop();
    const QWidgetList open = QApplication::topLevelWidgets();
    for (QWidget *w : open)
        QVERIFY2(!w->isVisible(), w->metaObject()->className());
}

void TestEngine::expectSteps(ModalAnswerer &answerer,
                             const QList<Step> &steps,
                             Engine &engine,
                             QList<int> *previewedPages)
{
    for (const Step &step : steps) {
        if (step.title == QLatin1String("preview")) {
            answerer.expect(m_previewTitle, QString(), [this, &engine, previewedPages](QWidget *w) {
                const int page = engine.currentPage()->currentPage;
                previewedPages->append(page);
                // Only a side that went to the printer is followed by the next one.
                ReportTest::printPreviewTo(w, m_out.filePath(QStringLiteral("%1.pdf").arg(page)));
            });
        } else {
            answerer.expectButton(step.title, step.text, step.button);
        }
    }
}

void TestEngine::pageSequence_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("background");
    QTest::addColumn<QDialogButtonBox::StandardButton>("backgroundAnswer");
    QTest::addColumn<QList<int>>("previewed");

    QTest::newRow("one page, background on: one question, one preview, no prompt")
            << 1 << true << QDialogButtonBox::Yes << QList<int>{0};
    QTest::newRow("one page, background off: just the preview")
            << 1 << false << QDialogButtonBox::NoButton << QList<int>{0};
    QTest::newRow("three pages, background on: turn over, then next sheet")
            << 3 << true << QDialogButtonBox::Yes << QList<int>{0, 1, 2};
    QTest::newRow("three pages, background off: prompts without the question")
            << 3 << false << QDialogButtonBox::NoButton << QList<int>{0, 1, 2};
    QTest::newRow("background declined: nothing at all")
            << 3 << true << QDialogButtonBox::No << QList<int>{};
}

void TestEngine::pageSequence()
{
    QFETCH(int, pages);
    QFETCH(bool, background);
    QFETCH(QDialogButtonBox::StandardButton, backgroundAnswer);
    QFETCH(QList<int>, previewed);

    PrintingFixture::writeTemplate(ReportList::Id3339, pages, true);
    const int id = PrintingFixture::addSampleDocument();

    QList<Step> steps;
    if (background)
        steps << Step{"Внимание!", "Включена печать фона.\nПродолжить?!", backgroundAnswer};
    for (int page : previewed) {
        if (page == 1)
            steps << Step{"", "Переверните страницу!", QDialogButtonBox::Ok};
        if (page == 2)
            steps << Step{"", "Вставьте следующий лист", QDialogButtonBox::Ok};
        steps << Step{"preview", "", QDialogButtonBox::NoButton};
    }

    Engine engine;
    ModalAnswerer answerer;
    QList<int> seenPages;
    expectSteps(answerer, steps, engine, &seenPages);
    engine.onDocumentPrint(ReportList::Id3339, id, background);

    QCOMPARE(answerer.unexpected(), QStringList());
    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(seenPages, previewed);
    QCOMPARE(engine.currentPage()->printBackgroundImage, background);
    QVERIFY(engine.currentPage()->replaceExpressions());
}

void TestEngine::overflowAnsweredNoEndsSequence()
{
    PrintingFixture::writeOverflowingTemplate(ReportList::Id3382, 2);
    {
        // A second page, so that a sheet prompt would follow if the sequence went on.
        ReportPage page;
        page.loadFromFile(Engine::templatePath(ReportList::Id3382));
        page.setPagesCount(2);
        page.saveToFile(Engine::templatePath(ReportList::Id3382));
    }
    const int id = PrintingFixture::addSampleDocument(6);

    Engine engine;
    ModalAnswerer answerer;
    answerer.expectButton(
            "Внимание!", "Данные таблиц не помещаются на данном бланке", QDialogButtonBox::No);
    engine.onDocumentPrint(ReportList::Id3382, id, false);

    QCOMPARE(answerer.pending(), 0);
    QVERIFY(engine.currentPage()->printCancelled);
    for (const QString &seen : answerer.seen())
        QVERIFY2(!seen.contains("Переверните"), qPrintable(seen));
}

void TestEngine::failures_data()
{
    QTest::addColumn<int>("sqlDocId");
    QTest::addColumn<bool>("deleteTemplate");
    QTest::addColumn<QString>("error");

    QTest::newRow("negative document id: logged only; the designer opens") << -1 << false << "";
    QTest::newRow("template deleted meanwhile: message with the full path")
            << 1 << true << "Шаблон отчёта %1 не найден.";
}

void TestEngine::failures()
{
    QFETCH(int, sqlDocId);
    QFETCH(bool, deleteTemplate);
    QFETCH(QString, error);

    const QString path = PrintingFixture::writeTemplate(ReportList::Id253, 1);
    if (deleteTemplate)
        QVERIFY(QFile::remove(path));
    Engine engine;
    QSignalSpy errors(&engine, &Engine::error);
    ModalAnswerer answerer;
    engine.onDocumentPrint(ReportList::Id253, sqlDocId, false);
    QCOMPARE(answerer.seen(), QStringList());
    if (error.isEmpty()) {
        QCOMPARE(errors.size(), 0);
    } else {
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.at(0).at(0).toString(), error.arg(path));
        QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("Ошибка"));
    }

    engine.onGuiEdit(ReportList::Id253);
    QCOMPARE(errors.size(), error.isEmpty() ? 0 : 2);
    QPointer<ReportWindow> designer;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<ReportWindow *>(w))
            designer = window;
    }
    QCOMPARE(designer.isNull(), !error.isEmpty());
    if (designer) {
        QCOMPARE(engine.currentPage(), designer->reportPage());
        designer->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(designer.isNull());
        QVERIFY(!engine.currentPage());
    }
}

void TestEngine::vanishedDocumentStillPreviews()
{
    PrintingFixture::writeTemplate(ReportList::Id253, 1);
    Engine engine;
    ModalAnswerer answerer;
    QList<int> pages;
    expectSteps(answerer, {{"preview", "", QDialogButtonBox::NoButton}}, engine, &pages);
    engine.onDocumentPrint(ReportList::Id253, 4242, false);
    QCOMPARE(pages, QList<int>{0});
    // The template's own expression is remembered empty; no document variable was set.
    QCOMPARE(engine.currentPage()->variables.keys(), QStringList{"full_name"});
    QCOMPARE(engine.currentPage()->variables.value("full_name").toString(), QString());
}

void TestEngine::eachPrintReleasesThePreviousPage()
{
    PrintingFixture::writeTemplate(ReportList::Id253, 1);
    const int id = PrintingFixture::addSampleDocument();
    Engine engine;
    ModalAnswerer answerer;
    QList<int> pages;
    expectSteps(answerer,
                {{"preview", "", QDialogButtonBox::NoButton},
                 {"preview", "", QDialogButtonBox::NoButton}},
                engine,
                &pages);

    QPointer<QAbstractItemModel> modelDuringPreview;
    int rowsDuringPreview = -1;
    answerer.expect(m_previewTitle, QString(), [&](QWidget *w) {
        modelDuringPreview = engine.currentPage()->getModel("view");
        rowsDuringPreview = modelDuringPreview ? modelDuringPreview->rowCount() : -1;
        qobject_cast<QDialog *>(w)->reject();
    });

    engine.onDocumentPrint(ReportList::Id253, id, false);
    QPointer<ReportPage> first = engine.currentPage();
    engine.onDocumentPrint(ReportList::Id253, id, false);
    engine.onDocumentPrint(ReportList::Id253, id, false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(pages, (QList<int>{0, 0}));
    QVERIFY(first.isNull());
    QCOMPARE(engine.findChildren<ReportPage *>().size(), 1);
    // The model served the preview and went when the sequence ended.
    QCOMPARE(rowsDuringPreview, 3);
    QVERIFY(modelDuringPreview.isNull());
    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(engine.findChildren<QSqlQueryModel *>().size(), 0);
}

void TestEngine::templatePixmap()
{
    QVERIFY(Engine::templatePixmap(ReportList::Id254).isNull());
    PrintingFixture::writeTemplate(ReportList::Id254, 2, true);
    const QImage side1 = Engine::templatePixmap(ReportList::Id254).toImage();
    QCOMPARE(side1.size(), QSize(794, 1123));
    QCOMPARE(QColor(side1.pixel(5, 5)), QColor(Qt::green));
}

void TestEngine::defaultTemplatesNeverOverwrite()
{
    const QString mine = Engine::templatePath(ReportList::Id253);
    QDir().mkpath(QFileInfo(mine).absolutePath());
    {
        QFile file(mine);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the user's own");
    }
    QCOMPARE(DefaultTemplates::install(), 7);
    QCOMPARE(DefaultTemplates::install(), 0);

    QFile file(mine);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("the user's own"));
    const QString installed = Engine::templatePath(ReportList::Id3382);
    QVERIFY(QFileInfo(installed).isWritable());
    QVERIFY(QFileInfo::exists(DefaultTemplates::defaultDataPath()
                              + "/default_reports/id253.zrrpt"));

    ReportPage page;
    QVERIFY(page.loadFromFile(installed));
    QCOMPARE(page.pagesCount(), 2);
    QCOMPARE(page.fields.size() > 10, true);
    QVERIFY(!page.pixmap().isNull());
}

void TestEngine::brokenTemplateIsRefusedEverywhere_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");

    QTest::newRow("2,001 fields") << "{\"textFields\": ["
                                             + QByteArray("{\"id\": \"$V{fio}\"},").repeated(2000)
                                             + "{}]}"
                                  << "в шаблоне 2001 полей, допустимо не больше 2000";
    QTest::newRow("cut off in the middle: not an empty page printed and journaled")
            << QByteArray(R"({"pagesCount": 1, "textFields": [{"id": "$V{fio}"}, {"id")")
            << "неверный формат";
}

// The single print, the check before printing and the designer all say the same: which
// template and why.
void TestEngine::brokenTemplateIsRefusedEverywhere()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    const QString path = Engine::templatePath(ReportList::Id253);
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const int id = PrintingFixture::addSampleDocument();
    Engine engine;
    QSignalSpy errors(&engine, &Engine::error);
    ModalAnswerer answerer;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused"));
    engine.onDocumentPrint(ReportList::Id253, id, false);
    QCOMPARE(answerer.seen(), QStringList()); // no preview
    QCOMPARE(errors.size(), 1);
    const QString told = errors.at(0).at(0).toString();
    QVERIFY2(told.startsWith(QString("Шаблон отчёта %1 не открыт: ").arg(path))
                     && told.contains(reason),
             qPrintable(told));
    QCOMPARE(PrintJournal::entries({}).size(), 0);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused"));
    const QList<PrintCheck::Problem> problems = PrintCheck(ReportList::Id253).check({id});
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems.at(0).severity, PrintCheck::Severity::Error);
    QCOMPARE(problems.at(0).text, told);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused"));
    engine.onGuiEdit(ReportList::Id253);
    QCOMPARE(answerer.seen(), QStringList()); // told once, through the main window
    QCOMPARE(errors.size(), 2);
    QCOMPARE(errors.at(1).at(0).toString(), told);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<ReportWindow *>(w));
}

void TestEngine::missingTemplatesToldOnceAtStartup_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("installed");

    QTest::newRow("all installed: nothing is said") << "" << 4;
    QTest::newRow("the disk is full: told once") << "full" << 0;
    QTest::newRow("a file stands where the folder should be: told once") << "file" << 0;
}

void TestEngine::missingTemplatesToldOnceAtStartup()
{
    QFETCH(QString, fault);
    QFETCH(int, installed);
    const QString reports = Database::dataPath() + "/reports";
    if (fault == "full") {
        // 64 KB: less than any shipped template.
        const FaultChild::Result child = FaultChild::run("install-templates", {}, 64 * 1024);
        QVERIFY2(child.status == 0, qPrintable(child.output));
    } else {
        if (fault == "file") {
            QFile file(reports);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        ModalAnswerer answerer;
        if (!fault.isEmpty())
            answerer.expectButton("Внимание!", "id3382.zrrpt", QDialogButtonBox::Ok);
        DefaultTemplates::installAtStartup();
        QCOMPARE(answerer.pending(), 0);
        QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    }
    QCOMPARE(4 - DefaultTemplates::missing(Database::dataPath()).size(), installed);
    // Nothing half-written stays behind.
    QCOMPARE(QDir(reports).entryList(QDir::Files | QDir::Hidden).size(), installed);
}

// Not a check: leaves pictures of the previews for a person to look at.
void TestEngine::previewScreenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOTS to a folder to get screenshots");
    DefaultTemplates::install();
    const int id = PrintingFixture::addSampleDocument(20);
    Engine engine;
    ModalAnswerer answerer;
    answerer.expectButton("Внимание!", "Включена печать фона", QDialogButtonBox::Yes);
    const auto grab = [&folder](QWidget *w) {
        QTest::qWait(300);
        static int n = 0;
        w->grab().save(QStringLiteral("%1/preview-%2.png").arg(folder).arg(++n));
        ReportTest::printPreviewTo(w, QStringLiteral("%1/preview-%2.pdf").arg(folder).arg(n));
    };
    answerer.expect(m_previewTitle, QString(), grab);
    answerer.expectButton("", "Переверните страницу!", QDialogButtonBox::Ok);
    answerer.expect(m_previewTitle, QString(), grab);
    engine.onDocumentPrint(ReportList::Id3382, id, true);
    QCOMPARE(answerer.pending(), 0);
}

namespace {
void addChildren()
{
    FaultChild::add("install-templates", [](const QStringList &) {
        ModalAnswerer answerer;
        answerer.expectButton(
                "Внимание!", "Не удалось установить шаблоны бланков", QDialogButtonBox::Ok);
        DefaultTemplates::installAtStartup();
        // Every form in one message, and only one message.
        const QString said = answerer.seen().join('|');
        const bool once = answerer.seen().size() == 1 && answerer.pending() == 0;
        const bool everyForm = said.contains("id253.zrrpt") && said.contains("id254.zrrpt")
                               && said.contains("id3339.zrrpt") && said.contains("id3382.zrrpt");
        QTextStream(stdout) << said << '\n';
        return once && everyForm ? 0 : 1;
    });
}
} // namespace

ZR_TEST_MAIN_WITH_CHILDREN(TestEngine, addChildren)
#include "tst_engine.moc"
