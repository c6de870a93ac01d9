// Runs another program to completion, within a time limit.
#pragma once

#include <chrono>
#include <functional>
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
// ended it. While it runs, `keep_going` (when given) is called about every
// 20 ms, and a stop signal noted by a StopSignalsDeferred is looked for: a
// failure of the one, or the other, ends the group at once and is the
// result (kRunCancelled for the signal).
Status RunToCompletion(const std::vector<std::string>& argv, const std::string& log_path,
                       const std::vector<std::string>& environment,
                       std::chrono::milliseconds time_limit,
                       const std::function<Status()>& keep_going, int* exit_code);

// While one stands, SIGTERM, SIGINT and SIGHUP (those not ignored) do not
// end the process at once: they are noted, so that a child being run is
// ended and what the caller made is removed (objects made after this one
// are gone first); when the last one goes, the signal noted is raised again
// with the handling it had before, and ends the process as it would have.
// A program that is stopped so leaves no child and no file of its own
// behind. For one thread at a time, as the commands run.
class StopSignalsDeferred {
 public:
  StopSignalsDeferred();
  ~StopSignalsDeferred();
  StopSignalsDeferred(const StopSignalsDeferred&) = delete;
  StopSignalsDeferred& operator=(const StopSignalsDeferred&) = delete;

  // The signal noted since the first one stood, or 0.
  static int Noted();
};

}  // namespace quillmere::document
