// The program's part of every test: default settings, an empty extension
// table, and files made in TempRoot let go when the keep form asks.
#include "window_support.h"

#include "app/IniFile.h"
#include "app/keep.h"
#include "app/state.h"
#include "platform/folders.h"
#include "shell/shellfolder.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QTest>

namespace {

const bool registered = RegisterTestLayer({
    40,
    [](ZotTest& t) {
      Settings = TSettings();
      for (QString& slot : ExtensionTable) slot.clear();
      t.defaultModal = [](QDialog& d) {
        if (d.objectName() == QLatin1String("KeepForm")) return int(TKeepForm::kDiscard);
        return int(QDialog::Accepted);
      };
    },
    {},
});

}  // namespace

void WindowTest::StartWindow(const QByteArray& settings) {
  shell::SetComputerRoots({Home()});
  platform::SetLibraryFolders(platform::ProgramFolder(), platform::ProgramFolder());
  Write(QStringLiteral(".config/zot/zot.ini"), settings);
  form = std::make_unique<TForm1>();
  form->show();
}

void WindowTest::TearDown() {
  form.reset();
  shell::SetComputerRoots({});
  ZotTest::TearDown();
}

QStringList ListCaptions(TForm1& form) {
  QStringList out;
  for (int r = 0; r < form.ListView1->Items()->rowCount(); ++r) out << form.ListView1->Items()->item(r, 0)->text();
  return out;
}

void SelectEntry(TForm1& form, const QString& caption) {
  const int row = static_cast<int>(ListCaptions(form).indexOf(caption));
  if (row >= 0)
    form.ListView1->Selection()->select(form.ListView1->Items()->index(row, 0),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool ClickEntry(TForm1& form, const QString& caption, bool twice) {
  const int row = static_cast<int>(ListCaptions(form).indexOf(caption));
  if (row < 0) return false;
  QAbstractItemView* view = form.ListView1->CurrentView();
  const QModelIndex index = form.ListView1->Items()->index(row, 0);
  view->scrollTo(index);
  const QPoint at = view->visualRect(index).center();
  if (twice) {
    // A double click is a press and release, then the double-click event.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
  } else {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  }
  return true;
}
