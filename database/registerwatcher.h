#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

// Tells when another workstation changed the register's documents. A server register
// sends a notification on every change of its documents (the rules of its schema); a
// file register has no one else to hear from. A burst of changes (an import, a
// numbering) is told once. It also asks the server every few seconds whether it is
// there, and when it was not, connects again as soon as it answers.
class RegisterWatcher : public QObject
{
    Q_OBJECT
public:
    static RegisterWatcher *instance();
    // Listens on the program's connection, when its engine can tell (again after the
    // connection was opened anew); harmless on one that cannot.
    void watch();

    bool connectionLostNow() const { return m_lost; }

public slots:
    // Tries the server now; the program's connection is opened anew once it answers.
    void reconnect();

signals:
    // The documents whose fields another workstation changed; none when documents were
    // added, removed or moved into the bin, and when what changed is not known, for which
    // the whole register is read anew.
    void documentsChangedElsewhere(const QList<int> &changed);
    void journalChangedElsewhere();
    void connectionLost(const QString &why);
    void connectionRestored();

private:
    RegisterWatcher();
    bool subscribe();
    void onNotification(const QString &name, int source, const QString &payload);
    void onBurstOver();
    void onHeartbeat();

    QTimer m_burst;
    QTimer m_journalBurst;
    // What the notifications of the present burst named: documents by id, or every row.
    QSet<int> m_changed;
    bool m_everyRow = false;
    QTimer m_heartbeat;
    bool m_lost = false;
};
