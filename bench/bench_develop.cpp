// Times an extraction through the extract dialog's own code path: the main
// window lists the archive, the dialog looks for files it would replace and
// extracts everything into DIR with its progress dialog.
//   bench_develop ARCHIVE DIR   prints the seconds the dialog's "展開" took
#include "app/IniFile.h"
#include "app/main.h"
#include "app/tenkai.h"
#include "components/FTVEX/FTVEX.h"
#include "platform/folders.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // A home of its own, so no settings or temporary files of the user's are touched.
  QTemporaryDir home;
  qputenv("HOME", QFile::encodeName(home.path()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
  qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")));
  QApplication app(argc, argv);
  const QString archive = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
  const QString dir = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  Settings.ErrorDialog = true;
  TForm1 form;
  form.FolderTreeViewEx1Change(archive);
  if (form.ArchivePath.isEmpty()) return 1;
  Tdevelop dialog(&form);
  dialog.RadioButtons[0]->setChecked(true);
  dialog.ComboBox1->setEditText(dir);
  QElapsedTimer timer;
  timer.start();
  dialog.BitBtn1Click();
  std::printf("%.3f\n", timer.nsecsElapsed() / 1e9);
  return dialog.CanCloseFlag ? 0 : 1;
}
