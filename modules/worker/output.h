// Writing protocol records (see protocol.h).
#pragma once
#include "protocol.h"

#include <cstdio>
#include <string>

namespace arc {

class Output {
 public:
  explicit Output(FILE* f) : f_(f) {}
  void Put(Rec type, const void* data, uint32_t size) {
    std::fputc(static_cast<char>(type), f_);
    const unsigned char len[4] = {static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
                                  static_cast<unsigned char>(size >> 16), static_cast<unsigned char>(size >> 24)};
    std::fwrite(len, 1, 4, f_);
    if (size) std::fwrite(data, 1, size, f_);
  }
  void Put(Rec type, const std::string& s) { Put(type, s.data(), static_cast<uint32_t>(s.size())); }
  void U64(Rec type, uint64_t v) { Put(type, &v, 8); }
  void Problem(uint32_t status, const std::string& message) {
    std::string p(reinterpret_cast<const char*>(&status), 4);
    Put(Rec::Problem, p + message);
  }
  void Flush() { std::fflush(f_); }

 private:
  FILE* f_;
};

struct Job;
// Creates a ZIP or TAR archive from files (create.cpp).
uint32_t CreateArchive(const Job& job, Output& out);

}  // namespace arc
