#pragma once

#include <QDialog>

class EmptyStateWidget;

namespace Ui {
class SelectTemplateDialog;
}

// First step of a new document: start empty or from a template, and keep the
// templates (rows of PsDocuments with isTemplate = 1) in order.
class SelectTemplateDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SelectTemplateDialog(QWidget *parent = nullptr);
    ~SelectTemplateDialog() override;

signals:
    // 0 asks for an empty document.
    void psIdSelected(int psId);
    void editTemplate(int psId);
    void newTemplate();

public slots:
    void fillListWidget();
    void on_pushButtonCreateEmpty_clicked();
    void on_pushButtonCreateWithTemplate_clicked();
    void on_pushButtonNewTempl_clicked();
    void on_pushButtonEditTempl_clicked();
    void on_pushButtonDeleteTempl_clicked();
    void on_listWidget_currentRowChanged(int currentRow);
    void on_pushButtonCopyTempl_clicked();

    EmptyStateWidget *emptyState() const { return m_emptyState; }

private:
    int currentTemplateId() const;
    // The new template's id, or 0 when nothing was stored.
    static int copyTemplate(int id);

    Ui::SelectTemplateDialog *ui;
    EmptyStateWidget *m_emptyState = nullptr;
};
