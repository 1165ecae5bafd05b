// Writing protocol records (see protocol.h), encoded by records.h.
#pragma once
#include "protocol.h"
#include "records.h"

#include <cstdio>
#include <string>

namespace arc {

class Output {
 public:
  explicit Output(FILE* f) : f_(f) {}
  void Put(Rec type, const void* data, uint32_t size) {
    const std::string head = FrameHead(static_cast<char>(type), size);
    std::fwrite(head.data(), 1, head.size(), f_);
    if (size) std::fwrite(data, 1, size, f_);
  }
  void Put(Rec type, const std::string& s) { Put(type, s.data(), static_cast<uint32_t>(s.size())); }
  void Written(uint64_t n) { Put(Rec::Written, EncodeU64(n)); }
  void Problem(const Outcome& o) { Put(Rec::Problem, Encode(o)); }
  void Flush() { std::fflush(f_); }

 private:
  FILE* f_;
};

struct Job;
// Creates a ZIP or TAR archive from files (create.cpp).
uint32_t CreateArchive(const Job& job, Output& out);

}  // namespace arc
