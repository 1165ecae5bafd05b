// The user interface and shell layers' part of every test: each message box,
// question and modal dialog answered as the test says, and folder reads that
// come back at once, however busy the machine (the tests of slow folders set
// a budget of their own).
#include "support.h"

#include "shell/folderread.h"
#include "ui/prompt.h"

#include <QDialog>

namespace {

const bool registered = RegisterTestLayer({
    30,
    [](ZotTest& t) {
      ui::SetMessageHook([&t](const QString& text, QMessageBox::Icon icon, QMessageBox::StandardButtons b) {
        t.messages.push_back({text, icon, b});
        return t.answer;
      });
      ui::SetModalHook([&t](QDialog& d) {
        t.modalDialogs << d.objectName();
        if (t.onModal) {
          d.show();
          return t.onModal(d);
        }
        return t.defaultModal ? t.defaultModal(d) : int(QDialog::Accepted);
      });
      ui::SetAskHook([&t](const QString& text, const QStringList&) {
        t.messages.push_back({text, QMessageBox::Question, QMessageBox::NoButton});
        return t.choice;
      });
      shell::SetSyncReadBudget(60000);
    },
    [](ZotTest&) {
      ui::SetMessageHook({});
      ui::SetModalHook({});
      ui::SetAskHook({});
      shell::SetFolderReadHook({});
    },
});

}  // namespace
