#pragma once

#include <QDialog>

namespace Ui {
class OrganisationHistoryDialog;
}

// "История изменений" of the organisation's data: every save newest first, with when, who
// and what changed.
class OrganisationHistoryDialog : public QDialog
{
    Q_OBJECT
public:
    explicit OrganisationHistoryDialog(QWidget *parent = nullptr);
    ~OrganisationHistoryDialog() override;

private slots:
    void on_pushButtonClose_clicked();

private:
    void fillChanges();

    Ui::OrganisationHistoryDialog *ui;
};
