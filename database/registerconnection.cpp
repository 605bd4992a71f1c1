#include "registerconnection.h"

#include "app/debuglog.h"
#include "registerengine.h"

#include <QAtomicInt>
#include <QSqlError>

namespace {

QString freshName()
{
    // Connections are made in more than one thread.
    static QAtomicInt made;
    return QStringLiteral("register-%1").arg(made.fetchAndAddRelaxed(1) + 1);
}

void removeConnection(const QString &name)
{
    if (!QSqlDatabase::contains(name))
        return;
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

} // namespace

RegisterConnection::RegisterConnection(const RegisterEngine &engine,
                                       const QString &location,
                                       Access access,
                                       const QString &name)
    : m_engine(engine)
    , m_location(location)
    , m_name(name.isEmpty() ? freshName() : name)
{
    removeConnection(m_name);
    QSqlDatabase db = QSqlDatabase::addDatabase(engine.driverName(), m_name);
    engine.configure(db, location, access == Access::ReadOnly);
}

RegisterConnection::~RegisterConnection()
{
    removeConnection(m_name);
}

QString RegisterConnection::programConnectionName()
{
    return QString::fromLatin1(QSqlDatabase::defaultConnection);
}

RegisterFailure RegisterConnection::open()
{
    QSqlDatabase db = database();
    if (db.isOpen())
        return {};
    if (db.open()) {
        m_engine.opened(db);
        return {};
    }
    ZR_LOG() << "cant open database" << m_location << db.lastError().text();
    return failureOf(db.lastError());
}

void RegisterConnection::close()
{
    database().close();
}

bool RegisterConnection::isOpen() const
{
    return database().isOpen();
}

QSqlDatabase RegisterConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

RegisterFailure RegisterConnection::failureOf(const QSqlError &error) const
{
    return m_engine.failureOf(error, m_location);
}
