#pragma once

#include <QDialog>

namespace Ui {
class OptionsDialog;
}

// The organisation's names, city and head as the printed certificates carry
// them; kept in the register's Variables table so they travel with it.
class OptionsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit OptionsDialog(QWidget *parent = nullptr);
    ~OptionsDialog() override;

signals:
    void updateOptions();

public slots:
    // False when the register did not take them (full disk, read-only, in use): then
    // nothing of them is stored.
    bool saveOptions();
    // False when the register could not be read: the fields are then left empty.
    bool loadOptions();

private slots:
    void on_pushButtonSave_clicked();
    void on_pushButtonCancel_clicked();

private:
    Ui::OptionsDialog *ui;
};
