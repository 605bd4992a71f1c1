#include "designertestutil.h"
#include "dialogs/edittablefielddialog.h"
#include "testhome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>
#include <memory>

class TestEditTableFieldDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void newDialogDefaults();
    void columnWidthOnOk_data();
    void columnWidthOnOk();
    void checkBoxesHideRows_data();
    void checkBoxesHideRows();
    void breaksRoundTrip_data();
    void breaksRoundTrip();
    void modelNameTrimmedAndLowerCase_data();
    void modelNameTrimmedAndLowerCase();
    void columnCountChange();
    void existingFieldLoadsAndSaves();
    void shortListsStillOpen();
    void wideTableKeepsEveryColumn_data();
    void wideTableKeepsEveryColumn();
    void deletedFieldClosesDialog();
    void cancelChangesNothing();

private:
    EditTableFieldDialog *open(TableField *field);
    template<typename T> T *child(const char *name) const
    {
        T *widget = m_dialog->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    QTableWidget *table() const { return child<QTableWidget>("table"); }
    QTableWidget *splits() const { return child<QTableWidget>("tableSplit"); }
    void clickOk();

    QPointer<EditTableFieldDialog> m_dialog;
    std::unique_ptr<ReportPage> m_page;
};

void TestEditTableFieldDialog::initTestCase()
{
    qRegisterMetaType<TableField *>();
}

void TestEditTableFieldDialog::cleanup()
{
    delete m_dialog.data();
    m_page.reset();
}

EditTableFieldDialog *TestEditTableFieldDialog::open(TableField *field)
{
    m_dialog = new EditTableFieldDialog(nullptr);
    if (field)
        m_dialog->setTableField(field);
    return m_dialog;
}

void TestEditTableFieldDialog::clickOk()
{
    QTest::mouseClick(child<QPushButton>("pushButtonOk"), Qt::LeftButton);
}

void TestEditTableFieldDialog::newDialogDefaults()
{
    open(nullptr);
    QCOMPARE(table()->columnCount(), 3);
    QCOMPARE(child<QSpinBox>("rowCountSpin")->value(), 3);
    for (int c = 0; c < 3; ++c) {
        QCOMPARE(table()->item(1, c)->text(), QStringLiteral("40"));
        auto *combo = qobject_cast<QComboBox *>(table()->cellWidget(3, c));
        QVERIFY(combo);
        QCOMPARE(combo->currentText(), QStringLiteral("по умолчанию"));
        QCOMPARE(combo->count(), 4);
    }
    QVERIFY(!table()->isRowHidden(0));
    QVERIFY(!table()->isRowHidden(1));
    QVERIFY(child<QDoubleSpinBox>("headerHeightSpin")->isEnabled());
    QCOMPARE(child<QPushButton>("pushButtonOk")->text(), QStringLiteral("Создать"));
    QVERIFY(m_dialog->isNewField());
    QCOMPARE(m_dialog->windowModality(), Qt::ApplicationModal);
}

void TestEditTableFieldDialog::columnWidthOnOk_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("stored");

    QTest::newRow("1.5 mm is too narrow and becomes 10") << "1.5" << 10.0;
    QTest::newRow("empty becomes 10") << "" << 10.0;
    QTest::newRow("letters become 10") << "abc" << 10.0;
    QTest::newRow("a decimal comma is not a number") << "12,5" << 10.0;
    QTest::newRow("exactly 2 mm is kept") << "2" << 2.0;
    QTest::newRow("12.5 is kept") << "12.5" << 12.5;
    QTest::newRow("not a number text becomes 10") << "nan" << 10.0;
}

void TestEditTableFieldDialog::columnWidthOnOk()
{
    QFETCH(QString, typed);
    QFETCH(double, stored);

    open(nullptr);
    QSignalSpy created(m_dialog.data(), &EditTableFieldDialog::tableFieldCreated);
    table()->item(1, 1)->setText(typed);
    clickOk();
    QCOMPARE(created.count(), 1);
    std::unique_ptr<TableField> field(created.first().first().value<TableField *>());
    QCOMPARE(field->columnCount, quint8(3));
    QCOMPARE(field->columnsWidth, QVector<double>({40, stored, 40}));
    QCOMPARE(field->columnsAlign, QVector<quint8>({0, 0, 0}));
    QCOMPARE(field->headerNames.size(), 3);
    QCOMPARE(field->columnIds.size(), 3);
    QVERIFY(!field->prepared);
}

void TestEditTableFieldDialog::checkBoxesHideRows_data()
{
    QTest::addColumn<bool>("autoWidth");
    QTest::addColumn<bool>("headerVisible");

    QTest::newRow("auto width hides the width row") << true << true;
    QTest::newRow("hidden header hides its row and disables its height") << false << false;
    QTest::newRow("both") << true << false;
}

