#pragma once

#include <functional>

#include <QMessageBox>
#include <QString>

// The message boxes of the online services. They open without a parent, so they do not
// belong to the main window; tests install a responder that answers in place of the user.
namespace UserPrompt {

struct Box {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
};

using Responder = std::function<QMessageBox::StandardButton(const Box &box)>;

// Shows the box modally, its text as plain text, and returns the button pressed (Cancel or Escape when closed
// otherwise, as QMessageBox reports it).
QMessageBox::StandardButton show(const Box &box);

// An information box with an OK button.
void inform(const QString &title, const QString &text);

// An empty responder restores the real boxes.
void setResponder(Responder responder);

} // namespace UserPrompt
