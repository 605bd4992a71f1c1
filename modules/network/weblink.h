#pragma once

#include <QString>
#include <QUrl>

// Links that arrive from the network are opened in the browser only when they
// are web pages: a file: or javascript: link must never reach the desktop.
namespace WebLink {
bool isWebAddress(const QUrl &url);
// Opens the link in the system browser; false (and a log line) when refused.
bool open(const QString &link);
} // namespace WebLink
