#pragma once

#include "abstractfield.h"

#include <QAbstractItemModel>
#include <QMap>
#include <QMetaObject>
#include <QPointer>
#include <QStaticText>
#include <QStringList>
#include <QVector>

// Rows of a page model printed in columns, continuing in further blocks at other
// places of the blank; rows beyond the last block are cut off and reported.
class ZRREPORTLIB_EXPORT TableField : public AbstractField
{
    Q_OBJECT
public:
    explicit TableField(QObject *parent = nullptr);
    ~TableField() override;

    int type() const override;
    void prepare() override;
    void draw(QPainter *painter, double scale, double offset) override;
    bool overflows(double scale) override;
    void write(QDataStream &out) const override;
    void read(QDataStream &in) override;
    void readJson(const QJsonObject &json) override;
    void writeJson(QJsonObject &json) const override;

    bool bindModel();
    void setModelName(const QString &name);
    QString dataValue(const QString &title, int row) const;
    QString replaceDataExpressions(const QString &text, int row) const;
    void fillCells();
    // Pads every list to its count, so that nothing reads past an end.
    void normalizeLists();

    // More blocks than any blank has; a file asking for more is cut down to this.
    static constexpr int maxSplits = 1000;

    bool headerIsVisible = true;
    bool autoWidth = false;
    quint8 columnCount = 0;
    quint8 previewRowCount = 1;
    double headerHeight = 0;
    double rowHeight = 0;
    QVector<double> columnsWidth;
    QStringList headerNames;
    QStringList columnIds;
    QVector<quint8> columnsAlign;
    bool drawBorders = true;
    int splitsCount = 0;
    QVector<double> maxSplitHeight;
    QVector<double> splitX;
    QVector<double> splitY;
    QString mModelName;

    bool dataMode = false;
    double minColumnWidth = 10;
    quint16 rowsCount = 0;
    QVector<double> colWidths;
    QVector<double> rowHeights;
    double headerHeightUsed = 0;
    double totalHeight = 0;
    double totalWidth = 0;
    double scale = 0;
    QPointer<QAbstractItemModel> model;
    QMap<QString, int> columnIndex;
    QVector<QVector<QString>> cells;
    bool overflow = false;

private:
    struct RowPlace
    {
        int block;
        double top; // mm from the top of its block
    };
    // A cell's text laid out once and drawn from then on without shaping it again.
    struct CellText
    {
        QString source;
        int flags = -1;
        double width = -1;
        QStaticText text;
    };
    void drawCellText(
            QPainter *painter, const QRectF &rect, int flags, const QString &text, CellText &cache);
    // Lays the rows out at that scale, unless the last layout still holds.
    void layOutAt(double layoutScale);
    void layoutRowHeights();
    void layoutBlocks();
    void watchModel();
    double blockLeft(int block) const;
    double blockTop(int block) const;

    // Where each row goes; rows beyond placedRows did not fit.
    QVector<RowPlace> m_places;
    // The header's cells, then row by row; emptied by every layout.
    QVector<CellText> m_cellTexts;
    int m_placedRows = 0;
    bool m_cellsStale = true;
    double m_preparedScale = 0;
    QVector<QMetaObject::Connection> m_modelConnections;
};
