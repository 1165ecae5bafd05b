// What the tests of the program's windows share.
#pragma once
#include "archive_support.h"
#include "support.h"

#include "app/main.h"

#include <memory>

// A test with the real main window: the computer holds only the test's home,
// the real modules sit beside the test program, and StartWindow writes the
// settings file and shows the window.
class WindowTest : public ZotTest {
 protected:
  // The sandbox is off unless a test asks for it: it wraps every start.
  void StartWindow(const QByteArray& settings = "[Option]\nErrorDialog=1\nSandbox=0\n");
  void TearDown() override;
  std::unique_ptr<TForm1> form;
};

// The captions of the main window's list, in order.
QStringList ListCaptions(TForm1& form);
// Selects the list entry with this caption, as a click would.
void SelectEntry(TForm1& form, const QString& caption);
// Clicks the entry with this caption with the mouse, in the view the user
// sees (double: a double click); false when there is no such entry.
bool ClickEntry(TForm1& form, const QString& caption, bool twice = false);
