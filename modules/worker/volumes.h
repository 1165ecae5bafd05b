// RAR archives split into volumes: which files beside the first belong to it.
#pragma once
#include <string>
#include <vector>

namespace arc {

// The parts of the RAR set that starts with path, as far as they exist:
// NAME.part1.rar, NAME.part2.rar, ... (any number of digits) or the older
// NAME.rar, NAME.r00, NAME.r01, ...; just path when it is no set.
std::vector<std::string> RarVolumes(const std::string& path);

// The part that would follow the last of volumes, when they are a set (or
// the first is named as a part of one); empty otherwise.
std::string NextRarVolume(const std::vector<std::string>& volumes);

}  // namespace arc
