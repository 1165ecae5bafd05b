// The platform layer's part of every test: no archiver library folders but
// the test's own, and programs recorded instead of started.
#include "support.h"

#include "platform/folders.h"
#include "platform/process.h"

namespace {

const bool registered = RegisterTestLayer({
    10,
    [](ZotTest& t) {
      platform::SetLibraryFolders(t.Home() + QStringLiteral("/windows"), t.Home() + QStringLiteral("/system"));
      platform::SetLauncher([&t](const QString& program, const QStringList& args, const QString& wd) {
        t.starts.push_back({program, args, wd});
        return t.startResult;
      });
    },
    [](ZotTest&) {
      platform::SetLauncher({});
      platform::SetLibraryFolders(QString(), QString());
    },
});

}  // namespace
