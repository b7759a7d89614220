#include <QtTest>

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "online/feedback.h"
#include "online/onlineservices.h"
#include "online/userprompt.h"
#include "tst_online_server.h"

using namespace std::chrono_literals;

class TestOnlineFeedback : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void form();
    void bodyReachesFormHandler_data();
    void bodyReachesFormHandler();
    void replyDecidesClosing_data();
    void replyDecidesClosing();
    void eachPressSendsOneRequest();
    void failedSendSaysWhy_data();
    void failedSendSaysWhy();
    void cancelCloses();
    void keyboardFollowsTheForm();

private:
    // A shown form posting to the given server, with the fields filled in.
    std::unique_ptr<Feedback> openForm(const QString &from, const QString &message);
    void send(Feedback &form);

    QList<UserPrompt::Box> boxes;
};

void TestOnlineFeedback::initTestCase()
{
    OnlineServices::setTransferTimeout(1000ms);
    UserPrompt::setResponder([this](const UserPrompt::Box &box) {
        boxes.append(box);
        return QMessageBox::Ok;
    });
}

void TestOnlineFeedback::init()
{
    boxes.clear();
}

void TestOnlineFeedback::cleanup()
{
    OnlineServices::setBaseUrl(QUrl());
}

std::unique_ptr<Feedback> TestOnlineFeedback::openForm(const QString &from, const QString &message)
{
    auto form = std::make_unique<Feedback>();
    form->findChild<QLineEdit *>(QStringLiteral("addressEdit"))->setText(from);
    form->findChild<QTextEdit *>(QStringLiteral("messageEdit"))->setPlainText(message);
    form->show();
    return form;
}

void TestOnlineFeedback::send(Feedback &form)
{
    form.findChild<QPushButton *>(QStringLiteral("sendButton"))->click();
}

void TestOnlineFeedback::form()
{
    Feedback form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Send BETA Feedback"));
    QCOMPARE(form.size(), QSize(300, 300));
    QVERIFY(!form.isModal());

    auto *layout = qobject_cast<QVBoxLayout *>(form.layout());
    QVERIFY(layout);
    QCOMPARE(layout->count(), 3);
    auto *addressGroup = qobject_cast<QGroupBox *>(layout->itemAt(0)->widget());
    auto *messageGroup = qobject_cast<QGroupBox *>(layout->itemAt(1)->widget());
    QVERIFY(addressGroup && messageGroup);
    QCOMPARE(addressGroup->title(), QStringLiteral("Email Address(Optional):"));
    QCOMPARE(messageGroup->title(), QStringLiteral("Feedback Message:"));
    QVERIFY(qobject_cast<QHBoxLayout *>(addressGroup->layout()));
    QCOMPARE(addressGroup->layout()->itemAt(0)->widget(), form.findChild<QLineEdit *>(QStringLiteral("addressEdit")));
    QCOMPARE(messageGroup->layout()->itemAt(0)->widget(), form.findChild<QTextEdit *>(QStringLiteral("messageEdit")));

    auto *buttons = qobject_cast<QHBoxLayout *>(layout->itemAt(2)->layout());
    QVERIFY(buttons);
    QCOMPARE(layout->stretch(2), 4);
    QCOMPARE(buttons->count(), 3);
    QVERIFY(buttons->itemAt(0)->spacerItem());
    QCOMPARE(qobject_cast<QPushButton *>(buttons->itemAt(1)->widget())->text(), QStringLiteral("&send"));
    QCOMPARE(qobject_cast<QPushButton *>(buttons->itemAt(2)->widget())->text(), QStringLiteral("&cancel"));
}

void TestOnlineFeedback::bodyReachesFormHandler_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("exactBody"); // checked when not empty

    QTest::newRow("empty address") << QString() << QStringLiteral("Hi") << QByteArray("from=&message=Hi");
    QTest::newRow("x and Hi") << QStringLiteral("x") << QStringLiteral("Hi") << QByteArray("from=x&message=Hi");
    QTest::newRow("two lines") << QStringLiteral("me@example.org") << QStringLiteral("first line\nsecond line")
                               << QByteArray();
    QTest::newRow("& and =") << QStringLiteral("a&b=c") << QStringLiteral("rate=1.5&bpm=90 & more") << QByteArray();
    QTest::newRow("plus") << QStringLiteral("me+beta@example.org") << QStringLiteral("C++ rocks, 1+1=2")
                          << QByteArray();
    QTest::newRow("UTF-8") << QStringLiteral("jürgen@例え.jp") << QStringLiteral("Grüße — ça marche! 日本語 🎧")
                           << QByteArray();
}

