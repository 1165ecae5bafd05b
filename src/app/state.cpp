#include "app/state.h"

#include "app/func.h"
#include "platform/folders.h"

#include <QDir>
#include <QFileInfo>

QString TempRoot;
QStringList History;
bool HasLhaDll = false;
bool HasZipDll = false;
bool HasCabDll = false;
QString ExtensionTable[9];
QPointer<QWidget> ViewerForm;

// A new private folder in the system temporary folder, or empty when none can be made.
QString PrivateTempRoot() {
  const QString made = platform::NewPrivateTempFolder();
  return made.isEmpty() ? QString() : AddTrailingBackslash(made);
}

QString HelpFilePath() {
  const QFileInfo exe(platform::ProgramPath());
  const QString beside = exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".html");
  // Installed, the help page lives in ../share/zot beside the bin folder.
  const QString installed =
      QDir::cleanPath(exe.absolutePath() + QStringLiteral("/../share/zot/") + exe.completeBaseName() + QStringLiteral(".html"));
  return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}
