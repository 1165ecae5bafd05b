#pragma once
#include <QString>

#include <functional>

// Throw-away wine prefixes: a template made once per user in the cache
// folder, copied into the temporary root for each session.
namespace platform {

// $XDG_CACHE_HOME/zot/wine-template (~/.cache/zot/wine-template).
QString WineTemplateFolder();
bool WineTemplateReady();

// Runs a step to its end while wait() keeps the interface alive; wait
// returns false to give up (the step is then killed and undone).
using KeepWaiting = std::function<bool()>;

// Makes the template with wineboot; the wine DLL copies in it become links
// to the installed ones, so a copy of it is small and quick.
bool MakeWineTemplate(const KeepWaiting& wait, QString* error);

// Copies the template to prefix (which must not exist yet).
bool CopyWineTemplate(const QString& prefix, const KeepWaiting& wait, QString* error);

}  // namespace platform
