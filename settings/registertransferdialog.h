#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class RegisterTransferDialog;
}

// "Перенести реестр на сервер...": the register file of this computer copied into an
// empty database on a PostgreSQL server, every table compared afterwards. The file is
// only read, and the program goes on working with it until the server is chosen in the
// register settings.
class RegisterTransferDialog : public QDialog
{
    Q_OBJECT
public:
    explicit RegisterTransferDialog(QWidget *parent = nullptr);
    ~RegisterTransferDialog() override;

private slots:
    void on_buttonBox_accepted();

private:
    std::unique_ptr<Ui::RegisterTransferDialog> ui;
};
