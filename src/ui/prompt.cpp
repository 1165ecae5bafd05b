#include "ui/prompt.h"

#include <QApplication>
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

QString& Title() {
  static QString title;
  return title;
}

}  // namespace

void SetTitle(const QString& title) { Title() = title; }
void SetMessageHook(MessageHook hook) { Messages() = std::move(hook); }
void SetModalHook(ModalHook hook) { Modals() = std::move(hook); }

int MessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
               QMessageBox::StandardButtons buttons) {
  if (const MessageHook& hook = Messages()) return hook(text, icon, buttons);
  QMessageBox box(icon, Title(), text, buttons, parent);
  // The first button is the default, as on the desktop.
  if (buttons & QMessageBox::Yes) box.setDefaultButton(QMessageBox::Yes);
  return box.exec();
}

int ExecModal(QDialog& dialog) {
  if (const ModalHook& hook = Modals()) return hook(dialog);
  return dialog.exec();
}

}  // namespace ui
