// Runs another program to completion, within a time limit.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/status.h"

namespace quillmere::document {

// Runs `argv` (argv[0] is the program's path) with no input, its output and
// errors going to `log_path`, in a process group of its own, with this
// process's environment but for the "NAME=value" entries of `environment`,
// which replace or add to it. When it has not ended after `time_limit`, the
// whole group is killed and the result is kConverterTimeout. When it ends,
// whatever it left running in its group is killed too, so nothing outlives
// the call. `*exit_code` gets the exit status, or 128 + the signal that
// ended it.
Status RunToCompletion(const std::vector<std::string>& argv, const std::string& log_path,
                       const std::vector<std::string>& environment,
                       std::chrono::milliseconds time_limit, int* exit_code);

}  // namespace quillmere::document
