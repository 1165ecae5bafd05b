// Times the program's own use of the archive access layer:
//   bench_archives list ARCHIVE       ten listing passes, as the main window runs them
//   bench_archives extract ARCHIVE DIR  whole-archive extraction, as the run button does
// Prints the seconds taken.
#include "Arcive/ArchiveFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) return 2;
  const QString op = QString::fromLocal8Bit(argv[1]);
  const QString archive = QString::fromLocal8Bit(argv[2]);
  QElapsedTimer timer;
  timer.start();
  try {
    if (op == QLatin1String("list")) {
      // Programs, five text slots, two HTML slots, then the rest.
      const char* const masks[] = {"*.com", "*.exe", "*.txt", "*.rtf", "*.doc", "*.log", "*.ini", "*.html", "*.htm", "*.*"};
      long members = 0;
      for (const char* mask : masks) {
        TArchiveFile file;
        file.SetFileName(archive);
        if (file.ArchiverType() == atAutoDetect) file.SetArchiverType(atTar);
        if (!file.ForEachMember(nullptr, mask, [&](const CaMemberInfoEx&) { return ++members > 0; })) return 1;
      }
      std::fprintf(stderr, "%ld member records\n", members);
    } else if (argc > 3) {
      TArchiveFile file;
      file.SetFileName(archive);
      if (file.ArchiverType() == atAutoDetect) file.SetArchiverType(atTar);
      file.Options.x = 1;
      file.Options.jf = 0;
      file.Options.jse = 0;
      file.Options.jso = 1;
      const int status = file.Extract(nullptr, nullptr, QString::fromLocal8Bit(argv[3]), AllMembers());
      if (status != 0) return 1;
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%.3f\n", timer.nsecsElapsed() / 1e9);
  return 0;
}
