// Running one worker job from inside a module.
#pragma once
#include "protocol.h"

#include <functional>
#include <string>
#include <vector>

namespace arc {

// Receives each record; returning false stops the worker at once.
using RecordHandler = std::function<bool(Rec type, const std::string& payload)>;

struct WorkerRun {
  uint32_t status = kErrorWorker;
  std::vector<std::string> problems;  // the worker's messages, in order
  bool stopped = false;               // the handler asked to stop
};

// Starts zot-arcworker (found beside the module) with args, writes names to
// its input and relays its records. A worker that dies or stays silent for
// longer than the time limit ($ZOT_ARCWORKER_TIMEOUT_MS, default 60 s) is
// killed and reported as kErrorWorker.
WorkerRun RunWorker(const std::vector<std::string>& args, const std::vector<std::string>& names,
                    const RecordHandler& onRecord);

}  // namespace arc
