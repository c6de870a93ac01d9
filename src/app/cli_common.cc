#include <algorithm>
#include <filesystem>
#include <iostream>

#include "app/cli.h"
#include "output/dt_table.h"
#include "platform/program_paths.h"
#include "platform/status.h"
#include "platform/translation.h"

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
      *problem = Fill(Tr("unexpected argument \"%s\"."), arg);
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
  std::string normal = path.lexically_normal().string();
  if (normal.size() > 1 && normal.back() == '/') normal.pop_back();  // "DIR/." is DIR
  return files::ProgramPath(normal);
}

int Failed(const Status& status, const FolderUsed& used) {
  std::cerr << Fill(Tr("error %1$s: %2$s"), status.code(), status.description()) << "\n";
  if (!used.note.empty()) std::cerr << used.note << "\n";
  return 1;
}

int Misused(const std::string& problem, const char* usage) {
  std::cerr << "quillmere: " << problem << "\n" << Tr(usage);
  return 2;
}

int Helped(const char* usage) {
  std::cout << Tr(usage);
  return 0;
}

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

int Reported(const Status& status, const FormState& form, const FolderUsed& used) {
  if (!status.ok()) return Failed(status, used);
  const std::string preview = files::NativePath(files::PreviewFileName(used.folder));
  if (form.cn && form.cn->IsOdbc()) {
    std::cout << Fill(Tr("dt_table of the data source \"%1$s\" holds %2$s rows; preview: %3$s"),
                      form.cn->data_source(), form.rs->RecordCount(), preview)
              << "\n";
    return 0;
  }
  std::cout << Fill(Tr("dt_table of %1$s holds %2$s rows; preview: %3$s"), DataMdbPath(used.folder),
                    form.rs->RecordCount(), preview)
            << "\n";
  return 0;
}

}  // namespace quillmere::cli
