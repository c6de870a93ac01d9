// The command line's commands: `quillmere newdb` and `quillmere convert`.
// Each takes the arguments after its own name and returns the exit status:
// 0 done, 1 failed ("error NUMBER: DESCRIPTION" on standard error), 2 the
// arguments were not understood (the usage on standard error).
#pragma once

#include <string>
#include <vector>

#include "output/form_state.h"
#include "platform/status.h"

namespace quillmere::cli {

int Newdb(const std::vector<std::string>& args);
int Convert(const std::vector<std::string>& args);
int Run(const std::vector<std::string>& args);

// A folder named on the command line (the current one when empty) as an
// absolute path in the program's form.
std::u16string FolderArgument(const std::string& folder);

// Prints the failure, the misuse or the asked-for usage and returns the
// matching exit status.
int Failed(const Status& status);
int Misused(const std::string& problem, const char* usage);
int Helped(const char* usage);
bool AsksForHelp(const std::vector<std::string>& args);

// After a run: the failure, or where the rows and the preview page are.
int Reported(const Status& status, const FormState& form, std::u16string_view folder);

}  // namespace quillmere::cli
