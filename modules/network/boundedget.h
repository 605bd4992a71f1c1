#pragma once

#include <QtGlobal>

class QNetworkAccessManager;
class QNetworkReply;
class QString;
class QUrl;

// A GET from our web server whose answer is bounded in size and in time, so that a broken
// or hostile server can neither fill the memory nor hold a request open for ever. Qt's
// transfer timeout only measures silence, which one byte a second never reaches; this
// deadline counts from the request. A reply past a limit is aborted and finishes with
// OperationCanceledError.
namespace BoundedGet {
constexpr int defaultDeadlineMs = 30 * 1000;

QNetworkReply *start(QNetworkAccessManager *manager, const QUrl &url, qint64 maxBytes);
// Which limit ended the reply, for the debug log; empty when none did.
QString cutReason(const QNetworkReply *reply);
// For the requests started afterwards; tests shorten it.
void setDeadline(int milliseconds);
} // namespace BoundedGet
