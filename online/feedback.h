#pragma once

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class QTextEdit;

// The beta feedback form: posts an optional e-mail address and a free-text message to the
// feedback server and shows each answer. An answer that starts with "Your" means the message
// was taken, and the form closes; any other answer leaves it open for another try.
class Feedback : public QDialog {
    Q_OBJECT

public:
    // The answer is a short text shown in a message box; anything longer is not one.
    static constexpr qint64 kMaxReplyBytes = 64 * 1024;

    explicit Feedback(QWidget *parent = nullptr);

private slots:
    void cancel();
    void send();
    void networkRequestFisnished(QNetworkReply *pReply);

private:
    QTextEdit *messageEdit;
    QNetworkAccessManager *manager;
    QLineEdit *addressEdit;
    QGroupBox *addressGroup;
    QGroupBox *messageGroup;
    QPushButton *cancelButton;
    QPushButton *sendButton;
};
