#include "designertestutil.h"
#include "modalanswerer.h"
#include "testhome.h"
#include "widgets/datamanagerdockwidget.h"
#include "widgets/structuredockwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QtTest>
#include <memory>

using namespace DesignerTest;
using Row = StructureDockWidget::FieldRow;

class TestDesignerDocks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rowsShownPerKind_data();
    void rowsShownPerKind();
    void fieldValuesShown();
    void numberCells_data();
    void numberCells();
    void textAndPreviewRows();
    void alignmentCombos_data();
    void alignmentCombos();
    void checkBoxes();
    void pageCombos_data();
    void pageCombos();
    void pageWidgetsEditPage();
    void nullFieldShowsPage();
    void fontCells();
    void fontDialogGivesFieldItsOwnFont();
    void deletedFieldIsNotTouched();
    void variableTable_data();
    void variableTable();
    void variableTableFollowsPage();

private:
    std::unique_ptr<ReportPage> m_page;
    std::unique_ptr<StructureDockWidget> m_dock;
};

void TestDesignerDocks::init()
{
    m_page = std::make_unique<ReportPage>();
    m_dock = std::make_unique<StructureDockWidget>();
    m_dock->setReportPage(m_page.get());
}

void TestDesignerDocks::cleanup()
{
    m_dock.reset();
    m_page.reset();
}

void TestDesignerDocks::rowsShownPerKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<int>>("hidden");

    QTest::newRow("text field hides the table rows")
            << 1 << QList<int>{Row::ContentsRow, Row::PreviewRowsRow};
    QTest::newRow("table field hides the text rows") << 2
                                                     << QList<int>{Row::TextRow,
                                                                   Row::WidthRow,
                                                                   Row::HeightRow,
                                                                   Row::IndentRow,
                                                                   Row::LineHeightRow};
}

void TestDesignerDocks::rowsShownPerKind()
{
    QFETCH(int, kind);
    QFETCH(QList<int>, hidden);

    // Show the other kind first, so that every row has to change.
    AbstractField *other
            = kind == 1 ? static_cast<AbstractField *>(addTable(m_page.get(), 0, 0, {20}))
                        : addText(m_page.get(), 0, 0, 20, 5);
    AbstractField *field
            = kind == 1 ? static_cast<AbstractField *>(addText(m_page.get(), 0, 0, 20, 5))
                        : addTable(m_page.get(), 0, 0, {20});
    m_dock->onFieldChanged(other);
    m_dock->onFieldChanged(field);
    QCOMPARE(m_dock->structureType(), StructureType::Field);
    QVERIFY(!m_dock->fieldTable()->isHidden());
    QVERIFY(m_dock->pageTable()->isHidden());
    for (int row = 0; row < Row::FieldRowCount; ++row)
        QVERIFY2(m_dock->fieldTable()->isRowHidden(row) == hidden.contains(row),
                 qPrintable(m_dock->fieldTable()->item(row, 0)->text()));
}

void TestDesignerDocks::fieldValuesShown()
{
    TextField *field = addText(m_page.get(), 12.5, 3, 60.25, 10);
    field->indent = 1.5;
    field->text = "$V{fio}";
    m_dock->onFieldChanged(field);
    QTableWidget *t = m_dock->fieldTable();
    QCOMPARE(t->item(Row::XRow, 1)->text(), QStringLiteral("12.5"));
    QCOMPARE(t->item(Row::YRow, 1)->text(), QStringLiteral("3.0"));
    QCOMPARE(t->item(Row::HeightRow, 1)->text(), QStringLiteral("10.0"));
    QCOMPARE(t->item(Row::IndentRow, 1)->text(), QStringLiteral("1.5"));
    QCOMPARE(t->item(Row::LineHeightRow, 1)->text(), QStringLiteral("0.0"));
    QCOMPARE(t->item(Row::TextRow, 1)->text(), QStringLiteral("$V{fio}"));
}

void TestDesignerDocks::numberCells_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("stored");

    QTest::newRow("x with a decimal point") << int(Row::XRow) << "12.5" << 12.5;
    QTest::newRow("x with a decimal comma gives 0") << int(Row::XRow) << "12,5" << 0.0;
    QTest::newRow("x with letters gives 0") << int(Row::XRow) << "abc" << 0.0;
    QTest::newRow("y with blanks around") << int(Row::YRow) << " 7 " << 7.0;
    QTest::newRow("width negative is kept") << int(Row::WidthRow) << "-3" << -3.0;
    QTest::newRow("height not a number gives 0") << int(Row::HeightRow) << "nan" << 0.0;
    QTest::newRow("indent") << int(Row::IndentRow) << "2.5" << 2.5;
    QTest::newRow("line height with a comma gives 0") << int(Row::LineHeightRow) << "6,1" << 0.0;
}

