#pragma once

#include <QByteArray>
#include <QString>

// The body of a feedback POST: application/x-www-form-urlencoded, UTF-8, keys "from" then
// "message". Every byte outside the unreserved set is percent-encoded, so "&", "=", "+",
// line breaks and any script arrive at a standard form handler as typed.
namespace FeedbackBody {

QByteArray encode(const QString &from, const QString &message);

} // namespace FeedbackBody
