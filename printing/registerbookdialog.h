#pragma once

#include <QDate>
#include <QDialog>
#include <memory>

namespace Ui {
class RegisterBookDialog;
}

// Saves the register book of a period as a PDF or a CSV file.
class RegisterBookDialog : public QDialog
{
    Q_OBJECT
public:
    explicit RegisterBookDialog(QWidget *parent = nullptr);
    ~RegisterBookDialog() override;

    QDate from() const;
    QDate to() const;

private slots:
    void on_pushButtonPdf_clicked();
    void on_pushButtonCsv_clicked();
    void on_pushButtonClose_clicked();

private:
    void showCount();
    void save(const QString &suffix, const QString &filter);

    std::unique_ptr<Ui::RegisterBookDialog> ui;
};