void TestEditTableFieldDialog::checkBoxesHideRows()
{
    QFETCH(bool, autoWidth);
    QFETCH(bool, headerVisible);

    open(nullptr);
    child<QCheckBox>("autoWidthCheckBox")->setChecked(autoWidth);
    child<QCheckBox>("headerIsVisibleCheckBox")->setChecked(headerVisible);
    QCOMPARE(table()->isRowHidden(1), autoWidth);
    QCOMPARE(table()->isRowHidden(0), !headerVisible);
    QCOMPARE(child<QDoubleSpinBox>("headerHeightSpin")->isEnabled(), headerVisible);
}

void TestEditTableFieldDialog::breaksRoundTrip_data()
{
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("no position shows Без переноса twice")
            << 100.0 << 0.0 << 0.0 << QStringList{"100.00", "Без переноса", "Без переноса"};
    QTest::newRow("x 0 and y 12 show both numbers")
            << 80.5 << 0.0 << 12.0 << QStringList{"80.50", "0.00", "12.00"};
    QTest::newRow("a continuation position")
            << 60.0 << 150.25 << 20.0 << QStringList{"60.00", "150.25", "20.00"};
}

void TestEditTableFieldDialog::breaksRoundTrip()
{
    QFETCH(double, height);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(QStringList, shown);

    m_page = std::make_unique<ReportPage>();
    TableField *field = DesignerTest::addTable(m_page.get(), 10, 10, {30, 30});
    field->splitsCount = 1;
    field->maxSplitHeight = {height};
    field->splitX = {x};
    field->splitY = {y};
    open(field);
    QCOMPARE(splits()->rowCount(), 1);
    for (int c = 0; c < 3; ++c)
        QCOMPARE(splits()->item(0, c)->text(), shown.at(c));

    QSignalSpy modified(m_dialog.data(), &EditTableFieldDialog::tableFieldModified);
    clickOk();
    QCOMPARE(modified.count(), 1);
    QCOMPARE(field->splitsCount, 1);
    QCOMPARE(field->maxSplitHeight, QVector<double>{height});
    QCOMPARE(field->splitX, QVector<double>{x});
    QCOMPARE(field->splitY, QVector<double>{y});
}

void TestEditTableFieldDialog::modelNameTrimmedAndLowerCase_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");

    QTest::newRow("blanks and capitals") << "  View "
                                         << "view";
    QTest::newRow("cyrillic capitals") << "\tДисциплины  "
                                       << "дисциплины";
    QTest::newRow("empty") << "   "
                           << "";
}

void TestEditTableFieldDialog::modelNameTrimmedAndLowerCase()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);

    open(nullptr);
    QSignalSpy created(m_dialog.data(), &EditTableFieldDialog::tableFieldCreated);
    child<QLineEdit>("modelNameLineEdit")->setText(typed);
    clickOk();
    QCOMPARE(created.count(), 1);
    std::unique_ptr<TableField> field(created.first().first().value<TableField *>());
    QCOMPARE(field->mModelName, stored);
}

void TestEditTableFieldDialog::columnCountChange()
{
    open(nullptr);
    auto *spin = child<QSpinBox>("rowCountSpin");
    spin->setValue(5);
    for (int c = 0; c < 5; ++c) {
        table()->item(0, c)->setText(QStringLiteral("H%1").arg(c));
        table()->item(1, c)->setText(QString::number(20 + c));
    }
    spin->setValue(3);
    QCOMPARE(table()->columnCount(), 3);
    spin->setValue(4);
    // The raised column is a fresh one, not the dropped fourth.
    QCOMPARE(table()->item(1, 3)->text(), QStringLiteral("40"));
    QCOMPARE(table()->item(0, 3)->text(), QString());
    QVERIFY(qobject_cast<QComboBox *>(table()->cellWidget(3, 3)));
    spin->setValue(3);

    QSignalSpy created(m_dialog.data(), &EditTableFieldDialog::tableFieldCreated);
    clickOk();
    std::unique_ptr<TableField> field(created.first().first().value<TableField *>());
    QCOMPARE(field->columnCount, quint8(3));
    QCOMPARE(field->headerNames, QStringList({"H0", "H1", "H2"}));
    QCOMPARE(field->columnsWidth, QVector<double>({20, 21, 22}));
}

