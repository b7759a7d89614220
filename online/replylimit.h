#pragma once

#include <QtGlobal>

class QNetworkReply;

// Every answer from a server is read into memory; this bounds how much a server can make us hold.
namespace ReplyLimit {

// Aborts the reply (error OperationCanceledError) once it announces or delivers more than
// maxBytes, while the body streams in, so that an endless or oversized answer never fills the
// memory.
void watch(QNetworkReply *reply, qint64 maxBytes);

// Whether watch() aborted the reply for its size (rather than a timeout or the network).
bool exceeded(const QNetworkReply &reply);

} // namespace ReplyLimit