void TestOnlineFeedback::bodyReachesFormHandler()
{
    QFETCH(QString, from);
    QFETCH(QString, message);
    QFETCH(QByteArray, exactBody);

    TestHttpServer server;
    OnlineServices::setBaseUrl(server.baseUrl());
    auto form = openForm(from, message);
    send(*form);
    QTRY_COMPARE(boxes.size(), 1);

    QCOMPARE(server.feedbackBodies.size(), 1);
    const QByteArray body = server.feedbackBodies.first();
    if (!exactBody.isEmpty())
        QCOMPARE(body, exactBody);
    QVERIFY(body.startsWith("from="));
    QCOMPARE(server.feedbackContentType, QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(formValue(body, QStringLiteral("from")), from);
    QCOMPARE(formValue(body, QStringLiteral("message")), message);
}

void TestOnlineFeedback::replyDecidesClosing_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("closes");

    QTest::newRow("Your") << QByteArray("Your feedback has been received.") << 200
                          << QStringLiteral("Your feedback has been received.") << true;
    QTest::newRow("just Your") << QByteArray("Your") << 200 << QStringLiteral("Your") << true;
    QTest::newRow("lower-case your") << QByteArray("your feedback arrived") << 200
                                     << QStringLiteral("your feedback arrived") << false;
    QTest::newRow("space before Your") << QByteArray(" Your feedback arrived") << 200
                                       << QStringLiteral(" Your feedback arrived") << false;
    QTest::newRow("other text") << QByteArray("Message too short.") << 200 << QStringLiteral("Message too short.")
                                << false;
    QTest::newRow("empty answer") << QByteArray() << 200
                                  << QStringLiteral("The feedback server gave no answer; your message may not have arrived.")
                                  << false;
    QTest::newRow("text ends at a zero byte") << QByteArray("Your message\0hidden", 19) << 200
                                              << QStringLiteral("Your message") << true;
    QTest::newRow("UTF-8 answer") << QByteArray("Danke — 日本") << 200 << QStringLiteral("Danke — 日本") << false;
}

void TestOnlineFeedback::replyDecidesClosing()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, status);
    QFETCH(QString, shown);
    QFETCH(bool, closes);

    TestHttpServer server;
    server.feedbackReply = reply;
    server.feedbackStatus = Status(status);
    OnlineServices::setBaseUrl(server.baseUrl());
    auto form = openForm(QStringLiteral("a@b.c"), QStringLiteral("Hello"));
    send(*form);
    QTRY_COMPARE(boxes.size(), 1);

    QCOMPARE(boxes.first().title, QStringLiteral("Send"));
    QCOMPARE(boxes.first().text, shown);
    QCOMPARE(boxes.first().icon, QMessageBox::Information);
    QCOMPARE(boxes.first().buttons, QMessageBox::Ok);
    QCOMPARE(form->isVisible(), !closes);
    if (closes)
        QCOMPARE(form->result(), int(QDialog::Accepted));
    else
        QCOMPARE(form->findChild<QTextEdit *>(QStringLiteral("messageEdit"))->toPlainText(), QStringLiteral("Hello"));
}

void TestOnlineFeedback::eachPressSendsOneRequest()
{
    TestHttpServer server;
    server.feedbackReply = "Please try again later.";
    OnlineServices::setBaseUrl(server.baseUrl());
    auto form = openForm(QStringLiteral("x"), QStringLiteral("Hi"));
    send(*form);
    send(*form);
    QTRY_COMPARE(boxes.size(), 2);
    QCOMPARE(server.feedbackBodies, QList<QByteArray>(2, QByteArray("from=x&message=Hi")));
    QVERIFY(form->isVisible());

    // The next answer is a success: the form closes, other answers still arrive.
    server.feedbackReply = "Your message was taken.";
    send(*form);
    send(*form);
    QTRY_COMPARE(boxes.size(), 4);
    QVERIFY(!form->isVisible());
}

void TestOnlineFeedback::failedSendSaysWhy_data()
{
    QTest::addColumn<QString>("server"); // refused, hang, endless, notTls or an HTTP status
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("reason");

    QTest::newRow("refused") << "refused" << QByteArray() << "The server refused the connection.";
    QTest::newRow("no answer until timeout") << "hang" << QByteArray() << "The server did not answer in time.";
    QTest::newRow("TLS handshake fails") << "notTls" << QByteArray() << "The secure connection to the server failed";
    QTest::newRow("error page starting with Your")
        << "500" << QByteArray("Your request failed: internal error")
        << "HTTP status 500 Internal Server Error.\n\nYour request failed: internal error";
    QTest::newRow("not found, no text") << "404" << QByteArray() << "HTTP status 404 Not Found.";
    // Cut off at the reply limit; without one the form would wait, and fill the memory, forever.
    QTest::newRow("endless answer") << "endless" << QByteArray() << "far longer than any answer expected";
}

