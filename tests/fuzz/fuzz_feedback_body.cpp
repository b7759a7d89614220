// The feedback body on any address and message: a standard form handler must read back exactly
// what was typed, and the body must hold nothing a form could misread.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QString>
#include <QUrl>

#include "online/feedbackbody.h"

namespace {

// What an application/x-www-form-urlencoded handler does with one value.
QString formDecoded(QByteArray value)
{
    value.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(value));
}

} // namespace

// Input: the address up to the first zero byte, then the message.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype zero = input.indexOf('\0');
    // Typed text is valid Unicode: round-trip it through UTF-16 as the form's widgets hold it.
    const QString from = QString::fromUtf8(zero < 0 ? input : input.left(zero));
    const QString message = QString::fromUtf8(zero < 0 ? QByteArray() : input.mid(zero + 1));

    const QByteArray body = FeedbackBody::encode(from, message);
    if (!body.startsWith("from=") || body.count('&') != 1 || body.count('=') != 2)
        abort();
    const qsizetype split = body.indexOf("&message=");
    if (split < 0)
        abort();
    for (const char c : body) {
        if (uchar(c) >= 0x80 || c == ' ' || c == '+' || c == '\n' || c == '\r' || c == '\0')
            abort();
    }
    if (formDecoded(body.mid(5, split - 5)) != from || formDecoded(body.mid(split + 9)) != message)
        abort();
    return 0;
}
