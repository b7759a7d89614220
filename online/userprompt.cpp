#include "online/userprompt.h"

namespace {

UserPrompt::Responder &responderOverride()
{
    static UserPrompt::Responder responder;
    return responder;
}

} // namespace

namespace UserPrompt {

QMessageBox::StandardButton show(const Box &box)
{
    if (const Responder &responder = responderOverride())
        return responder(box);
    QMessageBox dialog(box.icon, box.title, box.text, box.buttons);
    // The texts carry what servers sent (a version, a reply, an error page): QMessageBox would
    // render anything that looks like markup, links and remote images included.
    dialog.setTextFormat(Qt::PlainText);
    return QMessageBox::StandardButton(dialog.exec());
}

void inform(const QString &title, const QString &text)
{
    show({ QMessageBox::Information, title, text, QMessageBox::Ok });
}

void setResponder(Responder responder)
{
    responderOverride() = std::move(responder);
}

} // namespace UserPrompt
