#include "platform/msgwindow.h"

namespace platform {

uint32_t RegisterWindowMessage(const char* name) { return CaRegisterWindowMessage(name); }

MessageWindow::MessageWindow(Procedure procedure) : procedure_(std::move(procedure)) {
  window_.magic = CA_WINDOW_MAGIC;
  window_.send = &MessageWindow::Dispatch;
  window_.owner = this;
}

MessageWindow::~MessageWindow() { window_.magic = 0; }

intptr_t MessageWindow::Dispatch(CaWindow* self, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  auto* w = static_cast<Window*>(self);
  if (!w || w->magic != CA_WINDOW_MAGIC || !w->owner->procedure_) return 0;
  return w->owner->procedure_(msg, wparam, lparam);
}

intptr_t MessageWindow::Send(void* handle, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  auto* w = static_cast<CaWindow*>(handle);
  if (!w || w->magic != CA_WINDOW_MAGIC || !w->send) return 0;
  return w->send(w, msg, wparam, lparam);
}

}  // namespace platform
