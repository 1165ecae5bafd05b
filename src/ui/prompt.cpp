#include "ui/prompt.h"

#include <QApplication>
#include <QAbstractButton>
#include <QDialog>

namespace ui {
namespace {

MessageHook& Messages() {
  static MessageHook hook;
  return hook;
}

ModalHook& Modals() {
  static ModalHook hook;
  return hook;
}

AskHook& Asks() {
  static AskHook hook;
  return hook;
}

QString& Title() {
  static QString title;
  return title;
}

}  // namespace

void SetTitle(const QString& title) { Title() = title; }
void SetMessageHook(MessageHook hook) { Messages() = std::move(hook); }
void SetModalHook(ModalHook hook) { Modals() = std::move(hook); }
void SetAskHook(AskHook hook) { Asks() = std::move(hook); }

int Ask(QMessageBox& box, const std::vector<QAbstractButton*>& choices) {
  if (const AskHook& hook = Asks()) {
    QStringList texts;
    for (QAbstractButton* b : choices) texts << b->text();
    return hook(box.text(), texts);
  }
  box.exec();
  for (size_t i = 0; i < choices.size(); ++i)
    if (box.clickedButton() == choices[i]) return static_cast<int>(i);
  return -1;
}

int MessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
               QMessageBox::StandardButtons buttons) {
  return MessageBox(parent, text, Title(), icon, buttons);
}

int MessageBox(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon,
               QMessageBox::StandardButtons buttons) {
  if (const MessageHook& hook = Messages()) return hook(text, icon, buttons);
  QMessageBox box(icon, caption, text, buttons, parent);
  // The first button is the default, as on the desktop.
  if (buttons & QMessageBox::Yes) box.setDefaultButton(QMessageBox::Yes);
  return box.exec();
}

int ExecModal(QDialog& dialog) {
  if (const ModalHook& hook = Modals()) return hook(dialog);
  return dialog.exec();
}

}  // namespace ui
