#pragma once

#include "database/registeraddress.h"

#include <QWidget>

namespace Ui {
class RegisterChoiceWidget;
}

// The choice of the register the program opens at its next start: the file on this
// computer or a database on a PostgreSQL server, with a check that the server can be
// reached under the address typed. No password is asked for: libpq reads it from its
// password file.
class RegisterChoiceWidget : public QWidget
{
    Q_OBJECT
public:
    explicit RegisterChoiceWidget(QWidget *parent = nullptr);
    ~RegisterChoiceWidget() override;

    // The choice as stored in the per-user settings.
    void load();
    // Only the server's fields, for naming a server rather than choosing between the two.
    void setServerOnly();
    // False with the reason in `error` when the server is chosen but its address is not
    // whole.
    bool isComplete(QString *error) const;
    // False when the settings file could not be written.
    bool save() const;

    bool serverChosen() const;
    RegisterAddress serverAddress() const;
    // What a connection of its own to `address` finds: the register, an empty database,
    // or why it did not connect.
    static QString connectionReport(const RegisterAddress &address);

private slots:
    void on_pushButtonCheckConnection_clicked();
    void on_pushButtonBrowseCaFile_clicked();

private:
    void showServer(const RegisterAddress &address);
    void updateEnabled();

    Ui::RegisterChoiceWidget *ui;
};
