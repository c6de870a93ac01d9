#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/cli.h"
#include "app/default_folder.h"
#include "output/dt_table.h"
#include "platform/encoding/printable.h"
#include "platform/encoding/unicode.h"
#include "platform/file_system.h"
#include "platform/program_paths.h"
#include "platform/status.h"
#include "platform/translation.h"

namespace quillmere::cli {

std::optional<Arguments> ParseArguments(const std::vector<std::string>& args,
                                        std::initializer_list<std::string_view> flags,
                                        std::initializer_list<std::string_view> options,
                                        std::string* problem, bool many_operands) {
  auto named = [](std::initializer_list<std::string_view> names, const std::string& arg) {
    return std::find(names.begin(), names.end(), arg) != names.end();
  };
  Arguments parsed;
  bool options_ended = false;  // after "--" every argument is an operand
  for (size_t a = 0; a < args.size(); ++a) {
    const std::string& arg = args[a];
    if (!options_ended && arg == "--") {
      options_ended = true;
    } else if (!options_ended && named(flags, arg)) {
      parsed.flags.insert(arg);
    } else if (!options_ended && named(options, arg)) {
      if (a + 1 == args.size()) {
        *problem = Fill(Tr("%s needs a value."), arg);
        return std::nullopt;
      }
      parsed.values[arg] = args[++a];
    } else if ((!options_ended && arg.rfind("-", 0) == 0) || (parsed.operand && !many_operands)) {
      *problem = Fill(Tr("unexpected argument \"%s\"."), arg);
      return std::nullopt;
    } else {
      if (!parsed.operand) parsed.operand = arg;
      parsed.operands.push_back(arg);
    }
  }
  return parsed;
}

std::optional<int32_t> TableNumber(const Arguments& arguments, std::string* problem) {
  if (arguments.values.count("--table") == 0) return 1;
  const std::string n = arguments.Value("--table");
  char* end = nullptr;
  long value = std::strtol(n.c_str(), &end, 10);
  if (n.empty() || *end != '\0' || value < 1 || value > INT32_MAX) {
    *problem = Fill(Tr("--table needs a table number from 1 on, not \"%s\"."), n);
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

std::u16string FolderArgument(const std::string& folder) {
  namespace fs = std::filesystem;
  fs::path path = folder.empty() ? fs::current_path() : fs::absolute(folder);
  std::string normal = path.lexically_normal().string();
  if (normal.size() > 1 && normal.back() == '/') normal.pop_back();  // "DIR/." is DIR
  return files::ProgramPath(normal);
}

Status CommandFolder(const std::string& named, std::u16string* folder) {
  if (named.empty()) return DefaultFolder(folder);
  *folder = FolderArgument(named);
  return Status();
}

void SetFormOptions(const Arguments& arguments, FormState* form) {
  form->strConnection = unicode::FromUtf8(arguments.Value("--connection"));
  if (arguments.Has("--keep-text")) form->cell_texts = CellTexts::kKept;
}

std::string Printed(std::string_view text) {
  return printable::Escaped(text, printable::LineBreaks::kKept);
}

int Failed(const Status& status, const FolderUsed& used) {
  std::cerr << Printed(Fill(Tr("error %1$s: %2$s"), status.code(), status.description())) << "\n";
  if (!used.note.empty()) std::cerr << Printed(used.note) << "\n";
  return 1;
}

int Misused(const std::string& problem, const char* usage) {
  std::cerr << "quillmere: " << Printed(problem) << "\n" << Tr(usage);
  return 2;
}

int Helped(const char* usage) {
  std::cout << Tr(usage);
  return 0;
}

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;  // what follows are operands
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

Status ExistingFolder(const std::u16string& folder) {
  const std::string where = files::NativePath(folder);
  if (files::Disk().IsFolder(where)) return Status();
  const char* what = files::Disk().Exists(where) ? N_("\"%s\" is a file, not a folder.")
                                                 : N_("The folder \"%s\" does not exist.");
  return Status(ErrorNumber::kFileNotFound, Fill(Tr(what), printable::Escaped(where)));
}

int Reported(const Status& status, const FormState& form, const FolderUsed& used, size_t documents,
             const std::string& counts) {
  if (!status.ok()) return Failed(status, used);
  const std::string preview = files::NativePath(files::PreviewFileName(used.folder));
  const size_t count = form.rs->RecordCount();
  const std::string rows = Fill(TrPlural("%s row", "%s rows", count), count);
  const std::string from = Fill(TrPlural("%s document", "%s documents", documents), documents);
  std::string line;
  if (!counts.empty()) {
    const std::string where = form.cn && form.cn->IsOdbc()
                                  ? Fill(Tr("the data source \"%s\""), form.cn->data_source())
                                  : DataMdbPath(used.folder);
    line = Fill(Tr("dt_table of %1$s holds %2$s from %3$s (%4$s); preview: %5$s"), where, rows,
                from, counts, preview);
  } else if (form.cn && form.cn->IsOdbc()) {
    const std::string& source = form.cn->data_source();
    line = documents > 0
               ? Fill(Tr("dt_table of the data source \"%1$s\" holds %2$s from %3$s; preview: "
                         "%4$s"),
                      source, rows, from, preview)
               : Fill(Tr("dt_table of the data source \"%1$s\" holds %2$s; preview: %3$s"), source,
                      rows, preview);
  } else {
    const std::string db = DataMdbPath(used.folder);
    line = documents > 0
               ? Fill(Tr("dt_table of %1$s holds %2$s from %3$s; preview: %4$s"), db, rows, from,
                      preview)
               : Fill(Tr("dt_table of %1$s holds %2$s; preview: %3$s"), db, rows, preview);
  }
  std::cout << Printed(line) << "\n";
  return 0;
}

}  // namespace quillmere::cli
