// The command line's commands: `quillmere run`, `quillmere collect`,
// `quillmere forms`, `quillmere convert`, `quillmere export`, `quillmere newdb` and
// `quillmere import-access`. Each takes the arguments after its own name and returns the exit
// status: 0 done, 1 failed ("error NUMBER: DESCRIPTION" on standard error), 2 the arguments were
// not understood (the usage on standard error).
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "capture/start_command.h"
#include "output/form_state.h"
#include "platform/status.h"

namespace quillmere::cli {

int Newdb(const std::vector<std::string>& args);
int Convert(const std::vector<std::string>& args);
int Run(const std::vector<std::string>& args);
int Collect(const std::vector<std::string>& args);
int Forms(const std::vector<std::string>& args);
int Export(const std::vector<std::string>& args);
int ImportAccess(const std::vector<std::string>& args);

// A command's arguments: the operands (at most one, unless the command takes
// many), the flags given, and the options given with their values.
struct Arguments {
  std::optional<std::string> operand;  // the first
  std::vector<std::string> operands;
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
// command knows; every argument after "--" is an operand. Anything else that
// begins with "-", an option without its value and, unless `many_operands`,
// a second operand are misuses, described in `problem`.
std::optional<Arguments> ParseArguments(const std::vector<std::string>& args,
                                        std::initializer_list<std::string_view> flags,
                                        std::initializer_list<std::string_view> options,
                                        std::string* problem, bool many_operands = false);

// The table number --table gives: 1 when it is not given.
std::optional<int32_t> TableNumber(const Arguments& arguments, std::string* problem);

// The window's controls as the arguments set them: the entry for table N
// selected, Check1 ticked unless the first row is data.
class OptionControls : public StartControls {
 public:
  OptionControls(int32_t table, bool first_row_data)
      : table_(table), first_row_data_(first_row_data) {}
  int Combo1ListIndex() const override { return table_ - 1; }
  void SetCombo1ListIndex(int) override {}
  int32_t Combo1ItemData(int index) const override { return index + 1; }
  int Check1Value() const override { return first_row_data_ ? 0 : 1; }

 private:
  const int32_t table_;
  const bool first_row_data_;
};

// A folder named on the command line (the current one when empty) as an
// absolute path in the program's form.
std::u16string FolderArgument(const std::string& folder);

// The folder of a command that works in the application folder unless it
// is given one: `named` (as FolderArgument takes it), or when that is empty
// the application folder (DefaultFolder, made on an installed program's
// first start).
Status CommandFolder(const std::string& named, std::u16string* folder);

// What --connection and --keep-text set of a run's form.
void SetFormOptions(const Arguments& arguments, FormState* form);

// Which folder a command worked in, for its failure to say: `note` names
// the folder and how it came to be that one ("the program's folder ...").
struct FolderUsed {
  std::u16string folder;  // in the program's form
  std::string note;
};

// `text` as it may be printed: control characters (but its own line
// breaks) and bytes that are no UTF-8, which a file name may hold, escaped,
// so that a terminal shows them rather than obeying them.
std::string Printed(std::string_view text);

// Prints the failure (then `used.note`, when there is one), the misuse or
// the asked-for usage (translated here) and returns the matching exit
// status.
int Failed(const Status& status, const FolderUsed& used = {});
int Misused(const std::string& problem, const char* usage);
int Helped(const char* usage);
// Whether --help or -h comes before any "--".
bool AsksForHelp(const std::vector<std::string>& args);

// Fails, saying so, unless `folder` (in the program's form) is a folder that
// exists: a command that makes files there names the folder, not a file it
// could not create.
Status ExistingFolder(const std::u16string& folder);

// After a run: the failure, or where the rows and the preview page are (and,
// after a collection, from how many `documents`, 0 for a run; after an
// append, what became of them: `counts`).
int Reported(const Status& status, const FormState& form, const FolderUsed& used,
             size_t documents = 0, const std::string& counts = {});

}  // namespace quillmere::cli
