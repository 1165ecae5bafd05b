#pragma once
#include <QMessageBox>
#include <functional>
#include <vector>

class QDialog;
class QWidget;

// Every question, message and modal dialog of the program goes through here,
// so tests can answer them instead of a person.
namespace ui {

using MessageHook =
    std::function<int(const QString& text, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)>;
using ModalHook = std::function<int(QDialog& dialog)>;
// Answers a question with buttons of its own: the index of the choice taken, -1 for none.
using AskHook = std::function<int(const QString& text, const QStringList& choices)>;

void SetTitle(const QString& title);    // the program's title, on every message box
void SetMessageHook(MessageHook hook);  // empty: real message boxes
void SetModalHook(ModalHook hook);      // empty: real modal loops
void SetAskHook(AskHook hook);          // empty: real questions

// A message box titled with the program's title; returns the button pressed.
int MessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
               QMessageBox::StandardButtons buttons = QMessageBox::Ok);
// The same under a caption of its own.
int MessageBox(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon,
               QMessageBox::StandardButtons buttons = QMessageBox::Ok);
// Asks box (with buttons of its own); the index in choices of the button
// pressed, -1 for any other.
int Ask(QMessageBox& box, const std::vector<QAbstractButton*>& choices);
// Shows a dialog modally and returns its result.
int ExecModal(QDialog& dialog);

}  // namespace ui
