#include "online/feedbackbody.h"

#include <QUrl>

namespace FeedbackBody {

QByteArray encode(const QString &from, const QString &message)
{
    // QUrlQuery would leave "+" as is, which a form handler reads as a space.
    return QByteArrayLiteral("from=") + QUrl::toPercentEncoding(from) + QByteArrayLiteral("&message=")
        + QUrl::toPercentEncoding(message);
}

} // namespace FeedbackBody
