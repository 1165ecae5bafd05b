// The worker's operations, callable in-process for the fuzz target.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace arc {

struct Job {
  std::string format;   // "lha", "zip", "cab", "tar", "rar", "7z"
  std::string op;       // "l" list, "x" extract, "m" to memory, "c" create
  std::string archive;
  std::string dest;     // extraction folder, base folder for "c", byte limit for "m"
  std::string flags;    // "j" without stored paths; for "c": "z"/"B" filters, digits, "r", "D"
  std::vector<std::string> names;  // members or wildcards; files for "c"
  int answers = -1;  // where the answers to password requests come from; -1: never ask
  // For tests of the second decoders: libarchive's data of every member
  // fails for good after its first block, as a decoder it trips up would.
  bool failFirstDecoder = false;
};

// Runs one job, writing protocol records to out; returns the final status.
uint32_t RunJob(const Job& job, FILE* out);

}  // namespace arc
