// The command line's commands: `quillmere run`, `quillmere convert` and
// `quillmere newdb`. Each takes the arguments after its own name and returns
// the exit status: 0 done, 1 failed ("error NUMBER: DESCRIPTION" on standard
// error), 2 the arguments were not understood (the usage on standard error).
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "output/form_state.h"
#include "platform/status.h"

namespace quillmere::cli {

int Newdb(const std::vector<std::string>& args);
int Convert(const std::vector<std::string>& args);
int Run(const std::vector<std::string>& args);

// A command's arguments: at most one operand, the flags given, and the
// options given with their values.
struct Arguments {
  std::optional<std::string> operand;
  std::set<std::string, std::less<>> flags;
  std::map<std::string, std::string, std::less<>> values;

  bool Has(std::string_view flag) const { return flags.count(flag) != 0; }
  // The option's value; empty when it was not given.
  std::string Value(std::string_view option) const {
    auto it = values.find(option);
    return it == values.end() ? std::string() : it->second;
  }
};

// Sorts `args` by the flags and the options (each followed by its value) a
// command knows. Anything else that begins with "-", an option without its
// value and a second operand are misuses, described in `problem`.
std::optional<Arguments> ParseArguments(const std::vector<std::string>& args,
                                        std::initializer_list<std::string_view> flags,
                                        std::initializer_list<std::string_view> options,
                                        std::string* problem);

// A folder named on the command line (the current one when empty) as an
// absolute path in the program's form.
std::u16string FolderArgument(const std::string& folder);

// Which folder a command worked in, for its failure to say: `note` names
// the folder and how it came to be that one ("the program's folder ...").
struct FolderUsed {
  std::u16string folder;  // in the program's form
  std::string note;
};

// Prints the failure (then `used.note`, when there is one), the misuse or
// the asked-for usage (translated here) and returns the matching exit
// status.
int Failed(const Status& status, const FolderUsed& used = {});
int Misused(const std::string& problem, const char* usage);
int Helped(const char* usage);
bool AsksForHelp(const std::vector<std::string>& args);

// After a run: the failure, or where the rows and the preview page are.
int Reported(const Status& status, const FormState& form, const FolderUsed& used);

}  // namespace quillmere::cli
