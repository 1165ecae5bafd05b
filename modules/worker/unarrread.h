// Member data from unarr, for what libarchive 3.6 decodes wrongly or not at
// all: RAR 1.5 to 4 data it reports as damaged, ZIP members compressed with
// Deflate64. Headers stay libarchive's; only the data comes from here.
#pragma once
#include "data.h"

#include <cstdint>
#include <memory>
#include <string>

namespace arc {

class UnarrData {
 public:
  enum class Kind { Rar, Zip };
  UnarrData(const std::string& path, Kind kind);
  ~UnarrData();
  UnarrData(const UnarrData&) = delete;
  UnarrData& operator=(const UnarrData&) = delete;

  // The data of the index-th member that is not a folder (counted as
  // libarchive lists them), when unarr finds it with the same size; an empty
  // reader when it does not.
  DataReader Find(size_t index, uint64_t size);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace arc
