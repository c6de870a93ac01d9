#include <algorithm>
#include <filesystem>
#include <iostream>

#include "app/cli.h"
#include "output/dt_table.h"
#include "platform/filename.h"
#include "platform/status.h"

namespace quillmere::cli {

std::optional<Arguments> ParseArguments(const std::vector<std::string>& args,
                                        std::initializer_list<std::string_view> flags,
                                        std::initializer_list<std::string_view> options,
                                        std::string* problem) {
  auto named = [](std::initializer_list<std::string_view> names, const std::string& arg) {
    return std::find(names.begin(), names.end(), arg) != names.end();
  };
  Arguments parsed;
  for (size_t a = 0; a < args.size(); ++a) {
    const std::string& arg = args[a];
    if (named(flags, arg)) {
      parsed.flags.insert(arg);
    } else if (named(options, arg) && a + 1 < args.size()) {
      parsed.values[arg] = args[++a];
    } else if (arg.rfind("-", 0) == 0 || parsed.operand) {
      *problem = "unexpected argument \"" + arg + "\".";
      return std::nullopt;
    } else {
      parsed.operand = arg;
    }
  }
  return parsed;
}

std::u16string FolderArgument(const std::string& folder) {
  namespace fs = std::filesystem;
  fs::path path = folder.empty() ? fs::current_path() : fs::absolute(folder);
  return files::ProgramPath(path.lexically_normal().string());
}

int Failed(const Status& status) {
  std::cerr << status.ToString() << "\n";
  return 1;
}

int Misused(const std::string& problem, const char* usage) {
  std::cerr << "quillmere: " << problem << "\n" << usage;
  return 2;
}

int Helped(const char* usage) {
  std::cout << usage;
  return 0;
}

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

int Reported(const Status& status, const FormState& form, std::u16string_view folder) {
  if (!status.ok()) return Failed(status);
  std::cout << "dt_table of " << DataMdbPath(folder) << " holds " << form.rs->RecordCount()
            << " rows; preview: " << files::NativePath(files::PreviewFileName(folder)) << "\n";
  return 0;
}

}  // namespace quillmere::cli