void TestDesignerDocks::numberCells()
{
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(double, stored);

    TextField *field = addText(m_page.get(), 20, 20, 20, 20);
    field->indent = 20;
    field->lineHeight = 20;
    m_dock->onFieldChanged(field);
    QSignalSpy updated(m_dock.get(), &StructureDockWidget::fieldUpdated);
    m_dock->fieldTable()->item(row, 1)->setText(typed);
    QCOMPARE(updated.count(), 1);
    const QMap<int, double> values{{Row::XRow, field->x},
                                   {Row::YRow, field->y},
                                   {Row::WidthRow, field->width},
                                   {Row::HeightRow, field->height},
                                   {Row::IndentRow, field->indent},
                                   {Row::LineHeightRow, field->lineHeight}};
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        QCOMPARE(it.value(), it.key() == row ? stored : 20.0);
}

void TestDesignerDocks::textAndPreviewRows()
{
    TextField *text = addText(m_page.get(), 0, 0, 20, 5);
    TableField *table = addTable(m_page.get(), 0, 0, {20});
    m_dock->onFieldChanged(text);
    m_dock->fieldTable()->item(Row::TextRow, 1)->setText("Привет $V{fio}");
    QCOMPARE(text->text, QStringLiteral("Привет $V{fio}"));

    m_dock->onFieldChanged(table);
    QCOMPARE(m_dock->fieldTable()->item(Row::PreviewRowsRow, 1)->text(), QStringLiteral("1"));
    m_dock->fieldTable()->item(Row::PreviewRowsRow, 1)->setText("3");
    QCOMPARE(table->previewRowCount, quint8(3));
    QVERIFY(table->prepared);
    QCOMPARE(table->rowsCount, quint16(3));
    m_dock->fieldTable()->item(Row::PreviewRowsRow, 1)->setText("999");
    QCOMPARE(table->previewRowCount, quint8(255));
}

void TestDesignerDocks::alignmentCombos_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("horizontal");
    QTest::addColumn<QString>("vertical");

    QTest::newRow("left top") << int(Qt::AlignLeft | Qt::AlignTop) << "Слева"
                              << "Сверху";
    QTest::newRow("centre centre") << int(Qt::AlignHCenter | Qt::AlignVCenter) << "По центру"
                                   << "По центру";
    QTest::newRow("right bottom") << int(Qt::AlignRight | Qt::AlignBottom) << "Справа"
                                  << "Снизу";
    QTest::newRow("no flags leave both empty") << 0 << ""
                                               << "";
}

void TestDesignerDocks::alignmentCombos()
{
    QFETCH(int, flags);
    QFETCH(QString, horizontal);
    QFETCH(QString, vertical);

    TextField *field = addText(m_page.get(), 0, 0, 20, 5);
    field->alignFlags = quint16(flags);
    m_dock->onFieldChanged(field);
    QCOMPARE(m_dock->hAlignCombo()->currentText(), horizontal);
    QCOMPARE(m_dock->vAlignCombo()->currentText(), vertical);
    // Showing a field changes nothing in it.
    QCOMPARE(field->alignFlags, quint16(flags));

    m_dock->hAlignCombo()->setCurrentIndex(m_dock->hAlignCombo()->findText("Справа"));
    m_dock->vAlignCombo()->setCurrentIndex(m_dock->vAlignCombo()->findText("Снизу"));
    QCOMPARE(field->alignFlags, quint16(Qt::AlignRight | Qt::AlignBottom));
}

void TestDesignerDocks::checkBoxes()
{
    TextField *field = addText(m_page.get(), 0, 0, 20, 5);
    m_dock->onFieldChanged(field);
    QSignalSpy updated(m_dock.get(), &StructureDockWidget::fieldUpdated);
    m_dock->wordWrapCheckBox()->setChecked(true);
    m_dock->strokeCheckBox()->setChecked(true);
    QVERIFY(field->wordWrap);
    QVERIFY(field->zOnEmpty);
    QCOMPARE(updated.count(), 2);
}

void TestDesignerDocks::pageCombos_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QString>("pagesShown");
    QTest::addColumn<QString>("sizeShown");
    QTest::addColumn<QString>("orientationShown");

    QTest::newRow("new page") << 1 << int(QPagedPaintDevice::A4) << int(QPrinter::Landscape) << "1"
                              << "A4"
                              << "Альбомная";
    QTest::newRow("5 pages show no entry")
            << 5 << int(QPagedPaintDevice::A5) << int(QPrinter::Portrait) << ""
            << "A5"
            << "Портретная";
    QTest::newRow("Letter shows no entry")
            << 2 << int(QPagedPaintDevice::Letter) << int(QPrinter::Landscape) << "2"
            << ""
            << "Альбомная";
}

