#pragma once

#include <QDialog>
#include <QList>

class QLineEdit;

namespace Ui {
class OptionsDialog;
}

// The organisation's names, city and head as the printed certificates carry
// them (OrganisationData), with the history of their changes.
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
    void on_pushButtonHistory_clicked();

private:
    // The edits of OrganisationData::fields(), in their order.
    QList<QLineEdit *> fieldEdits() const;

    Ui::OptionsDialog *ui;
};
