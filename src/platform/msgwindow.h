#pragma once
#include <cstdint>
#include <functional>

#include "common_archiver.h"

// A window handle that archiver modules can send messages to: the stand-in
// for a hidden window with its own window procedure.
namespace platform {

uint32_t RegisterWindowMessage(const char* name);

class MessageWindow {
 public:
  using Procedure = std::function<intptr_t(uint32_t msg, uintptr_t wparam, intptr_t lparam)>;
  explicit MessageWindow(Procedure procedure);
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // What is handed to a module.
  void* Handle() { return &window_; }

  // Delivers a message the way a module does (also for tests).
  static intptr_t Send(void* handle, uint32_t msg, uintptr_t wparam, intptr_t lparam);

 private:
  struct Window : CaWindow {
    MessageWindow* owner;
  };
  static intptr_t Dispatch(CaWindow* self, uint32_t msg, uintptr_t wparam, intptr_t lparam);

  Window window_;
  Procedure procedure_;
};

}  // namespace platform
