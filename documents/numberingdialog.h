#pragma once

#include "documents/documentstore.h"
#include "documents/registernumbers.h"

#include <QDialog>
#include <QList>
#include <QVector>
#include <memory>

namespace Ui {
class NumberingDialog;
}

// Certificate and registration numbers for many documents at once: from the first ones the
// user types, one after another in the order given, with a preview of what each document
// gets; refused while a new number is one another document holds.
class NumberingDialog : public QDialog
{
    Q_OBJECT
public:
    NumberingDialog(const QList<int> &ids, QWidget *parent = nullptr);
    ~NumberingDialog() override;

    // What each document would get now; empty while the first numbers give nothing to assign.
    QVector<DocumentStore::NumberChange> changes() const;
    // Why nothing can be assigned yet: numbers without digits, numbers other documents hold.
    QStringList problems() const { return m_problems; }

signals:
    void numbersAssigned(const QList<int> &ids);

public slots:
    void accept() override;

private slots:
    void on_lineEditNumber_textChanged(const QString &text);
    void on_lineEditRegNumber_textChanged(const QString &text);

private:
    struct Document
    {
        int id;
        QString name;
        QString number;
        QString regNumber;
    };
    void showPreview();
    void tell(const QString &title, const QString &text, const QStringList &lines = {});

    std::unique_ptr<Ui::NumberingDialog> ui;
    QVector<Document> m_documents;
    // Asked for but not read: the register refused them.
    int m_unreadable = 0;
    RegisterNumbers m_numbers;
    QStringList m_problems;
};
