#include "platform/library.h"

#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <link.h>

namespace platform {
namespace {
int g_loads = 0;
}  // namespace

void* LoadLibrary(const QString& dllName) {
  const QString file = LibraryFileName(dllName);
  for (const QString& folder : {WindowsFolder(), SystemFolder()}) {
    const QString path = folder + QLatin1Char('/') + file;
    if (!QFileInfo::exists(path)) continue;
    ++g_loads;
    if (void* h = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL)) return h;
  }
  ++g_loads;
  return ::dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
}

void FreeLibrary(void* module) {
  if (module) ::dlclose(module);
}

void* GetProcAddress(void* module, const char* name) {
  if (!module || !name) return nullptr;
  return ::dlsym(module, name);
}

QString GetModuleFileName(void* module) {
  if (!module) return ProgramPath();
  link_map* map = nullptr;
  if (::dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name) return QString();
  return QFile::decodeName(map->l_name);
}

int LibraryLoadCount() { return g_loads; }

QString SearchPath(const QString& fileName) {
  QStringList folders{ProgramFolder(), QDir::currentPath()};
  for (const QString& p : QString::fromLocal8Bit(qgetenv("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts))
    folders << p;
  for (const QString& folder : folders) {
    const QFileInfo fi(QDir(folder).filePath(fileName));
    if (fi.isFile()) return fi.absoluteFilePath();
  }
  return QString();
}

}  // namespace platform