void TestDesignerDocks::pageCombos()
{
    QFETCH(int, pages);
    QFETCH(int, size);
    QFETCH(int, orientation);
    QFETCH(QString, pagesShown);
    QFETCH(QString, sizeShown);
    QFETCH(QString, orientationShown);

    m_page->setPagesCount(pages);
    m_page->setPageSize(QPagedPaintDevice::PageSize(size));
    m_page->setOrientation(QPrinter::Orientation(orientation));
    QSignalSpy pageUpdated(m_dock.get(), &StructureDockWidget::pageUpdated);
    m_dock->setReportPage(m_page.get());
    QCOMPARE(m_dock->structureType(), StructureType::Page);
    QCOMPARE(m_dock->pagesCountCombo()->currentText(), pagesShown);
    QCOMPARE(m_dock->pageSizeCombo()->currentText(), sizeShown);
    QCOMPARE(m_dock->orientationCombo()->currentText(), orientationShown);
    // Showing the page is not editing it.
    QCOMPARE(pageUpdated.count(), 0);
    QCOMPARE(m_page->pagesCount(), pages);
    QCOMPARE(int(m_page->pageSize()), size);
}

void TestDesignerDocks::pageWidgetsEditPage()
{
    QSignalSpy pageUpdated(m_dock.get(), &StructureDockWidget::pageUpdated);
    m_dock->pagesCountCombo()->setCurrentIndex(m_dock->pagesCountCombo()->findData(3));
    QCOMPARE(m_page->pagesCount(), 3);
    m_dock->pageSizeCombo()->setCurrentIndex(m_dock->pageSizeCombo()->findText("A3"));
    QCOMPARE(m_page->pageSize(), QPagedPaintDevice::A3);
    QCOMPARE(m_page->printer()->pageLayout().pageSize().id(), QPageSize::A3);
    m_dock->orientationCombo()->setCurrentIndex(0);
    QCOMPARE(m_page->orientation(), int(QPrinter::Portrait));
    m_dock->printBackgroundCheckBox()->setChecked(true);
    QVERIFY(m_page->printBackgroundImage);
    QCOMPARE(pageUpdated.count(), 4);
}

void TestDesignerDocks::nullFieldShowsPage()
{
    TextField *field = addText(m_page.get(), 0, 0, 20, 5);
    m_dock->onFieldChanged(field);
    m_dock->onFieldChanged(nullptr);
    QCOMPARE(m_dock->structureType(), StructureType::Page);
    QVERIFY(m_dock->fieldTable()->isHidden());
    QVERIFY(!m_dock->pageTable()->isHidden());
    QVERIFY(!m_dock->currentField());
}

void TestDesignerDocks::fontCells()
{
    const QFont font("DejaVu Sans", 14);
    QTableWidgetItem item;
    QVERIFY(m_dock->setFontInfoToCell(&item, font));
    const QFontInfo info(font);
    QCOMPARE(item.text(), QStringLiteral("%1, %2пт").arg(info.family()).arg(info.pointSize()));
    QCOMPARE(item.font().pointSize(), 8);
    QVERIFY(!m_dock->setFontInfoToCell(nullptr, font));

    TextField *field = addText(m_page.get(), 0, 0, 20, 5);
    m_dock->onFieldChanged(field);
    QCOMPARE(m_dock->fieldTable()->item(Row::FontRow, 1)->text(), QStringLiteral("По умолчанию"));
    QCOMPARE(m_dock->fieldTable()->item(Row::FontRow, 1)->font().pointSize(), 8);
}

