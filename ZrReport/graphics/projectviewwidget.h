#pragma once

#include "zrreportlib_export.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class AbstractField;
class MyGraphicsScene;
class MyGraphicsView;
class ReportPage;

namespace Ui {
class ProjectViewWidget;
}

// The designer's central widget: one scene of the page and the view on it.
class ZRREPORTLIB_EXPORT ProjectViewWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ProjectViewWidget(ReportPage *page, QWidget *parent = nullptr);
    ~ProjectViewWidget() override;

    void addAndSelectField(AbstractField *field);
    void refreshView();
    MyGraphicsScene *graphicsScene() const;
    MyGraphicsView *graphicsView() const;

public slots:
    void on_zoomIn();
    void on_zoomOut();
    void setReportPage(ReportPage *rp);
    void resizeChildren();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    std::unique_ptr<Ui::ProjectViewWidget> ui;
    QPointer<MyGraphicsScene> m_scene;
    QPointer<MyGraphicsView> m_view;
};
