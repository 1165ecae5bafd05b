// CAB archives through libmspack, for what libarchive cannot read: Quantum
// and LZX folders (every window size) and cabinets split into a set.
#pragma once
#include "outcome.h"
#include "data.h"

#include <string>

namespace arc {

// Whether the cabinet at path (or the first one inside it, for a
// self-extracting program) is for libmspack: a folder compressed with
// Quantum or LZX, or a cabinet that is one part of a set.
bool CabNeedsMspack(const std::string& path);

// Walks the members of the cabinet and of the set it belongs to (the other
// parts are looked for beside it by the names the cabinets give). Failed
// when a part is missing or does not belong (error says why).
enum class CabWalk { NotCabinet, Failed, Done };
CabWalk MspackWalk(const std::string& path, Outcome* error, const Visit& visit);

}  // namespace arc
