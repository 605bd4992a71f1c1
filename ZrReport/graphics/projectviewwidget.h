#pragma once

#include "zrreportlib_export.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class AbstractField;
class MyGraphicsScene;
class MyGraphicsView;
class ReportPage;
class RulerWidget;

namespace Ui {
class ProjectViewWidget;
}

// The designer's central widget: one scene of the page, the view on it and millimetre
// rulers along its top and left.
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
    RulerWidget *topRuler() const;
    RulerWidget *leftRuler() const;

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
    QPointer<RulerWidget> m_topRuler;
    QPointer<RulerWidget> m_leftRuler;
};
