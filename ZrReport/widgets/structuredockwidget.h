#pragma once

#include "abstractfield.h"
#include "zrreportlib_export.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QFont>
#include <QPointer>
#include <QPushButton>
#include <memory>

class QTableWidget;
class QTableWidgetItem;
class ReportPage;

namespace Ui {
class StructureDockWidget;
}

// Which table the property dock shows.
enum class StructureType { Page = 1, Field = 2 };

// Properties of the selected field, or of the page when nothing is selected, as a
// two-column table whose cells edit the members in place.
class ZRREPORTLIB_EXPORT StructureDockWidget : public QDockWidget
{
    Q_OBJECT
public:
    enum FieldRow {
        FontRow = 0,
        TextRow = 1,
        XRow = 2,
        YRow = 3,
        WidthRow = 4,
        HeightRow = 5,
        HAlignRow = 6,
        VAlignRow = 7,
        WordWrapRow = 8,
        ContentsRow = 9,
        PreviewRowsRow = 10,
        IndentRow = 11,
        LineHeightRow = 12,
        StrokeRow = 13,
        FieldRowCount = 14
    };
    enum PageRow {
        DefaultFontRow = 0,
        PaperSizeRow = 1,
        OrientationRow = 2,
        PrintBackgroundRow = 3,
        PagesCountRow = 4,
        PageRowCount = 5
    };

    explicit StructureDockWidget(QWidget *parent = nullptr);
    ~StructureDockWidget() override;

    QSize sizeHint() const override;
    // The width that shows every name and value in full (a long text excepted, which
    // scrolls), at the fonts and style in use.
    int neededWidth() const;
    void setReportPage(ReportPage *page);
    bool setFontInfoToCell(QTableWidgetItem *item, const QFont &font);

    QTableWidget *fieldTable() const { return m_fieldTable; }
    QTableWidget *pageTable() const { return m_pageTable; }
    AbstractField *currentField() const { return m_field.data(); }
    StructureType structureType() const { return m_type; }
    QComboBox *hAlignCombo() const { return m_hAlign.data(); }
    QComboBox *vAlignCombo() const { return m_vAlign.data(); }
    QComboBox *orientationCombo() const { return m_orientation.data(); }
    QComboBox *pagesCountCombo() const { return m_pagesCount.data(); }
    QComboBox *pageSizeCombo() const { return m_pageSize.data(); }
    QCheckBox *printBackgroundCheckBox() const { return m_printBackground.data(); }
    QCheckBox *wordWrapCheckBox() const { return m_wordWrap.data(); }
    QCheckBox *strokeCheckBox() const { return m_stroke.data(); }
    QPushButton *editButton() const { return m_editButton.data(); }

signals:
    void fieldUpdated();
    void pageUpdated();

public slots:
    void onFieldChanged(AbstractField *field);
    void onTblFieldItemChanged(QTableWidgetItem *item);
    void onTblDocItemChanged(QTableWidgetItem *item);
    void onAlignCombosChanged();
    void onTypeChanged(StructureType structureType);

private slots:
    void resizeChildren();
    void onTblWidget_cellDoubleClicked(int row, int column);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QTableWidget *newTable(int rows);
    void buildFieldTable();
    void buildPageTable();
    void setCellText(int row, const QString &text);
    void editTableField();
    int valueWidth(const QTableWidget *table, int row) const;
    int valuesWidth(const QTableWidget *table) const;

    quint16 m_preferredWidth = 400;
    std::unique_ptr<Ui::StructureDockWidget> ui;
    QTableWidget *m_fieldTable = nullptr;
    QTableWidget *m_pageTable = nullptr;
    QPointer<ReportPage> m_page;
    // Guarded: the designer may delete the field while the dock shows it.
    QPointer<AbstractField> m_field;
    bool m_filling = false;
    QFont m_font;
    QPointer<QComboBox> m_vAlign;
    QPointer<QComboBox> m_hAlign;
    QPointer<QComboBox> m_orientation;
    QPointer<QCheckBox> m_printBackground;
    QPointer<QCheckBox> m_wordWrap;
    QPointer<QCheckBox> m_stroke;
    QPointer<QPushButton> m_editButton;
    QPointer<QComboBox> m_pagesCount;
    QPointer<QComboBox> m_pageSize;
    StructureType m_type = StructureType::Field;
};
