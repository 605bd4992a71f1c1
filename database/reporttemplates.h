#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

class QSqlDatabase;
class QSqlError;

// The blank forms' templates kept in the register (table ReportTemplates), so that every
// workstation of a server register prints on the same ones. A row holds a template's
// bytes as the designer wrote them.
namespace ReportTemplates {
// False (logged, the driver's failure in `failure` when given) when the table could not
// be read; a form without a row gives a null `content`.
bool read(const QSqlDatabase &db, const QString &id, QByteArray *content, QSqlError *failure);
// Stores the template of form `id` in place of the one there was, in one statement: the
// row is the old one or the new one whole. False with the driver's failure.
bool write(const QSqlDatabase &db,
           const QString &id,
           const QByteArray &content,
           QSqlError *failure);
// Writes the templates (by form) and reads each back: false with the reason when one is
// not there byte for byte.
bool writeAll(const QSqlDatabase &db, const QMap<QString, QByteArray> &templates, QString *error);
// Whether the register has the table at all (one made before it, not yet upgraded by the
// server database's owner, has not).
bool kept(const QSqlDatabase &db);
} // namespace ReportTemplates
