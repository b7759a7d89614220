#include "online/feedback.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "library/logcategories.h"
#include "online/feedbackbody.h"
#include "online/onlineservices.h"
#include "online/replylimit.h"
#include "online/replyfailure.h"
#include "online/userprompt.h"

namespace {

QGroupBox *groupAround(const QString &title, QWidget *field, QWidget *parent)
{
    auto *group = new QGroupBox(title, parent);
    auto *layout = new QHBoxLayout(group);
    layout->addWidget(field);
    return group;
}

} // namespace

Feedback::Feedback(QWidget *parent)
    : QDialog(parent)
    , messageEdit(new QTextEdit(this))
    , manager(new QNetworkAccessManager(this))
    , addressEdit(new QLineEdit(this))
    , addressGroup(groupAround(tr("Email Address(Optional):"), addressEdit, this))
    , messageGroup(groupAround(tr("Feedback Message:"), messageEdit, this))
    , cancelButton(new QPushButton(tr("&cancel"), this))
    , sendButton(new QPushButton(tr("&send"), this))
{
    messageEdit->setObjectName(QStringLiteral("messageEdit"));
    addressEdit->setObjectName(QStringLiteral("addressEdit"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    sendButton->setObjectName(QStringLiteral("sendButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(sendButton);
    buttons->addWidget(cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(addressGroup);
    layout->addWidget(messageGroup);
    layout->addLayout(buttons, 4);

    // Enter in the address field sends; it must not cancel and lose the typed message.
    sendButton->setDefault(true);
    // Tab leaves the message box (a feedback text needs no tab characters), and the form
    // is filled in from the top: address, message, then the buttons.
    messageEdit->setTabChangesFocus(true);
    setTabOrder(addressEdit, messageEdit);
    setTabOrder(messageEdit, sendButton);
    setTabOrder(sendButton, cancelButton);
    addressEdit->setFocus();

    connect(cancelButton, &QPushButton::clicked, this, &Feedback::cancel);
    connect(sendButton, &QPushButton::clicked, this, &Feedback::send);
    connect(manager, &QNetworkAccessManager::finished, this, &Feedback::networkRequestFisnished);

    setWindowTitle(tr("Send BETA Feedback"));
    resize(300, 300);
}

void Feedback::cancel()
{
    reject();
}

void Feedback::send()
{
    QNetworkRequest request(OnlineServices::feedbackUrl());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(int(OnlineServices::transferTimeout().count()));
    QNetworkReply *reply = manager->post(request, FeedbackBody::encode(addressEdit->text(), messageEdit->toPlainText()));
    ReplyLimit::watch(reply, kMaxReplyBytes);
}

void Feedback::networkRequestFisnished(QNetworkReply *pReply)
{
    pReply->deleteLater();
    // A request that timed out is closed; it has no answer to read.
    const QByteArray body = pReply->isOpen() ? pReply->readAll() : QByteArray();
    qCDebug(lcOnline) << body;
    const qsizetype zero = body.indexOf('\0');
    const QString answer = QString::fromUtf8(zero < 0 ? body : body.left(zero));

    // An error page that happens to start with "Your" is still an error. The form stays
    // open with its text either way, so the user can send again.
    const QString failure = ReplyFailure::describe(*pReply);
    if (!failure.isEmpty()) {
        QString text = tr("The feedback was not sent. %1").arg(failure);
        if (!answer.isEmpty())
            text += QStringLiteral("\n\n") + answer;
        UserPrompt::show({ QMessageBox::Warning, tr("Send"), text, QMessageBox::Ok });
        return;
    }
    UserPrompt::inform(tr("Send"),
        answer.isEmpty() ? tr("The feedback server gave no answer; your message may not have arrived.")
                         : answer);
    if (body.startsWith("Your"))
        accept();
}
