// The Common Archiver entries of one module, on top of the worker process.
// A thin module makes one Module and exports its entries with ARC_MODULE.
#pragma once
#include "common_archiver.h"
#include "protocol.h"

#include <cstdint>
#include <string>
#include <vector>

namespace arc {

// How a module reads its command lines.
enum class Syntax { Lha, UnZip, Zip, Cab, Tar, Rar };

// One command line taken apart.
struct Command {
  std::string word;     // "x", "-x", "c", ... (empty when none)
  std::vector<std::string> switches;
  std::string archive;
  std::string folder;   // destination (or base folder for creation)
  std::vector<std::string> names;
  std::string error;    // why the line cannot be used
};
Command ParseCommand(Syntax syntax, const std::string& line);

class Module {
 public:
  Module(const char* format, Syntax syntax) : format_(format), syntax_(syntax) {}

  int Run(void* wnd, const char* cmd, char* out, uint32_t size);
  void* OpenArchive(void* wnd, const char* path, uint32_t mode);
  int CloseArchive(void* arc);
  int FindFirst(void* arc, const char* wildcard, void* record);
  int FindNext(void* arc, void* record);
  int CheckArchive(const char* path, int mode);
  int ExtractMem(void* wnd, const char* cmd, unsigned char* buf, uint32_t size, void* time, uint16_t* attr,
                 uint32_t* written);
  int SetOwnerWindowEx(void* wnd, void* callback);
  int KillOwnerWindowEx(void* wnd);
  int GetWriteTimeEx(void* arc, uint64_t* t);
  int GetCreateTimeEx(void* arc, uint64_t* t);
  int GetAccessTimeEx(void* arc, uint64_t* t);
  int GetOriginalSizeEx(void* arc, uint64_t* n);
  int GetCompressedSizeEx(void* arc, uint64_t* n);
  int GetArchiveType(const char* path);

 private:
  uint32_t Extract(const Command& c, bool junk, std::vector<std::string>& messages);
  // workerChecks: the worker is to check the room itself (false here then).
  bool RoomFor(const Command& c, const std::string& folder, bool* workerChecks, std::vector<std::string>& messages);
  uint32_t Create(const Command& c, std::vector<std::string>& messages);

  const char* format_;
  Syntax syntax_;
  void* owner_ = nullptr;
};

}  // namespace arc

#define ARC_EXPORT extern "C" __attribute__((visibility("default")))
#define ARC_MODULE(P, m)                                                                                      \
  ARC_EXPORT int P(void* w, const char* c, char* o, uint32_t s) { return m.Run(w, c, o, s); }                 \
  ARC_EXPORT void* P##OpenArchive(void* w, const char* p, uint32_t mode) { return m.OpenArchive(w, p, mode); } \
  ARC_EXPORT int P##CloseArchive(void* a) { return m.CloseArchive(a); }                                       \
  ARC_EXPORT int P##FindFirst(void* a, const char* wc, void* r) { return m.FindFirst(a, wc, r); }             \
  ARC_EXPORT int P##FindNext(void* a, void* r) { return m.FindNext(a, r); }                                   \
  ARC_EXPORT int P##CheckArchive(const char* p, int mode) { return m.CheckArchive(p, mode); }                 \
  ARC_EXPORT int P##ExtractMem(void* w, const char* c, unsigned char* b, uint32_t s, void* t, uint16_t* at,    \
                               uint32_t* n) {                                                                 \
    return m.ExtractMem(w, c, b, s, t, at, n);                                                                \
  }                                                                                                           \
  ARC_EXPORT int P##SetOwnerWindowEx(void* w, void* cb) { return m.SetOwnerWindowEx(w, cb); }                 \
  ARC_EXPORT int P##KillOwnerWindowEx(void* w) { return m.KillOwnerWindowEx(w); }                             \
  ARC_EXPORT int P##GetWriteTimeEx(void* a, uint64_t* t) { return m.GetWriteTimeEx(a, t); }                   \
  ARC_EXPORT int P##GetCreateTimeEx(void* a, uint64_t* t) { return m.GetCreateTimeEx(a, t); }                 \
  ARC_EXPORT int P##GetAccessTimeEx(void* a, uint64_t* t) { return m.GetAccessTimeEx(a, t); }                 \
  ARC_EXPORT int P##GetOriginalSizeEx(void* a, uint64_t* n) { return m.GetOriginalSizeEx(a, n); }             \
  ARC_EXPORT int P##GetCompressedSizeEx(void* a, uint64_t* n) { return m.GetCompressedSizeEx(a, n); }         \
  ARC_EXPORT int P##GetArchiveType(const char* p) { return m.GetArchiveType(p); }