void TestOnlineFeedback::failedSendSaysWhy()
{
    QFETCH(QString, server);
    QFETCH(QByteArray, reply);
    QFETCH(QString, reason);

    TestHttpServer http;
    http.feedbackReply = reply;
    RawTcpServer hanging(RawTcpServer::Hang);
    RawTcpServer plain(RawTcpServer::CutOff);
    RawTcpServer endless(RawTcpServer::Endless);
    if (server == QLatin1String("refused")) {
        OnlineServices::setBaseUrl(refusingUrl());
    } else if (server == QLatin1String("hang")) {
        OnlineServices::setBaseUrl(hanging.url(QString()));
    } else if (server == QLatin1String("endless")) {
        OnlineServices::setBaseUrl(endless.url(QString()));
    } else if (server == QLatin1String("notTls")) {
        QUrl url = plain.url(QString());
        url.setScheme(QStringLiteral("https"));
        OnlineServices::setBaseUrl(url);
    } else {
        http.feedbackStatus = Status(server.toInt());
        OnlineServices::setBaseUrl(http.baseUrl());
    }
    auto form = openForm(QStringLiteral("x"), QStringLiteral("Hi, this took a while to write."));
    send(*form);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 1, 10000);

    QCOMPARE(boxes.first().title, QStringLiteral("Send"));
    QCOMPARE(boxes.first().icon, QMessageBox::Warning);
    QVERIFY2(boxes.first().text.startsWith(QStringLiteral("The feedback was not sent. ")), qPrintable(boxes.first().text));
    QVERIFY2(boxes.first().text.contains(reason), qPrintable(boxes.first().text));
    // The form stays, with what the user wrote, for another try.
    QVERIFY(form->isVisible());
    QCOMPARE(form->findChild<QTextEdit *>(QStringLiteral("messageEdit"))->toPlainText(),
             QStringLiteral("Hi, this took a while to write."));
}

void TestOnlineFeedback::cancelCloses()
{
    auto form = openForm(QStringLiteral("x"), QStringLiteral("Hi"));
    form->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    QVERIFY(!form->isVisible());
    QCOMPARE(form->result(), int(QDialog::Rejected));
    QVERIFY(boxes.isEmpty());
}

// The form opens on the address; Tab leads through the message to the buttons, and Enter
// in the address field sends what was typed instead of cancelling it away.
void TestOnlineFeedback::keyboardFollowsTheForm()
{
    TestHttpServer server;
    OnlineServices::setBaseUrl(server.baseUrl());
    Feedback form;
    form.show();
    auto *address = form.findChild<QLineEdit *>(QStringLiteral("addressEdit"));
    auto *message = form.findChild<QTextEdit *>(QStringLiteral("messageEdit"));
    auto *sendButton = form.findChild<QPushButton *>(QStringLiteral("sendButton"));
    auto *cancelButton = form.findChild<QPushButton *>(QStringLiteral("cancelButton"));
    QCOMPARE(form.focusWidget(), address);

    QTest::keyClicks(address, QStringLiteral("me@example.org"));
    QTest::keyClick(address, Qt::Key_Tab);
    QCOMPARE(form.focusWidget(), message);
    QTest::keyClicks(message->viewport(), QStringLiteral("Hello"));
    QTest::keyClick(message, Qt::Key_Tab);
    QCOMPARE(message->toPlainText(), QStringLiteral("Hello"));
    QCOMPARE(form.focusWidget(), sendButton);
    QTest::keyClick(sendButton, Qt::Key_Tab);
    QCOMPARE(form.focusWidget(), cancelButton);

    address->setFocus();
    QTest::keyClick(address, Qt::Key_Return);
    QTRY_COMPARE(boxes.size(), 1);
    QCOMPARE(server.feedbackBodies.size(), 1);
    QCOMPARE(formValue(server.feedbackBodies.first(), QStringLiteral("from")), QStringLiteral("me@example.org"));
    QCOMPARE(formValue(server.feedbackBodies.first(), QStringLiteral("message")), QStringLiteral("Hello"));
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestOnlineFeedback)
#include "tst_online_feedback.moc"