void TestEditTableFieldDialog::existingFieldLoadsAndSaves()
{
    m_page = std::make_unique<ReportPage>();
    TableField *field = DesignerTest::addTable(m_page.get(), 10, 10, {12.5, 40, 33});
    field->columnsAlign = {0, quint8(Qt::AlignHCenter), quint8(Qt::AlignRight)};
    field->autoWidth = true;
    field->headerIsVisible = false;
    field->headerHeight = 7.5;
    field->rowHeight = 6;
    field->mModelName = "view";
    field->drawBorders = false;
    open(field);
    QCOMPARE(child<QPushButton>("pushButtonOk")->text(), QStringLiteral("Сохранить"));
    QVERIFY(!m_dialog->isNewField());
    QCOMPARE(table()->columnCount(), 3);
    QCOMPARE(table()->item(1, 0)->text(), QStringLiteral("12.5"));
    QCOMPARE(table()->item(1, 1)->text(), QStringLiteral("40"));
    QCOMPARE(table()->item(2, 2)->text(), QStringLiteral("$D{view.c2}"));
    QCOMPARE(qobject_cast<QComboBox *>(table()->cellWidget(3, 1))->currentText(),
             QStringLiteral("По центру"));
    QCOMPARE(qobject_cast<QComboBox *>(table()->cellWidget(3, 2))->currentText(),
             QStringLiteral("Справа"));
    QVERIFY(table()->isRowHidden(1));
    QVERIFY(table()->isRowHidden(0));
    QVERIFY(!child<QDoubleSpinBox>("headerHeightSpin")->isEnabled());
    QCOMPARE(child<QDoubleSpinBox>("headerHeightSpin")->value(), 7.5);
    QCOMPARE(child<QLineEdit>("modelNameLineEdit")->text(), QStringLiteral("view"));
    QVERIFY(!child<QCheckBox>("drawBordersCheckBox")->isChecked());

    QSignalSpy modified(m_dialog.data(), &EditTableFieldDialog::tableFieldModified);
    QSignalSpy created(m_dialog.data(), &EditTableFieldDialog::tableFieldCreated);
    clickOk();
    QCOMPARE(modified.count(), 1);
    QCOMPARE(created.count(), 0);
    QCOMPARE(field->columnsWidth, QVector<double>({12.5, 40, 33}));
    QCOMPARE(field->columnsAlign,
             QVector<quint8>({0, quint8(Qt::AlignHCenter), quint8(Qt::AlignRight)}));
    QVERIFY(field->autoWidth);
    QVERIFY(!field->headerIsVisible);
    QCOMPARE(field->rowHeight, 6.0);
    QVERIFY(!field->drawBorders);
    QVERIFY(!field->prepared);
    // The dialog closes itself after OK.
    QTRY_VERIFY(m_dialog.isNull());
}

void TestEditTableFieldDialog::shortListsStillOpen()
{
    m_page = std::make_unique<ReportPage>();
    TableField *field = DesignerTest::addTable(m_page.get(), 10, 10, {30, 30});
    field->columnCount = 4;
    open(field);
    QCOMPARE(table()->columnCount(), 4);
    clickOk();
    QCOMPARE(field->columnsWidth.size(), 4);
    QCOMPARE(field->headerNames.size(), 4);
    QCOMPARE(field->columnIds.size(), 4);
    QCOMPARE(field->columnsAlign.size(), 4);
}

void TestEditTableFieldDialog::wideTableKeepsEveryColumn_data()
{
    QTest::addColumn<int>("columns");

    QTest::newRow("21 columns") << 21;
    QTest::newRow("25 columns") << 25;
    QTest::newRow("255 columns, as many as a template holds") << 255;
}

void TestEditTableFieldDialog::wideTableKeepsEveryColumn()
{
    QFETCH(int, columns);

    m_page = std::make_unique<ReportPage>();
    QVector<double> widths;
    for (int c = 0; c < columns; ++c)
        widths << 5 + c % 7 * 0.5;
    TableField *field = DesignerTest::addTable(m_page.get(), 10, 10, widths);
    const QStringList headers = field->headerNames;
    const QStringList ids = field->columnIds;
    open(field);
    QCOMPARE(table()->columnCount(), columns);
    clickOk();
    QCOMPARE(int(field->columnCount), columns);
    QCOMPARE(field->columnsWidth, widths);
    QCOMPARE(field->headerNames, headers);
    QCOMPARE(field->columnIds, ids);
    QCOMPARE(field->columnsAlign.size(), columns);
}

void TestEditTableFieldDialog::deletedFieldClosesDialog()
{
    m_page = std::make_unique<ReportPage>();
    TableField *field = DesignerTest::addTable(m_page.get(), 10, 10, {30, 30});
    open(field);
    m_dialog->show();
    QSignalSpy created(m_dialog.data(), &EditTableFieldDialog::tableFieldCreated);
    m_page->fields.removeAll(field);
    delete field;
    QVERIFY(!m_dialog->tableField());
    // An OK that still arrives must neither touch the field nor make a new one.
    if (m_dialog)
        clickOk();
    QCOMPARE(created.count(), 0);
    QTRY_VERIFY(m_dialog.isNull());
}

void TestEditTableFieldDialog::cancelChangesNothing()
{
    m_page = std::make_unique<ReportPage>();
    TableField *field = DesignerTest::addTable(m_page.get(), 10, 10, {30, 30});
    open(field);
    table()->item(1, 0)->setText("55");
    QSignalSpy modified(m_dialog.data(), &EditTableFieldDialog::tableFieldModified);
    QTest::mouseClick(child<QPushButton>("pushButtonCancel"), Qt::LeftButton);
    QCOMPARE(modified.count(), 0);
    QCOMPARE(field->columnsWidth.at(0), 30.0);
    QTRY_VERIFY(m_dialog.isNull());
}

ZR_TEST_MAIN(TestEditTableFieldDialog)
#include "tst_edittablefielddialog.moc"
