#pragma once

#include <QObject>
#include <QTimer>

// Tells when another workstation changed the register's documents. A server register
// sends a notification on every change of its documents (the rules of its schema); a
// file register has no one else to hear from. A burst of changes (an import, a
// numbering) is told once.
class RegisterWatcher : public QObject
{
    Q_OBJECT
public:
    static RegisterWatcher *instance();
    // Listens on the program's connection, when its engine can tell (again after the
    // connection was opened anew); harmless on one that cannot.
    void watch();

signals:
    void documentsChangedElsewhere();

private:
    RegisterWatcher();
    void onNotification(const QString &name, int source);

    QTimer m_burst;
};
