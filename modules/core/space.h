// Whether what an extraction will write fits the target file system.
#pragma once
#include "outcome.h"

#include <cstdint>
#include <string>

namespace arc {

// No outcome when needed bytes fit below folder (or its nearest existing
// parent) with a margin, so that the disk is never filled to the last byte
// (5 % of the file system, at most 64 MB); else Reason::NoRoom.
// $ZOT_FREE_SPACE stands in for the free bytes in tests.
Outcome SpaceShortfall(const std::string& folder, uint64_t needed);

}  // namespace arc
