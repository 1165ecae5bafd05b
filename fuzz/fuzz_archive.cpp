// libFuzzer target for the modules' listing and extraction paths (libarchive,
// liblhasa, libmspack and unarr): the worker's jobs run in-process on the
// input as an archive, then the command
// line parser and the name rules get the same bytes.
#include "module.h"
#include "policy.h"
#include "text.h"
#include "lzhread.h"
#include "worker.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const kFormats[] = {"lha", "zip", "cab", "tar", "rar", "7z"};

std::string TempDir() {
  static std::string dir = [] {
    char t[] = "/tmp/zot-fuzz-XXXXXX";
    return std::string(::mkdtemp(t));
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string dir = TempDir();
  const std::string archive = dir + "/input";
  FILE* f = std::fopen(archive.c_str(), "wb");
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  FILE* sink = std::fopen("/dev/null", "wb");
  arc::Job job;
  job.format = kFormats[data[0] % 6];
  job.archive = archive;
  job.op = "l";
  arc::RunJob(job, sink);
  if (data[0] & 0x80) {
    job.op = "x";
    job.dest = dir + "/out";
    job.flags = (data[0] & 0x40) ? "j" : "";
    // The second decoders' paths: unarr after libarchive "fails".
    job.failFirstDecoder = (data[0] & 0x20) != 0;
    arc::RunJob(job, sink);
    // Extraction moves into the folder; come back before removing it.
    [[maybe_unused]] const int back = ::chdir(dir.c_str());
    std::system(("rm -rf '" + job.dest + "'").c_str());
  }
  std::fclose(sink);
  const std::string text(reinterpret_cast<const char*>(data), size);
  arc::ParseCommand(static_cast<arc::Syntax>(data[0] % 6), text);
  bool refused;
  arc::SafeRelativePath(text, data[0] & 1, &refused);
  arc::WildcardMatch(text.substr(0, size / 2), text.substr(size / 2));
  arc::Cp932ToUtf8(text);
  arc::PrintableName(text);
  arc::UnescapeCommandText(text);
  arc::SafeLinkTarget(text.substr(0, size / 2), text.substr(size / 2));
  arc::LzhHeaderName(data, size);
  return 0;
}
