#pragma once

#include <QString>

class QNetworkReply;

// Why a finished request did not get the answer it asked for, in words for the user:
// the connection was refused, timed out, failed its TLS handshake, the server answered
// with an HTTP error status, and so on. Empty when the request succeeded.
namespace ReplyFailure {

QString describe(const QNetworkReply &reply);

} // namespace ReplyFailure