void TestDesignerDocks::fontDialogGivesFieldItsOwnFont()
{
    m_page->defaultFont = QFont("DejaVu Serif", 13);
    TextField *field = addText(m_page.get(), 0, 0, 20, 5);
    m_dock->show();
    m_dock->onFieldChanged(field);
    QFont started;
    ModalAnswerer answerer;
    // Untranslated, the font dialog keeps its own title.
    answerer.expect(QStringLiteral("Select Font"), QString(), [&](QWidget *dialog) {
        auto *fontDialog = qobject_cast<QFontDialog *>(dialog);
        QVERIFY(fontDialog);
        started = fontDialog->currentFont();
        fontDialog->setCurrentFont(QFont("DejaVu Sans", 11));
        fontDialog->accept();
    });
    QSignalSpy updated(m_dock.get(), &StructureDockWidget::fieldUpdated);
    emit m_dock->fieldTable()->cellDoubleClicked(0, 1);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('\n')));
    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(started.family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(field->font.family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(field->font.pointSize(), 11);
    QVERIFY(updated.count() >= 1);
    QVERIFY(m_dock->fieldTable()->item(0, 1)->text().endsWith(QStringLiteral("11пт")));
    m_dock->hide();
}

void TestDesignerDocks::deletedFieldIsNotTouched()
{
    TextField *field = addText(m_page.get(), 0, 0, 20, 5);
    m_dock->onFieldChanged(field);
    m_page->fields.removeAll(field);
    delete field;
    QVERIFY(!m_dock->currentField());
    QSignalSpy updated(m_dock.get(), &StructureDockWidget::fieldUpdated);
    // Every editor of the field table, after the field is gone: nothing happens.
    m_dock->fieldTable()->item(Row::XRow, 1)->setText("5");
    m_dock->fieldTable()->item(Row::TextRow, 1)->setText("x");
    m_dock->wordWrapCheckBox()->toggle();
    m_dock->strokeCheckBox()->toggle();
    m_dock->hAlignCombo()->setCurrentIndex(2);
    m_dock->editButton()->click();
    QCOMPARE(updated.count(), 0);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestDesignerDocks::variableTable_data()
{
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<int>("modelRows");
    QTest::addColumn<QStringList>("expressions");
    QTest::addColumn<QStringList>("samples");

    QTest::newRow("no variables and no models")
            << QStringList() << -1 << QStringList() << QStringList();
    QTest::newRow("variables in key order")
            << QStringList{"Fio=Иванов", "  Date =2024"} << -1 << QStringList{"$V{date}", "$V{fio}"}
            << QStringList{"2024", "Иванов"};
    QTest::newRow("model without rows lists its columns with empty samples")
            << QStringList() << 0 << QStringList{"$D{view.Предмет}", "$D{view.Оценка}"}
            << QStringList{"", ""};
    QTest::newRow("model samples come from its first row")
            << QStringList{"fio=Петров"} << 2
            << QStringList{"$V{fio}", "$D{view.Предмет}", "$D{view.Оценка}"}
            << QStringList{"Петров", "r0c0", "r0c1"};
}

void TestDesignerDocks::variableTable()
{
    QFETCH(QStringList, variables);
    QFETCH(int, modelRows);
    QFETCH(QStringList, expressions);
    QFETCH(QStringList, samples);

    for (const QString &pair : variables)
        m_page->setReportVariable(pair.section('=', 0, 0), pair.section('=', 1));
    QStandardItemModel model(qMax(0, modelRows), 2);
    model.setHorizontalHeaderLabels({"Предмет", "Оценка"});
    for (int r = 0; r < modelRows; ++r)
        for (int c = 0; c < 2; ++c)
            model.setItem(r, c, new QStandardItem(QStringLiteral("r%1c%2").arg(r).arg(c)));
    if (modelRows >= 0)
        m_page->addModel(" View ", &model);

    DataManagerDockWidget dock;
    dock.setReportPage(m_page.get());
    QTableWidget *t = dock.table();
    QCOMPARE(t->rowCount(), expressions.size());
    for (int r = 0; r < t->rowCount(); ++r) {
        QCOMPARE(t->item(r, 0)->text(), expressions.at(r));
        QCOMPARE(t->item(r, 1)->text(), samples.at(r));
    }
    QCOMPARE(t->dragDropMode(), QAbstractItemView::DragOnly);
    QCOMPARE(t->editTriggers(), QAbstractItemView::NoEditTriggers);
    // What a drag of the first row carries: the canvas reads the expression from it.
    if (t->rowCount() > 0) {
        std::unique_ptr<QMimeData> mime(
                t->model()->mimeData({t->model()->index(0, 0), t->model()->index(0, 1)}));
        QVERIFY(mime->hasFormat("application/x-qabstractitemmodeldatalist"));
    }
    m_page->clearDataManager();
}

void TestDesignerDocks::variableTableFollowsPage()
{
    DataManagerDockWidget dock;
    dock.setReportPage(m_page.get());
    QCOMPARE(dock.table()->rowCount(), 0);
    m_page->setReportVariable("fio", "Сидоров");
    QCOMPARE(dock.table()->rowCount(), 1);
    m_page->clearDataManager();
    QCOMPARE(dock.table()->rowCount(), 0);
    // A page that goes away leaves an empty list, not a dangling one.
    m_page->setReportVariable("fio", "Сидоров");
    m_page.reset();
    dock.updateTable();
    QCOMPARE(dock.table()->rowCount(), 0);
}

ZR_TEST_MAIN(TestDesignerDocks)
#include "tst_designerdocks.moc"
