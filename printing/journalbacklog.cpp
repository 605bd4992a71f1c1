#include "journalbacklog.h"

#include "app/debuglog.h"
#include "database/database.h"

#include "ZrReport/filereplacement.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString stampFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QJsonObject toJson(const PrintJournal::Change &change)
{
    const PrintJournal::Entry &entry = change.entry;
    return {{"kind", int(change.kind)},
            {"id", change.id},
            {"psId", entry.documentId},
            {"fio", entry.fio},
            {"form", entry.form},
            {"number", entry.number},
            {"printedAt", entry.printedAt.toString(stampFormat)},
            {"printer", entry.printer},
            {"pages", entry.pages},
            {"cancelled", entry.outcome == PrintJournal::Outcome::Cancelled},
            {"file", entry.output == PrintJournal::Output::File},
            {"spoiledReason", entry.spoiledReason},
            {"spoiledAt", entry.spoiledAt.toString(stampFormat)}};
}

PrintJournal::Change fromJson(const QJsonObject &json)
{
    PrintJournal::Change change;
    change.kind = PrintJournal::Change::Kind(qBound(0, json.value("kind").toInt(), 2));
    change.id = json.value("id").toInt();
    PrintJournal::Entry &entry = change.entry;
    entry.documentId = json.value("psId").toInt();
    entry.fio = json.value("fio").toString();
    entry.form = json.value("form").toInt();
    entry.number = json.value("number").toString();
    entry.printedAt = QDateTime::fromString(json.value("printedAt").toString(), stampFormat);
    entry.printer = json.value("printer").toString();
    entry.pages = json.value("pages").toInt();
    entry.outcome = json.value("cancelled").toBool() ? PrintJournal::Outcome::Cancelled
                                                     : PrintJournal::Outcome::Printed;
    entry.output = json.value("file").toBool() ? PrintJournal::Output::File
                                               : PrintJournal::Output::Printer;
    entry.spoiledReason = json.value("spoiledReason").toString();
    entry.spoiledAt = QDateTime::fromString(json.value("spoiledAt").toString(), stampFormat);
    return change;
}

} // namespace

JournalBacklog &JournalBacklog::instance()
{
    static JournalBacklog backlog;
    return backlog;
}

QString JournalBacklog::fileName()
{
    return Database::userPath() + QStringLiteral("/print-journal-backlog.json");
}

int JournalBacklog::count() const
{
    load();
    return m_changes.size();
}

void JournalBacklog::load() const
{
    if (m_loaded)
        return;
    m_loaded = true;
    QFile file(fileName());
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        ZR_LOG() << "print journal backlog not read" << file.fileName() << file.errorString();
        return;
    }
    for (const QJsonValue &value : QJsonDocument::fromJson(file.readAll()).array())
        m_changes << fromJson(value.toObject());
}

void JournalBacklog::save()
{
    const QString path = fileName();
    if (m_changes.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path))
            ZR_LOG() << "print journal backlog not removed" << path;
        return;
    }
    QJsonArray changes;
    for (const PrintJournal::Change &change : qAsConst(m_changes))
        changes << toJson(change);
    const QByteArray bytes = QJsonDocument(changes).toJson(QJsonDocument::Compact);
    FileReplacement file(path);
    file.setExpectedSize(bytes.size());
    if (!file.open() || file.device()->write(bytes) != bytes.size() || !file.commit())
        ZR_LOG() << "print journal backlog not saved" << path << file.errorString();
}

void JournalBacklog::keep(QList<PrintJournal::Change> &changes, const QString &reason)
{
    load();
    // A key is never given twice in a run: a row written since may still be referred to.
    int key = -1;
    for (const PrintJournal::Change &kept : qAsConst(m_changes))
        key = qMin(key, kept.id - 1);
    for (auto written = m_written.cbegin(); written != m_written.cend(); ++written)
        key = qMin(key, written.key() - 1);
    for (PrintJournal::Change &change : changes) {
        if (change.kind == PrintJournal::Change::Kind::Add)
            change.id = key--;
        m_changes << change;
    }
    if (!reason.isEmpty())
        m_reason = reason;
    ZR_LOG() << "print journal: kept to write later" << changes.size() << m_reason;
    save();
    emit changed();
}

bool JournalBacklog::retry()
{
    load();
    if (m_changes.isEmpty())
        return true;
    QList<PrintJournal::Change> changes = m_changes;
    QString error;
    if (!PrintJournal::writeNow(changes, &error)) {
        m_reason = error;
        emit changed();
        return false;
    }
    for (int i = 0; i < changes.size(); ++i) {
        if (m_changes.at(i).kind == PrintJournal::Change::Kind::Add)
            m_written.insert(m_changes.at(i).id, changes.at(i).id);
    }
    m_changes.clear();
    save();
    emit changed();
    return true;
}
