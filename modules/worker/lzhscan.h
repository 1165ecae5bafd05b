#pragma once
#include <cstdint>

namespace arc {

// Offset of the first plausible LHA header (levels 0 to 3 with a
// "-lh?-" or "-lz?-" method whose header parses) in the first bytes of the
// file, or -1. Self-extracting LHA programs put theirs well past 24 KiB.
int64_t FindLzhStart(int fd, int64_t searchLimit);

}  // namespace arc
