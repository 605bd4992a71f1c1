#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Where the blank forms' templates come from. A file register prints from the data
// folder's "reports" files; a server register keeps the templates in the register, and
// the files are only this workstation's copies of them.
namespace SharedTemplates {
// The file to read form `type`'s template from: on a server register, the data folder's
// file made the same as the register's template first, or the shipped template when
// the register holds none for the form. Empty, with the reason for the user, when the
// register's template cannot be had.
QString fileToRead(int type, QString *error);
// Saves the template of form `type` that the designer edits at `path`: into the register
// and then into the file. False with the reason for the user; nothing is changed then.
bool save(int type, const QByteArray &content, const QString &path, QString *error);
// The data folder's template files there are, by form.
QMap<QString, QByteArray> dataFolderFiles();
} // namespace SharedTemplates
