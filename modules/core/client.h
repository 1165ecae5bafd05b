// Running one worker job from inside a module.
#pragma once
#include "protocol.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace arc {

// Receives each record; returning false stops the worker at once.
using RecordHandler = std::function<bool(Rec type, const std::string& payload)>;

// Answers a worker's request for a member's password (attempt 1 to 3);
// nullopt when there is none to be had.
using PasswordHandler = std::function<std::optional<std::string>(uint32_t attempt, const std::string& member)>;

struct WorkerRun {
  uint32_t status = kErrorWorker;
  std::vector<std::string> problems;  // the worker's outcomes in words (Describe), in order
  bool stopped = false;               // the handler asked to stop
};

// Starts zot-arcworker (found beside the module) with args, writes names to
// its input and relays its records. A worker that dies or stays silent for
// longer than the time limit ($ZOT_ARCWORKER_TIMEOUT_MS, default 60 s) is
// killed and reported as kErrorWorker.
// With ask set, the worker is allowed to ask for passwords ("p").
WorkerRun RunWorker(const std::vector<std::string>& args, const std::vector<std::string>& names,
                    const RecordHandler& onRecord, const PasswordHandler& ask = {});

}  // namespace arc
