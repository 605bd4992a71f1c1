#pragma once

#include "zrreportlib_export.h"

#include <QDockWidget>
#include <QPointer>
#include <memory>

class QTableWidget;
class ReportPage;

namespace Ui {
class DataManagerDockWidget;
}

// The report variables and model columns with a sample value each; rows are dragged
// onto fields of the canvas to insert their expressions.
class ZRREPORTLIB_EXPORT DataManagerDockWidget : public QDockWidget
{
    Q_OBJECT
public:
    explicit DataManagerDockWidget(QWidget *parent = nullptr);
    ~DataManagerDockWidget() override;

    QSize sizeHint() const override;
    void setReportPage(ReportPage *page);
    QTableWidget *table() const;

public slots:
    void updateTable();

private slots:
    void resizeChildren();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    quint16 m_preferredWidth = 400;
    std::unique_ptr<Ui::DataManagerDockWidget> ui;
    QPointer<ReportPage> m_page;
};
