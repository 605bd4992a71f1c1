#pragma once

#include "printing/reportlist.h"

#include <QDialog>
#include <memory>

class QGraphicsPixmapItem;
class QGraphicsScene;
class QListWidgetItem;

namespace Ui {
class PrintDialog;
}

// Chooses the blank form to print on (or, in the template-chooser mode, the template
// to edit) and whether to print its background; it does not print itself.
class PrintDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PrintDialog(QWidget *parent = nullptr);
    ~PrintDialog() override;

    void setEditTemplateMode();
    // Makes the certificate for the documents' pupils current when they are all boys or all
    // girls; the first form stays current otherwise.
    void preselectFor(const QList<int> &ids);

    double currentScale() const { return m_currentScale; }

protected:
    void hideEvent(QHideEvent *event) override;

signals:
    void reportTypeSelected(ReportList::ReportType type, bool printBackground);

private slots:
    void on_pushButtonCancel_clicked();
    void on_pushButtonPrint_clicked();
    void on_listWidget_itemDoubleClicked(QListWidgetItem *item);
    void on_listWidget_currentItemChanged(QListWidgetItem *current, QListWidgetItem *previous);
    void on_pushButtonScalePlus_clicked();
    void on_pushButtonScaleMinus_clicked();
    void on_checkBoxPreview_toggled(bool checked);

private:
    void showPreview(QListWidgetItem *item);
    void acceptItem(QListWidgetItem *item);

    std::unique_ptr<Ui::PrintDialog> ui;
    std::unique_ptr<QGraphicsScene> m_scene;
    QGraphicsPixmapItem *m_pixmapItem = nullptr;
    double m_scaleStep = 1.2;
    double m_currentScale = 1.0;
};
