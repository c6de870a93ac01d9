#include <filesystem>
#include <iostream>

#include "app/cli.h"
#include "output/dt_table.h"
#include "platform/files.h"
#include "platform/status.h"
#include "platform/unicode.h"

namespace quillmere::cli {

std::u16string FolderArgument(const std::string& folder) {
  namespace fs = std::filesystem;
  fs::path path = folder.empty() ? fs::current_path() : fs::absolute(folder);
  return unicode::FromUtf8(path.lexically_normal().string());
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
            << " rows; preview: " << files::NativePath(std::u16string(folder) + u"\\cc.html")
            << "\n";
  return 0;
}

}  // namespace quillmere::cli
