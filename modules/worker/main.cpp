// zot-arcworker FORMAT OP ARCHIVE [DEST] [FLAGS]: one archive operation in a
// process of its own (see protocol.h); member names come on standard input.
#include "worker.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  std::setlocale(LC_CTYPE, "C.UTF-8");
  // Without TZ the C library looks at /etc/localtime again for every time it
  // converts, and libarchive converts one or two per member: named once,
  // the zone is read once.
  if (!std::getenv("TZ")) ::setenv("TZ", ":/etc/localtime", 1);
  // A hostile archive may ask a decoder for any amount of memory.
  const rlimit memory{3ull << 30, 3ull << 30};
  ::setrlimit(RLIMIT_AS, &memory);
  const rlimit core{0, 0};
  ::setrlimit(RLIMIT_CORE, &core);

  // Lets tests see what the modules make of a worker that crashes or hangs.
  if (const char* fault = std::getenv("ZOT_ARCWORKER_FAULT")) {
    if (std::string(fault) == "crash") std::abort();
    if (std::string(fault) == "hang") ::pause();
  }

  arc::Job job;
  job.format = argv[1];
  job.op = argv[2];
  job.archive = argv[3];
  if (argc > 4) job.dest = argv[4];
  if (argc > 5) job.flags = argv[5];
  // Names up to the empty one; nothing after it is read here, because the
  // module sends password answers only when asked.
  std::string name;
  for (bool more = true; more;) {
    char chunk[1 << 14];
    const ssize_t n = ::read(0, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t i = 0; i < n && more; ++i) {
      if (chunk[i] != '\0') name += chunk[i];
      else if (name.empty()) more = false;
      else job.names.push_back(std::move(name)), name.clear();
    }
  }
  if (job.flags.find('p') != std::string::npos && job.op != "c") job.answers = 0;
  if (const char* fault = std::getenv("ZOT_ARCWORKER_FAULT")) job.failFirstDecoder = std::string(fault) == "first-decoder";
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  arc::RunJob(job, stdout);
  return 0;
}
