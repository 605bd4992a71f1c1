#pragma once

#include <QDialog>
#include <QList>

class EmptyStateWidget;

namespace Ui {
class DeletedDocumentsDialog;
}

// The bin: the documents deleted from the register, with who deleted them and when, to be
// put back or removed for good.
class DeletedDocumentsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DeletedDocumentsDialog(QWidget *parent = nullptr);
    ~DeletedDocumentsDialog() override;

    EmptyStateWidget *emptyState() const { return m_emptyState; }

signals:
    // The documents are back in the register.
    void documentsRestored(const QList<int> &ids);

public slots:
    void fillTable();
    void on_pushButtonRestore_clicked();
    void on_pushButtonDeleteForGood_clicked();
    void on_tableWidget_itemSelectionChanged();

private:
    QList<int> selectedIds() const;
    void tellFailure(const QString &text);

    Ui::DeletedDocumentsDialog *ui;
    EmptyStateWidget *m_emptyState = nullptr;
};
